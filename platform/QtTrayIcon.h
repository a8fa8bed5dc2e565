#pragma once

#include "platform/TrayIcon.h"

#include <QSystemTrayIcon>

#include <optional>

namespace kvx {

// The notification-area icon over QSystemTrayIcon, which also hands the menu to
// the desktop: an XEmbed tray pops it up on a right click, a StatusNotifierItem
// host reads it over D-Bus (com.canonical.dbusmenu) and draws it itself.
class QtTrayIcon final : public TrayIcon {
    Q_OBJECT
public:
    explicit QtTrayIcon(QObject* parent = nullptr);

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

    QSystemTrayIcon& systemTrayIcon() { return m_icon; }
    void handleActivation(QSystemTrayIcon::ActivationReason reason);

private:
    QSystemTrayIcon m_icon;
    // The image set last: setting the same one again would redraw the icon.
    std::optional<Image> m_image;
};

} // namespace kvx
