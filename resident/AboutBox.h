#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace kvx {

class Launcher;
class Prompter;

// The About box (`frmAbout`): icon, title, version and the button that starts
// the desktop's system information program.
class AboutBox : public QDialog {
    Q_OBJECT

public:
    AboutBox(Launcher& launcher, Prompter& prompter, QWidget* parent = nullptr);

    void startSystemInformation();

private:
    Launcher& m_launcher;
    Prompter& m_prompter;
};

} // namespace kvx
