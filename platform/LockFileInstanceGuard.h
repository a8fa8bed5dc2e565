#pragma once

#include "platform/DesktopServices.h"

#include <QLockFile>

#include <memory>

namespace kvx {

// One copy per user: the lock file "kalvendorix.lock" in the user's runtime
// directory. A lock left behind by a process that died does not count.
class LockFileInstanceGuard final : public InstanceGuard {
public:
    LockFileInstanceGuard();
    explicit LockFileInstanceGuard(const QString& directory);
    ~LockFileInstanceGuard() override;

    bool anotherCopyRunning() override;
    void release() override;

    QString lockFilePath() const { return m_path; }
    static QString defaultDirectory();

private:
    bool holderIsDead() const;

    QString m_path;
    std::unique_ptr<QLockFile> m_lock;
};

} // namespace kvx
