#include "io/FileKind.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <memory>
#include <optional>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fendrel {

#ifdef Q_OS_UNIX
namespace {

// The permission bits decide here rather than one access() call per file: with thousands of
// files to check that call costs as much as the stat itself.
bool readableByThisProcess(const struct stat &st)
{
    static const uid_t user = ::geteuid();
    static const std::vector<gid_t> groups = [] {
        std::vector<gid_t> ids(static_cast<std::size_t>(std::max(::getgroups(0, nullptr), 0)) + 1);
        const int count = ::getgroups(static_cast<int>(ids.size() - 1), ids.data());
        ids.resize(static_cast<std::size_t>(std::max(count, 0)));
        ids.push_back(::getegid());
        return ids;
    }();
    if (user == 0)
        return true;
    if (st.st_uid == user)
        return (st.st_mode & S_IRUSR) != 0;
    if (std::find(groups.begin(), groups.end(), st.st_gid) != groups.end())
        return (st.st_mode & S_IRGRP) != 0;
    return (st.st_mode & S_IROTH) != 0;
}

FileStatus statusOf(const struct stat &st)
{
    FileStatus status;
    status.exists = true;
    status.size = static_cast<qint64>(st.st_size);
    status.modified = static_cast<qint64>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    status.readable = readableByThisProcess(st);
    if (S_ISREG(st.st_mode))
        status.regular = true;
    else if (S_ISDIR(st.st_mode))
        status.why = QStringLiteral("is a folder, not a file");
    else if (S_ISFIFO(st.st_mode))
        status.why = QStringLiteral("is a named pipe, not a file");
    else if (S_ISSOCK(st.st_mode))
        status.why = QStringLiteral("is a socket, not a file");
    else if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode))
        status.why = QStringLiteral("is a device, not a file");
    else
        status.why = QStringLiteral("is not a regular file");
    return status;
}

// The file name in the folder in (AT_FDCWD: a whole path).
FileStatus statusAt(int in, const char *name)
{
    struct stat st {};
    if (::fstatat(in, name, &st, 0) != 0) {
        FileStatus status;
        status.why = QStringLiteral("does not exist");
        return status;
    }
    return statusOf(st);
}

} // namespace
#endif

FileStatus fileStatus(const QString &path)
{
#ifdef Q_OS_UNIX
    return statusAt(AT_FDCWD, QFile::encodeName(path).constData());
#else
    FileStatus status;
    const QFileInfo info(path);
    status.exists = info.exists();
    status.regular = info.isFile();
    status.readable = info.isReadable();
    status.size = info.size();
    if (status.exists)
        status.modified = info.lastModified().toMSecsSinceEpoch() * 1000000;
    if (!status.exists)
        status.why = QStringLiteral("does not exist");
    else if (info.isDir())
        status.why = QStringLiteral("is a folder, not a file");
    else if (!status.regular)
        status.why = QStringLiteral("is not a regular file");
    return status;
#endif
}

QString whyNotARegularFile(const QString &path)
{
    return fileStatus(path).why;
}

#ifdef Q_OS_UNIX

namespace {
constexpr int kReadFlags = O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
#ifdef O_PATH
constexpr int kFolderFlags = O_PATH | O_DIRECTORY | O_CLOEXEC;
#else
constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
#endif
} // namespace

FileStatus fileStatus(const QString &path, OpenFolder &folder)
{
    const QByteArray encoded = QFile::encodeName(path);
    const char *name = encoded.constData();
    const int in = folder.holding(encoded, &name);
    return statusAt(in, name);
}

ReadOnlyFile::ReadOnlyFile(const QString &path)
{
    m_fd = ::open(QFile::encodeName(path).constData(), kReadFlags);
    m_error = m_fd < 0 ? errno : 0;
}

ReadOnlyFile::ReadOnlyFile(const QString &path, OpenFolder &folder)
{
    const QByteArray encoded = QFile::encodeName(path);
    const char *name = encoded.constData();
    const int in = folder.holding(encoded, &name);
    m_fd = ::openat(in, name, kReadFlags);
    m_error = m_fd < 0 ? errno : 0;
}

// The folder of encoded held open, and name set to what follows it; a folder that cannot be
// opened is left to the whole path (AT_FDCWD), whose failure then says why.
int OpenFolder::holding(const QByteArray &encoded, const char **name)
{
    const qsizetype slash = encoded.lastIndexOf('/');
    if (slash <= 0 || slash == encoded.size() - 1)
        return AT_FDCWD;
    const QByteArrayView folderPath(encoded.constData(), slash);
    if (m_fd < 0 || folderPath != m_path) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_path = folderPath.toByteArray();
        m_fd = ::open(m_path.constData(), kFolderFlags);
    }
    if (m_fd < 0)
        return AT_FDCWD;
    *name = encoded.constData() + slash + 1;
    return m_fd;
}

OpenFolder::~OpenFolder()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

ReadOnlyFile::~ReadOnlyFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool ReadOnlyFile::isOpen() const
{
    return m_fd >= 0;
}

qint64 ReadOnlyFile::read(char *into, qint64 size)
{
    qint64 total = 0;
    while (total < size) {
        const ssize_t got = ::read(m_fd, into + total, static_cast<std::size_t>(size - total));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            m_error = errno;
            return -1;
        }
        total += got;
        // A regular file reads short only at its end.
        if (got == 0 || total < size)
            break;
    }
    return total;
}

FileStatus ReadOnlyFile::status() const
{
    struct stat st {};
    if (m_fd < 0 || ::fstat(m_fd, &st) != 0)
        return {};
    return statusOf(st);
}

QString ReadOnlyFile::errorString() const
{
    return m_error == 0 ? QString() : QString::fromLocal8Bit(std::strerror(m_error));
}

#else

ReadOnlyFile::ReadOnlyFile(const QString &path) : m_file(path)
{
    m_file.open(QIODevice::ReadOnly | QIODevice::Unbuffered);
}

ReadOnlyFile::ReadOnlyFile(const QString &path, OpenFolder &) : ReadOnlyFile(path) {}

FileStatus fileStatus(const QString &path, OpenFolder &)
{
    return fileStatus(path);
}

OpenFolder::~OpenFolder() = default;

ReadOnlyFile::~ReadOnlyFile() = default;

bool ReadOnlyFile::isOpen() const
{
    return m_file.isOpen();
}

qint64 ReadOnlyFile::read(char *into, qint64 size)
{
    return m_file.read(into, size);
}

FileStatus ReadOnlyFile::status() const
{
    return fileStatus(m_file.fileName());
}

QString ReadOnlyFile::errorString() const
{
    return m_file.errorString();
}

#endif

bool ReadOnlyFile::readHead(const QString &path, qint64 limit, QByteArray *bytes, QString *why, OpenFolder *folder)
{
    bytes->clear();
    std::optional<ReadOnlyFile> opened;
    if (folder)
        opened.emplace(path, *folder);
    else
        opened.emplace(path);
    ReadOnlyFile &file = *opened;
    if (!file.isOpen()) {
        *why = file.errorString();
        return false;
    }
    // A small file comes whole in one call, through a buffer that is kept, so that the bytes
    // kept take no more room than they need; a larger one in pieces that grow with it.
    constexpr qint64 kFirst = 64 * 1024;
    thread_local std::unique_ptr<char[]> first = std::make_unique<char[]>(kFirst);
    qint64 piece = std::min(limit, kFirst);
    qint64 got = file.read(first.get(), piece);
    if (got >= 0)
        bytes->append(first.get(), static_cast<qsizetype>(got));
    while (got == piece && bytes->size() < limit) {
        piece = std::min<qint64>(limit - bytes->size(), 2 * piece);
        const qsizetype at = bytes->size();
        bytes->resize(at + static_cast<qsizetype>(piece));
        got = file.read(bytes->data() + at, piece);
        bytes->resize(at + static_cast<qsizetype>(std::max<qint64>(got, 0)));
    }
    if (got < 0) {
        *why = file.errorString();
        bytes->clear();
        return false;
    }
    bytes->squeeze();
    return true;
}

} // namespace fendrel
