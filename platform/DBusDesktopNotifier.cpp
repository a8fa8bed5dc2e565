#include "platform/DBusDesktopNotifier.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QStringList>
#include <QVariantMap>

#include <algorithm>

namespace kvx {

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
const QString kAppName = QStringLiteral("Kalvendorix");
// The notice stays until the program or the user takes it away.
constexpr int kNeverExpires = 0;

QDBusMessage call(const QString& method)
{
    return QDBusMessage::createMethodCall(kService, kPath, kInterface, method);
}

// The body as a server that reads markup in it must get it.
QString bodyFor(const QString& body, bool serverReadsMarkup)
{
    return serverReadsMarkup ? body.toHtmlEscaped() : body;
}

} // namespace

DBusDesktopNotifier::DBusDesktopNotifier(QDBusConnection bus, QString desktopEntry, QObject* parent)
    : QObject(parent)
    , m_bus(std::move(bus))
    , m_desktopEntry(std::move(desktopEntry))
{
    if (!m_bus.isConnected()) {
        return;
    }
    m_bus.connect(kService, kPath, kInterface, QStringLiteral("ActionInvoked"), this,
        SLOT(actionInvoked(uint, QString)));
    m_bus.connect(kService, kPath, kInterface, QStringLiteral("NotificationClosed"), this,
        SLOT(notificationClosed(uint, uint)));
}

DesktopNotifier::Handle DBusDesktopNotifier::show(const Notice& notice)
{
    const Handle handle = ++m_lastHandle;
    if (!m_bus.isConnected()) {
        return handle;
    }
    if (m_capabilities == Capabilities::Known) {
        send(handle, notice);
        return handle;
    }
    m_waiting.emplace_back(handle, notice);
    askCapabilities();
    return handle;
}

void DBusDesktopNotifier::prepare()
{
    if (m_bus.isConnected()) {
        askCapabilities();
    }
}

void DBusDesktopNotifier::askCapabilities()
{
    if (m_capabilities != Capabilities::Unknown) {
        return;
    }
    m_capabilities = Capabilities::Asked;
    auto* watcher
        = new QDBusPendingCallWatcher(m_bus.asyncCall(call(QStringLiteral("GetCapabilities"))), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* answer) {
        answer->deleteLater();
        const QDBusPendingReply<QStringList> reply = *answer;
        // Without an answer the next notice asks again: a server may start later.
        m_capabilities = reply.isError() ? Capabilities::Unknown : Capabilities::Known;
        m_bodyMarkup = !reply.isError() && reply.value().contains(QStringLiteral("body-markup"));
        std::vector<std::pair<Handle, Notice>> waiting;
        waiting.swap(m_waiting);
        if (reply.isError()) {
            return;
        }
        for (const auto& [handle, notice] : waiting) {
            send(handle, notice);
        }
    });
}

void DBusDesktopNotifier::send(Handle handle, const Notice& notice)
{
    QStringList actions;
    for (const Action& action : notice.actions) {
        actions << action.key << action.label;
    }
    const QVariantMap hints{
        {QStringLiteral("urgency"), QVariant::fromValue(static_cast<uchar>(notice.urgency))},
        {QStringLiteral("desktop-entry"), m_desktopEntry},
    };
    QDBusMessage message = call(QStringLiteral("Notify"));
    message << kAppName << 0U << m_desktopEntry << notice.summary << bodyFor(notice.body, m_bodyMarkup)
            << actions << hints << kNeverExpires;
    m_ids[handle] = 0;
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(message), this);
    connect(
        watcher, &QDBusPendingCallWatcher::finished, this, [this, handle](QDBusPendingCallWatcher* answer) {
            answer->deleteLater();
            const QDBusPendingReply<uint> reply = *answer;
            sent(handle, reply.isError() ? 0U : reply.value());
        });
}

void DBusDesktopNotifier::sent(Handle handle, uint id)
{
    const auto found = m_ids.find(handle);
    if (found == m_ids.end()) {
        // Closed while the server had not yet answered.
        closeOnServer(id);
        return;
    }
    if (id == 0) {
        m_ids.erase(found);
        return;
    }
    found->second = id;
}

void DBusDesktopNotifier::close(Handle handle)
{
    std::erase_if(m_waiting, [handle](const auto& waiting) { return waiting.first == handle; });
    const auto found = m_ids.find(handle);
    if (found == m_ids.end()) {
        return;
    }
    const uint id = found->second;
    m_ids.erase(found);
    closeOnServer(id);
}

void DBusDesktopNotifier::closeOnServer(uint id)
{
    if (id == 0) {
        return;
    }
    QDBusMessage message = call(QStringLiteral("CloseNotification"));
    message << id;
    m_bus.asyncCall(message);
}

DesktopNotifier::Handle DBusDesktopNotifier::handleOf(uint id) const
{
    const auto found = std::find_if(
        m_ids.begin(), m_ids.end(), [id](const auto& entry) { return id != 0 && entry.second == id; });
    return found == m_ids.end() ? 0 : found->first;
}

void DBusDesktopNotifier::actionInvoked(uint id, const QString& key)
{
    const Handle handle = handleOf(id);
    if (handle != 0 && onAction) {
        onAction(handle, key);
    }
}

void DBusDesktopNotifier::notificationClosed(uint id, uint /*reason*/)
{
    const Handle handle = handleOf(id);
    if (handle == 0) {
        return;
    }
    m_ids.erase(handle);
    if (onClosed) {
        onClosed(handle);
    }
}

} // namespace kvx
