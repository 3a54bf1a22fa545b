#include "io/FolderLock.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

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
    if (m_lock.error() != QLockFile::LockFailedError)
        return Outcome::Failed;
    // A process killed between creating the lock file and writing its owner into it leaves a
    // lock that names nobody, which would hold the folder for ever. Its owner writes at once, so
    // one that still names nobody a moment later is taken over.
    qint64 pid = 0;
    QString host;
    QString application;
    const QDateTime written = QFileInfo(m_path).lastModified();
    if (!m_lock.getLockInfo(&pid, &host, &application) && written.isValid()
        && qAbs(written.msecsTo(QDateTime::currentDateTime())) > kUnnamedLockGraceMs && m_lock.removeStaleLockFile()
        && m_lock.tryLock(0))
        return Outcome::Held;
    return Outcome::HeldElsewhere;
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
