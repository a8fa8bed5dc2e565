#pragma once

#include <QObject>
#include <QString>

class QMenu;

namespace kvx {

// Whether an alarm is sounding, as the tray needs to know it.
class SoundingState {
public:
    virtual ~SoundingState() = default;
    virtual bool alarmSounding() const = 0;
};

// The notification-area icon. Desktop tray events arrive as the three icon
// actions of the program, through `actionTriggered`.
class TrayIcon : public QObject {
    Q_OBJECT

public:
    enum class Image { Application, Stop };
    enum class Action { LeftButtonDown, RightButtonDown, LeftDoubleClick };
    Q_ENUM(Action)

    explicit TrayIcon(QObject* parent = nullptr)
        : QObject(parent)
    {
    }
    virtual void add(Image image, const QString& toolTip) = 0;
    virtual void modify(Image image, const QString& toolTip) = 0;
    // Changes the tip alone; the icon is neither set again nor redrawn.
    virtual void setToolTip(const QString& toolTip) = 0;
    virtual void remove() = 0;
    // The icon's menu, which the desktop shows: on a right click in an XEmbed
    // tray, or drawn by a StatusNotifierItem host (KDE, GNOME's AppIndicator)
    // from the copy the icon exports over D-Bus.
    virtual void setMenu(QMenu* menu) = 0;
    // Whether the desktop has a notification area to show the icon in.
    virtual bool available() const = 0;

    // The sounding state decides what a single left click means: while an
    // alarm sounds it is the button-down that arms the delayed stop, otherwise
    // the open action (trays that deliver no double click need that).
    void setSoundingState(const SoundingState* state) { m_sounding = state; }
    bool alarmSounding() const { return m_sounding != nullptr && m_sounding->alarmSounding(); }

signals:
    void actionTriggered(kvx::TrayIcon::Action action);

private:
    const SoundingState* m_sounding = nullptr;
};

} // namespace kvx
