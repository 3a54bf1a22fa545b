#include "io/FileKind.h"

#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace fendrel {

FileStatus fileStatus(const QString &path)
{
    FileStatus status;
#ifdef Q_OS_UNIX
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) {
        status.why = QStringLiteral("does not exist");
        return status;
    }
    status.exists = true;
    status.size = static_cast<qint64>(st.st_size);
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
#else
    const QFileInfo info(path);
    status.exists = info.exists();
    status.regular = info.isFile();
    status.size = info.size();
    if (!status.exists)
        status.why = QStringLiteral("does not exist");
    else if (info.isDir())
        status.why = QStringLiteral("is a folder, not a file");
    else if (!status.regular)
        status.why = QStringLiteral("is not a regular file");
#endif
    return status;
}

QString whyNotARegularFile(const QString &path)
{
    return fileStatus(path).why;
}

} // namespace fendrel
