#include "io/CheckedWriter.h"

#include <cerrno>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace fendrel {

QString systemErrorReason(int systemError, const QString &fallback)
{
    switch (systemError) {
    case ENOSPC: return QStringLiteral("no space is left on the disk");
#ifdef EDQUOT
    case EDQUOT: return QStringLiteral("the disk quota is used up");
#endif
    case EFBIG: return QStringLiteral("the file would be larger than this system lets a file be");
    case EROFS: return QStringLiteral("the disk is read-only");
    case EACCES:
    case EPERM: return QStringLiteral("permission to write there is denied");
    case ENOENT: return QStringLiteral("its folder does not exist");
    case EISDIR: return QStringLiteral("a folder stands where the file goes");
    case ENAMETOOLONG: return QStringLiteral("its name is too long");
    case ENOTDIR: return QStringLiteral("a file stands where a folder of its path goes");
    case EIO: return QStringLiteral("the device reported an input/output error");
    default: break;
    }
    return fallback.isEmpty() ? QStringLiteral("the system gave no reason") : fallback;
}

QString cannotBeWritten(const QString &path, int systemError, const QString &fallback)
{
    return QStringLiteral("%1 cannot be written: %2").arg(path, systemErrorReason(systemError, fallback));
}

CheckedWriter::CheckedWriter(const QString &path) : m_path(path), m_file(path) {}

bool CheckedWriter::fail(int systemError, const QString &fallbackReason)
{
    if (!m_failed) {
        m_failed = true;
        m_systemError = systemError;
        m_error = cannotBeWritten(m_path, systemError, fallbackReason);
    }
    if (m_file.isOpen())
        m_file.cancelWriting();
    return false;
}

bool CheckedWriter::open()
{
    errno = 0;
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return fail(errno, m_file.errorString());
    return true;
}

bool writeWhole(QIODevice &file, QByteArrayView bytes, int *systemError)
{
    while (!bytes.isEmpty()) {
        errno = 0;
        const qint64 written = file.write(bytes.data(), bytes.size());
        if (written <= 0) {
            *systemError = errno;
            return false;
        }
        bytes = bytes.sliced(written);
    }
    return true;
}

bool CheckedWriter::write(QByteArrayView bytes)
{
    if (m_failed || !m_file.isOpen())
        return false;
    int systemError = 0;
    return writeWhole(m_file, bytes, &systemError) || fail(systemError, m_file.errorString());
}

bool CheckedWriter::commit()
{
    if (m_failed || !m_file.isOpen())
        return false;
#ifdef Q_OS_UNIX
    // A disk that accepted the writes can still refuse them when they reach it.
    if (::fsync(m_file.handle()) != 0 && errno != EINVAL)
        return fail(errno, QString());
#endif
    errno = 0;
    if (!m_file.commit())
        return fail(errno, m_file.errorString());
    return true;
}

void CheckedWriter::cancel()
{
    if (m_file.isOpen())
        m_file.cancelWriting();
    m_failed = true;
}

} // namespace fendrel
