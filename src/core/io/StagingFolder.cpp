#include "io/StagingFolder.h"

#include "io/CheckedWriter.h"
#include "io/ProcessFolders.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

namespace fendrel {
namespace {

const QString kStagingPrefix = QStringLiteral(".fendrel-staging-");

} // namespace

StagingFolder::StagingFolder(const QString &folder, Kind kind)
{
    if (kind == Kind::NewFolder) {
        m_newFolder = folder;
        m_folder = QDir(QFileInfo(folder.chopped(1)).path()).filePath(processFolderName(kStagingPrefix));
    } else {
        m_folder = QDir(folder).filePath(processFolderName(kStagingPrefix));
    }
}

StagingFolder::~StagingFolder()
{
    discard();
}

QString StagingFolder::stagedPath(qint64 id, const QString &target) const
{
    if (isNewFolder())
        return m_folder + u'/' + target.mid(m_newFolder.size());
    return m_folder + u'/' + QString::number(id);
}

bool StagingFolder::fail(const QString &target, int systemError, const QString &fallbackReason)
{
    if (m_error.isEmpty())
        m_error = cannotBeWritten(target, systemError, fallbackReason);
    if (m_file.isOpen())
        m_file.close();
    return false;
}

bool StagingFolder::create(const QString &target)
{
    if (m_created)
        return true;
    errno = 0;
    // A staging folder of an earlier run of this same process id can only be stale.
    QDir(m_folder).removeRecursively();
    if (!QDir().mkpath(m_folder))
        return fail(target, errno, QString());
    m_created = true;
    return true;
}

bool StagingFolder::makeFolders(const QStringList &folders)
{
    if (!m_error.isEmpty() || !create(m_newFolder))
        return false;
    for (const QString &folder : folders) {
        errno = 0;
        if (!QDir().mkpath(stagedPath(0, folder)))
            return fail(folder, errno, QString());
    }
    return true;
}

bool StagingFolder::begin(qint64 id, const QString &target)
{
    if (!m_error.isEmpty() || !create(target))
        return false;
    m_target = target;
    m_file.setFileName(stagedPath(id, target));
    errno = 0;
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        return fail(target, errno, m_file.errorString());
    return true;
}

bool StagingFolder::write(QByteArrayView bytes)
{
    if (!m_file.isOpen())
        return false;
    int systemError = 0;
    return writeWhole(m_file, bytes, &systemError) || fail(m_target, systemError, m_file.errorString());
}

bool StagingFolder::end()
{
    if (!m_file.isOpen())
        return false;
#if defined(Q_OS_UNIX) && !defined(Q_OS_LINUX)
    if (::fsync(m_file.handle()) != 0 && errno != EINVAL)
        return fail(m_target, errno, QString());
#endif
    m_file.close();
    return m_error.isEmpty();
}

bool StagingFolder::sync()
{
    if (!m_error.isEmpty())
        return false;
#ifdef Q_OS_LINUX
    if (!m_created)
        return true;
    const int folder = ::open(QFile::encodeName(m_folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0)
        return fail(m_folder, errno, QString());
    const bool synced = ::syncfs(folder) == 0;
    const int syncError = errno;
    ::close(folder);
    if (!synced)
        return fail(m_folder, syncError, QString());
#endif
    return true;
}

bool StagingFolder::putInPlace(qint64 id, const QString &target)
{
    if (!m_error.isEmpty())
        return false;
    if (std::rename(QFile::encodeName(stagedPath(id, target)).constData(), QFile::encodeName(target).constData()) != 0)
        return fail(target, errno, QString());
    return true;
}

bool StagingFolder::putFolderInPlace()
{
    if (!m_error.isEmpty())
        return false;
    if (m_created && std::rename(QFile::encodeName(m_folder).constData(), QFile::encodeName(m_newFolder.chopped(1)).constData()) != 0)
        return fail(m_newFolder, errno, QString());
    m_created = false;
    return true;
}

void StagingFolder::discard()
{
    if (m_file.isOpen())
        m_file.close();
    if (m_created)
        QDir(m_folder).removeRecursively();
    m_created = false;
}

void StagingFolder::removeStale(const QString &parent)
{
    removeFoldersOfGoneProcesses(parent, kStagingPrefix);
}

} // namespace fendrel
