#pragma once

#include "platform/DesktopServices.h"

#include <QLockFile>

#include <memory>
#include <optional>

namespace kvx {

// One copy per user: the lock file "kalvendorix.lock" in a folder only the
// user can write, the user's runtime directory or else the program directory.
// A lock left behind by a process that died does not count. A lock that can be
// neither taken nor cleared (the folder is full or read-only, the lock belongs
// to another user or names another computer) counts as another copy, and
// lastProblem() says which file and why.
class LockFileInstanceGuard final : public InstanceGuard {
public:
    LockFileInstanceGuard();
    explicit LockFileInstanceGuard(const QString& directory);
    ~LockFileInstanceGuard() override;

    bool anotherCopyRunning() override;
    void release() override;
    std::optional<InstanceProblem> lastProblem() const override { return m_problem; }

    QString lockFilePath() const { return m_path; }
    // $XDG_RUNTIME_DIR when it is a folder of the user's that nobody else may
    // write, else the program directory.
    static QString defaultDirectory();
    static bool isPrivateFolder(const QString& directory);

private:
    bool holderIsDead(qint64 pid) const;
    bool cannotTell(const QString& reason);
    bool removeStaleLock();
    QString whyNotLocked() const;

    QString m_path;
    std::unique_ptr<QLockFile> m_lock;
    std::optional<InstanceProblem> m_problem;
};

} // namespace kvx
