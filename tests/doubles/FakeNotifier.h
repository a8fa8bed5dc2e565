#pragma once

#include "platform/DesktopNotifier.h"

#include <vector>

namespace kvx {

// Test double of the desktop's notification server: records what the program
// sends and closes, and lets a test choose an action as the user would.
class FakeNotifier final : public DesktopNotifier {
public:
    struct Sent {
        Handle handle = 0;
        Notice notice;
        bool open = true;
    };

    Handle show(const Notice& notice) override
    {
        m_sent.push_back({++m_last, notice, true});
        return m_last;
    }
    void prepare() override { ++m_prepares; }
    int prepareCount() const { return m_prepares; }
    void close(Handle handle) override
    {
        ++m_closes;
        for (Sent& sent : m_sent) {
            if (sent.handle == handle) {
                sent.open = false;
            }
        }
    }

    // The user chose the action `key` of the notification `handle`.
    void invoke(Handle handle, const QString& key)
    {
        if (onAction) {
            onAction(handle, key);
        }
    }
    // The user dismissed the notification `handle` on the desktop.
    void dismiss(Handle handle)
    {
        for (Sent& sent : m_sent) {
            if (sent.handle == handle) {
                sent.open = false;
            }
        }
        if (onClosed) {
            onClosed(handle);
        }
    }

    // Forgets what was sent; the handles go on counting.
    void clear()
    {
        m_sent.clear();
        m_closes = 0;
    }

    const std::vector<Sent>& sent() const { return m_sent; }
    int openCount() const
    {
        int open = 0;
        for (const Sent& sent : m_sent) {
            open += sent.open ? 1 : 0;
        }
        return open;
    }
    int closeCount() const { return m_closes; }

private:
    int m_prepares = 0;
    std::vector<Sent> m_sent;
    Handle m_last = 0;
    int m_closes = 0;
};

} // namespace kvx
