#include "support/TestSupport.h"

#include "errorlog/ErrorLog.h"

#include <QFile>

namespace fendrel::test {

QByteArray readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
}

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

} // namespace fendrel::test
