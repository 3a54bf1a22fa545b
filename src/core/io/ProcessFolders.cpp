#include "io/ProcessFolders.h"

#include <QCoreApplication>
#include <QDir>

#include <cerrno>

#ifdef Q_OS_UNIX
#include <signal.h>
#endif

namespace fendrel {
namespace {

bool processIsGone(qint64 pid)
{
#ifdef Q_OS_UNIX
    return pid > 0 && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
#else
    Q_UNUSED(pid);
    return false;
#endif
}

} // namespace

QString processFolderName(const QString &prefix)
{
    return prefix + QString::number(QCoreApplication::applicationPid());
}

void removeFoldersOfGoneProcesses(const QString &parent, const QString &prefix)
{
    const QDir folder(parent);
    const QStringList found = folder.entryList({prefix + u'*'}, QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QString &name : found) {
        bool isNumber = false;
        const qint64 pid = name.mid(prefix.size()).section(u'-', 0, 0).toLongLong(&isNumber);
        if (isNumber && processIsGone(pid))
            QDir(folder.filePath(name)).removeRecursively();
    }
}

} // namespace fendrel
