#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

namespace fendrel::test {

struct CliRun {
    int exitCode;
    QByteArray out;
    QString err;
};

// Runs the built fendrel-cli as a script would, with extra environment variables and in a
// working folder if given.
inline CliRun runCli(const QStringList &args, const QProcessEnvironment &extra = {}, const QString &workingFolder = {})
{
    QProcess process;
    process.setWorkingDirectory(workingFolder);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(extra);
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(FENDREL_CLI_PATH), args);
    process.waitForFinished(60000);
    return {process.exitCode(), process.readAllStandardOutput(), QString::fromLocal8Bit(process.readAllStandardError())};
}

} // namespace fendrel::test
