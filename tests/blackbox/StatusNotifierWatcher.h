#pragma once

#include <QDBusMessage>
#include <QObject>
#include <QStringList>

namespace kvx::test {

// The watcher such a desktop runs, as far as an icon needs it.
class Watcher : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ hostRegistered)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ items)

public:
    bool hostRegistered() const { return true; }
    int protocolVersion() const { return 0; }
    QStringList items() const { return m_items; }

    // The methods of the watcher's D-Bus interface.
    Q_SLOT void RegisterStatusNotifierItem(const QString& service, const QDBusMessage& message)
    {
        // An item names its bus name, or only its path on the caller's connection.
        m_items << (service.startsWith(u'/') ? message.service() : service);
    }
    Q_SLOT void RegisterStatusNotifierHost(const QString& /*service*/) { }

signals:
    void StatusNotifierItemRegistered(const QString& service);
    void StatusNotifierHostRegistered();

private:
    QStringList m_items;
};

} // namespace kvx::test
