#pragma once

#include "platform/TrayIcon.h"

#include <QDBusServiceWatcher>
#include <QSystemTrayIcon>
#include <QTimer>

#include <memory>
#include <optional>

namespace kvx {

// The notification-area icon over QSystemTrayIcon, which also hands the menu to
// the desktop: an XEmbed tray pops it up on a right click, a StatusNotifierItem
// host reads it over D-Bus (com.canonical.dbusmenu) and draws it itself.
//
// Qt chooses between the two once per process, when an icon is first shown,
// and keeps that choice. An icon shown before the panel is up (autostart
// racing the desktop at login) would stay an XEmbed icon no panel shows, so
// the icon waits until the desktop offers a notification area: a
// StatusNotifierWatcher on the session bus (watched) or an XEmbed tray on
// the X server (looked for every few seconds for a while). A watcher that
// comes or changes owner later (a restarted panel) gets the icon made again.
class QtTrayIcon final : public TrayIcon {
    Q_OBJECT
public:
    // `waitForHost` false: the icon is shown at once, whatever the desktop offers.
    explicit QtTrayIcon(bool waitForHost = true, QObject* parent = nullptr);

    void add(Image image, const QString& toolTip) override;
    void modify(Image image, const QString& toolTip) override;
    void setToolTip(const QString& toolTip) override;
    void remove() override;
    void setMenu(QMenu* menu) override;
    bool available() const override;

    // The tray's own record keeps 63 bytes of the tip in code page 932.
    static QString cutToolTip(const QString& toolTip);
    // A tray event as one of the program's icon actions; none for the others.
    static std::optional<Action> actionFor(QSystemTrayIcon::ActivationReason reason, bool alarmSounding);

    QSystemTrayIcon& systemTrayIcon();
    void handleActivation(QSystemTrayIcon::ActivationReason reason);

private:
    // Whether the desktop offers a notification area now, looked at without
    // Qt's own check (which would fix Qt's choice).
    bool hostPresent() const;
    // The icon shown, or shown anew, when it is wanted and a host is there.
    void showWhenHosted();
    void remake();

    std::unique_ptr<QSystemTrayIcon> m_icon;
    QDBusServiceWatcher m_watcher;
    QTimer m_lookForHost;
    int m_looks = 0;
    bool m_waitForHost;
    bool m_wanted = false;
    bool m_shown = false;
    // The image set last: setting the same one again would redraw the icon.
    std::optional<Image> m_image;
    QString m_toolTip;
    QMenu* m_menu = nullptr;
};

} // namespace kvx
