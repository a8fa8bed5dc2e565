#pragma once

#include <QString>

#include <functional>
#include <optional>

namespace kvx {

// Why the guard could not tell whether another copy runs: the lock file and the
// system's reason.
struct InstanceProblem {
    QString path;
    QString reason;
};

// "Is another copy running": a lock in a folder only the user can write.
class InstanceGuard {
public:
    virtual ~InstanceGuard() = default;
    // Takes the lock when free; true while another process holds it, and true
    // as well when the lock can be neither taken nor cleared (then
    // lastProblem() says why), so that two copies never run at once.
    virtual bool anotherCopyRunning() = 0;
    virtual void release() = 0;
    // Set when the last anotherCopyRunning() answered true because it could
    // not tell; empty when a live copy holds the lock or none does.
    virtual std::optional<InstanceProblem> lastProblem() const { return std::nullopt; }
};

// The autostart entry that starts the program with the desktop session.
class Autostart {
public:
    virtual ~Autostart() = default;
    virtual bool isRegistered() = 0;
    // Writes the entry unless one exists already.
    virtual bool registerEntry() = 0;
    virtual bool removeEntry() = 0;
};

// Opening files and programs of the desktop.
class Launcher {
public:
    virtual ~Launcher() = default;
    virtual bool openFile(const QString& path) = 0;
    // Starts the desktop's system information program; false when there is none.
    virtual bool startSystemInformation() = 0;
};

// The end of the session: SIGTERM, SIGHUP, SIGINT or the desktop's logout.
class SessionEnd {
public:
    virtual ~SessionEnd() = default;
    std::function<void()> onEnd;

    // The program ends by its own exit; ends reported after this are ignored.
    void markEnded() { m_ended = true; }
    bool hasEnded() const { return m_ended; }

protected:
    // Calls onEnd the first time only, however many ends are reported.
    void end()
    {
        if (m_ended) {
            return;
        }
        m_ended = true;
        if (onEnd) {
            onEnd();
        }
    }

private:
    bool m_ended = false;
};

} // namespace kvx
