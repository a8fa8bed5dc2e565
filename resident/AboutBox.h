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
    static constexpr int kMajor = 1;
    static constexpr int kMinor = 0;
    static constexpr int kRevision = 4;

    AboutBox(Launcher& launcher, Prompter& prompter, QWidget* parent = nullptr);

    void startSystemInformation();

private:
    Launcher& m_launcher;
    Prompter& m_prompter;
};

} // namespace kvx
