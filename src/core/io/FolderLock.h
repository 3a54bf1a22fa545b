#pragma once

#include <QLockFile>
#include <QString>

namespace fendrel {

// One writer per folder: a lock file in the folder names the process and host holding it. A lock
// whose process is gone (on this host) is stale and taken over; a live one is never taken, however
// long it has been held.
class FolderLock {
public:
    explicit FolderLock(const QString &folder);
    FolderLock(const FolderLock &) = delete;
    FolderLock &operator=(const FolderLock &) = delete;

    enum class Outcome { Held, HeldElsewhere, Failed };
    // Takes the lock without waiting.
    Outcome tryLock();
    // Who holds the folder, as "process 1234 (fendrel) on host"; empty when it cannot be told.
    QString holder() const;
    // Why the lock file could not be made, after Failed.
    QString failure() const;
    void unlock() { m_lock.unlock(); }

    static const QString kLockFileName;
    // How long a lock file that names no owner is left to the process that is writing it.
    static constexpr qint64 kUnnamedLockGraceMs = 1000;

private:
    QString m_path;
    QLockFile m_lock;
};

} // namespace fendrel
