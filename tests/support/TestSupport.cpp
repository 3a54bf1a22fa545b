#include "support/TestSupport.h"

#include "errorlog/ErrorLog.h"

#include <QFile>
#include <QProcess>

#include <csignal>
#include <sys/resource.h>

namespace fendrel::test {

ScopedErrorLog::ScopedErrorLog()
{
    errorLog() = ErrorLog();
    errorLog().initialize(m_dir.path(), m_dir.path());
}

ScopedErrorLog::~ScopedErrorLog()
{
    errorLog() = ErrorLog();
}

QStringList ScopedErrorLog::lines() const
{
    const QByteArray content = readFile(errorLog().logFilePath());
    QStringList result = QString::fromLatin1(content).split(QStringLiteral("\r\n"));
    if (!result.isEmpty() && result.last().isEmpty())
        result.removeLast();
    return result;
}

QStringList ScopedErrorLog::entries() const
{
    QStringList result = lines();
    for (QString &line : result)
        line = line.section(QStringLiteral("] - "), 1);
    return result;
}

void ScopedErrorLog::setClock(const QDateTime &when)
{
    errorLog().setClock([when] { return when; });
}

qint64 pidOfAnEndedProcess()
{
    QProcess ended;
    ended.start(QStringLiteral("true"));
    ended.waitForStarted();
    const qint64 pid = ended.processId();
    ended.waitForFinished();
    return pid;
}

FileSizeLimit::FileSizeLimit(qint64 bytes)
{
    struct rlimit limit {};
    getrlimit(RLIMIT_FSIZE, &limit);
    m_saved = static_cast<qint64>(limit.rlim_cur);
    m_savedHandler = std::signal(SIGXFSZ, SIG_IGN);
    limit.rlim_cur = static_cast<rlim_t>(bytes);
    setrlimit(RLIMIT_FSIZE, &limit);
}

FileSizeLimit::~FileSizeLimit()
{
    struct rlimit limit {};
    getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = static_cast<rlim_t>(m_saved);
    setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, m_savedHandler);
}

} // namespace fendrel::test
