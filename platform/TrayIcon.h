#pragma once

#include <QString>

#include <functional>

class QMenu;

namespace kvx {

// The notification-area icon. Desktop tray events arrive as the three icon
// actions of the program.
class TrayIcon {
public:
    enum class Image { Application, Stop };
    enum class Action { LeftButtonDown, RightButtonDown, LeftDoubleClick };

    virtual ~TrayIcon() = default;
    virtual void add(Image image, const QString& toolTip) = 0;
    virtual void modify(Image image, const QString& toolTip) = 0;
    virtual void remove() = 0;
    virtual void setMenu(QMenu* menu) = 0;
    // Pops up the menu at the cursor (the right button).
    virtual void popUpMenu() = 0;

    // `alarmSounding` decides what a single left click means: while an alarm
    // sounds it is the button-down that arms the delayed stop, otherwise the
    // open action (trays that deliver no double click need that).
    std::function<bool()> alarmSounding;
    std::function<void(Action)> onAction;
};

} // namespace kvx
