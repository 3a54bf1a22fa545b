#include "io/FolderLock.h"

#include <QDir>

namespace fendrel {

const QString FolderLock::kLockFileName = QStringLiteral("Fendrel.lock");

FolderLock::FolderLock(const QString &folder) : m_path(QDir(folder).filePath(kLockFileName)), m_lock(m_path)
{
    // Age alone never makes a lock stale: a window may hold its folder for days.
    m_lock.setStaleLockTime(0);
}

FolderLock::Outcome FolderLock::tryLock()
{
    if (m_lock.tryLock(0))
        return Outcome::Held;
    return m_lock.error() == QLockFile::LockFailedError ? Outcome::HeldElsewhere : Outcome::Failed;
}

QString FolderLock::holder() const
{
    qint64 pid = 0;
    QString host;
    QString application;
    if (!m_lock.getLockInfo(&pid, &host, &application))
        return {};
    QString who = QStringLiteral("process %1").arg(pid);
    if (!application.isEmpty())
        who += QStringLiteral(" (%1)").arg(application);
    if (!host.isEmpty())
        who += QStringLiteral(" on %1").arg(host);
    return who;
}

QString FolderLock::failure() const
{
    return m_lock.error() == QLockFile::PermissionError
        ? QStringLiteral("%1 cannot be created: permission to write there is denied").arg(m_path)
        : QStringLiteral("%1 cannot be created").arg(m_path);
}

} // namespace fendrel
