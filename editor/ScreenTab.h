#pragma once

// moc stops at a standard header read before the Qt ones.
// clang-format off
#include <QWidget>
// clang-format on

#include "core/Records.h"

#include <optional>
#include <string>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace kvx {

class Dialogs;

// The tab "画面設定": the calendar window's position (`Frame6`), the old
// screen mode, the desktop notifications, the wake-up and the calendar folder
// (`Frame7`) and the data file path (`Frame10`).
class ScreenTab : public QWidget {
    Q_OBJECT

public:
    ScreenTab(
        WindowSettings& window, Dialogs& dialogs, std::string programDirectory, QWidget* parent = nullptr);

    void load(const QString& dataPath);
    // "FORMFLAG" as the position buttons say: "1" centre, "2" top left, else "3".
    std::string formFlag() const;
    // The close box puts the calendar window back where "FORMFLAG" had it
    // before the first position change since the last close.
    void restorePosition();
    // The choice became the setting ("ＯＫ"): nothing to put back.
    void forgetPosition() { m_remembered.reset(); }

    // The typed path when it names an existing file other than the one in force.
    std::optional<QString> enteredDataPath() const;
    // Shows the data path in force.
    void showDataPath(const QString& dataPath);
    // The computer cannot be woken: the box goes off and says why beside it.
    void refuseWakeUp(const QString& why);

signals:
    // The user named another data file: Enter or leaving the box with the path
    // of an existing file, or a choice in the file dialog.
    void dataPathChosen(const QString& path);
    // The calendar window is to go where this "FORMFLAG" puts it.
    void calendarPlacementChosen(const QString& formFlag);
    // "スリープ中でもアラームの時刻にパソコンを起こす" was switched.
    void wakeUpToggled(bool on);

private:
    void choosePosition(const std::string& formFlag);
    void selectPosition(const std::string& formFlag);
    void pathEntered();
    void browse();
    void browseCalendarFolder();

    WindowSettings& m_window;
    Dialogs& m_dialogs;
    std::string m_programDirectory;
    QRadioButton* m_centre;
    QRadioButton* m_topLeft;
    QRadioButton* m_topRight;
    QCheckBox* m_editorFirst;
    QCheckBox* m_desktopNotify;
    QCheckBox* m_wakeUp;
    QLabel* m_wakeUpWhy;
    QLineEdit* m_calendarFolder;
    QLineEdit* m_path;
    QPushButton* m_browse;
    QString m_dataPath;
    std::optional<std::string> m_remembered;
};

} // namespace kvx
