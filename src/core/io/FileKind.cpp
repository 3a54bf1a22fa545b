#include "io/FileKind.h"

#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace fendrel {

QString whyNotARegularFile(const QString &path)
{
#ifdef Q_OS_UNIX
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return QStringLiteral("does not exist");
    if (S_ISREG(status.st_mode))
        return {};
    if (S_ISDIR(status.st_mode))
        return QStringLiteral("is a folder, not a file");
    if (S_ISFIFO(status.st_mode))
        return QStringLiteral("is a named pipe, not a file");
    if (S_ISSOCK(status.st_mode))
        return QStringLiteral("is a socket, not a file");
    if (S_ISCHR(status.st_mode) || S_ISBLK(status.st_mode))
        return QStringLiteral("is a device, not a file");
    return QStringLiteral("is not a regular file");
#else
    const QFileInfo info(path);
    if (!info.exists())
        return QStringLiteral("does not exist");
    if (info.isDir())
        return QStringLiteral("is a folder, not a file");
    return info.isFile() ? QString() : QStringLiteral("is not a regular file");
#endif
}

} // namespace fendrel
