#pragma once

#include "platform/DesktopNotifier.h"

#include <QDBusConnection>
#include <QObject>

#include <map>
#include <utility>
#include <vector>

namespace kvx {

// Desktop notifications through the notification server of the session bus
// (org.freedesktop.Notifications). Every call is sent without waiting for its
// answer, so a server that is missing, slow or broken never holds up the
// caller; without a session bus nothing is sent at all.
class DBusDesktopNotifier final : public QObject, public DesktopNotifier {
    Q_OBJECT

public:
    // `desktopEntry` names the program's desktop entry, which is also the
    // name of its icon.
    DBusDesktopNotifier(QDBusConnection bus, QString desktopEntry, QObject* parent = nullptr);

    Handle show(const Notice& notice) override;
    void close(Handle handle) override;
    void prepare() override;

private:
    // Slots by name: QDBusConnection::connect takes no pointer to member.
    Q_SLOT void actionInvoked(uint id, const QString& key);
    Q_SLOT void notificationClosed(uint id, uint reason);

    enum class Capabilities { Unknown, Asked, Known };

    void askCapabilities();
    void send(Handle handle, const Notice& notice);
    void sent(Handle handle, uint id);
    void closeOnServer(uint id);
    Handle handleOf(uint id) const;

    QDBusConnection m_bus;
    QString m_desktopEntry;
    Capabilities m_capabilities = Capabilities::Unknown;
    bool m_bodyMarkup = false;
    Handle m_lastHandle = 0;
    // Notices waiting for the server's capabilities.
    std::vector<std::pair<Handle, Notice>> m_waiting;
    // Sent notices by handle: the server's number once it answered, 0 before.
    std::map<Handle, uint> m_ids;
};

} // namespace kvx
