#pragma once

#include <QString>

#include <cstdint>
#include <functional>
#include <vector>

namespace kvx {

// Notifications on the desktop beside the program's own windows. Sending
// never waits: a desktop without a notification server, or one that fails,
// simply shows nothing.
class DesktopNotifier {
public:
    enum class Urgency : std::uint8_t { Low = 0, Normal = 1, Critical = 2 };

    // A button of the notification: `key` comes back through onAction.
    struct Action {
        QString key;
        QString label;
    };

    struct Notice {
        QString summary;
        QString body;
        Urgency urgency = Urgency::Normal;
        std::vector<Action> actions;
    };

    // The program's own number for a notification it sent; 0 is none.
    using Handle = std::uint64_t;

    virtual ~DesktopNotifier() = default;

    virtual Handle show(const Notice& notice) = 0;
    // Learns ahead what the server needs to be told, so that a notice shown
    // soon goes out at once instead of after a question to the server.
    virtual void prepare() { }
    // Takes the notification off the desktop; a handle already closed or
    // never shown is ignored.
    virtual void close(Handle handle) = 0;

    // The user chose one of the notification's actions.
    std::function<void(Handle, const QString& key)> onAction;
    // The notification is gone from the desktop, closed by whoever.
    std::function<void(Handle)> onClosed;
};

} // namespace kvx
