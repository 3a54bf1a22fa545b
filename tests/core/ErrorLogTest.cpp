#include "errorlog/ErrorLog.h"
#include "startup/Settings.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace fendrel;
using test::readFile;
using test::writeFile;

namespace {

const QString kApp = QStringLiteral("zelvan");
const QString kSection = QStringLiteral("settings");

QString storedSize() { return getSetting(kApp, kSection, QStringLiteral("fendrelefs"), QStringLiteral("absent")); }
QString storedKeep() { return getSetting(kApp, kSection, QStringLiteral("fendreleab"), QStringLiteral("absent")); }

struct Initialised {
    qint32 size;
    qint16 keep;
};

Initialised initialiseWith(const QString &size, const QString &keep)
{
    saveSetting(kApp, kSection, QStringLiteral("fendrelefs"), size);
    saveSetting(kApp, kSection, QStringLiteral("fendreleab"), keep);
    QTemporaryDir dir;
    ErrorLog log;
    log.initialize(dir.path(), dir.path());
    return {log.maximumLogSize(), log.archivesToKeep()};
}

const QDateTime kWhen(QDate(2026, 12, 4), QTime(21, 13, 41));

} // namespace

TEST(ErrorLog, FreshInstallationCreatesTheLogOrFallsBackToTheProgramFolder)
{
    QTemporaryDir dir;
    ErrorLog log;
    log.initialize(dir.path() + QStringLiteral("/"), dir.path());
    EXPECT_EQ(log.logFilePath(), dir.path() + QStringLiteral("/log/fendrel_error.log"));
    EXPECT_TRUE(QFileInfo(log.logFilePath()).isFile());
    EXPECT_EQ(QFileInfo(log.logFilePath()).size(), 0);
    EXPECT_EQ(storedSize(), QStringLiteral("524288"));
    EXPECT_EQ(storedKeep(), QStringLiteral("6"));

    // A log folder that cannot be made: the log goes to the program folder.
    writeFile(dir.path() + QStringLiteral("/data"), "a file, not a folder");
    ErrorLog fallback;
    fallback.initialize(dir.path() + QStringLiteral("/data"), dir.path() + QStringLiteral("/program"));
    EXPECT_EQ(fallback.logFilePath(), dir.path() + QStringLiteral("/program/fendrel_error.log"));
}

TEST(ErrorLog, SettingsOutOfRangeAreRewrittenToTheDefaults)
{
    struct Case {
        const char *size, *keep;
        qint32 wantSize;
        qint16 wantKeep;
    };
    const Case cases[] = {
        {"abc", "0", 524288, 6},          {"100", "101", 524288, 6},
        {"2000000", "-3", 524288, 6},     {"16384", "1", 16384, 1},
        {"1048576", "100", 1048576, 100}, {" 65536 ", "12", 65536, 12},
        // Too large for 32 bits: the archive count is not even read.
        {"99999999999", "12", 524288, 6}, {"65536", "99999", 65536, 6},
    };
    for (const Case &c : cases) {
        const auto got = initialiseWith(QString::fromLatin1(c.size), QString::fromLatin1(c.keep));
        EXPECT_EQ(got.size, c.wantSize) << c.size;
        EXPECT_EQ(got.keep, c.wantKeep) << c.keep;
        EXPECT_EQ(storedSize(), QString::number(c.wantSize)) << c.size;
        EXPECT_EQ(storedKeep(), QString::number(c.wantKeep)) << c.keep;
    }
    initialiseWith(QStringLiteral("524288"), QStringLiteral("6"));
}

TEST(ErrorLog, LinesHaveTheFixedFormat)
{
    EXPECT_EQ(ErrorLog::formatLine(kWhen, QStringLiteral("Saving"), QStringLiteral("Create Pack"), 53,
                                   QStringLiteral("File not found")),
              QByteArray("[12-04-2026 - 21:13:41] - [Saving][Create Pack] - 53 - File not found\r\n"));
    EXPECT_EQ(ErrorLog::formatLine(QDateTime(QDate(2027, 1, 2), QTime(3, 4, 5)), QStringLiteral("a\u20AC"),
                                   QString(), -2147221504, QStringLiteral("[x] - y")),
              QByteArray("[01-02-2027 - 03:04:05] - [a\x80][] - -2147221504 - [x] - y\r\n"));
    EXPECT_EQ(ErrorLog::archiveFileName(kWhen), QStringLiteral("vesk_12-04-2026_21-13-41.log"));

    test::ScopedErrorLog scoped;
    scoped.setClock(kWhen);
    logError(QStringLiteral("Delete Lab Folder"), QStringLiteral("DeleteFolder"), -5, QStringLiteral("gone"));
    logError(QStringLiteral("p"), QStringLiteral("m"), 0, QString());
    EXPECT_EQ(scoped.lines(), QStringList({QStringLiteral("[12-04-2026 - 21:13:41] - [Delete Lab Folder][DeleteFolder] - -5 - gone"),
                                           QStringLiteral("[12-04-2026 - 21:13:41] - [p][m] - 0 - ")}));
}

TEST(ErrorLog, RotatesOnceTheLogHasReachedItsLimit)
{
    test::ScopedErrorLog scoped;
    scoped.setClock(kWhen);
    const QString logPath = errorLog().logFilePath();
    const QString folder = QFileInfo(logPath).path();
    const QByteArray almost(524287, 'x');

    writeFile(logPath, almost);
    logError(QStringLiteral("p"), QStringLiteral("m"), 1, QStringLiteral("d"));
    const QByteArray line = ErrorLog::formatLine(kWhen, QStringLiteral("p"), QStringLiteral("m"), 1, QStringLiteral("d"));
    EXPECT_EQ(readFile(logPath), almost + line);
    EXPECT_TRUE(QDir(folder).entryList({QStringLiteral("vesk_*")}).isEmpty());

    const QByteArray full = almost + 'x';
    writeFile(logPath, full);
    logError(QStringLiteral("p"), QStringLiteral("m"), 1, QStringLiteral("d"));
    EXPECT_EQ(readFile(logPath), line);
    EXPECT_EQ(readFile(folder + QStringLiteral("/vesk_12-04-2026_21-13-41.log")), full);

    // A second rotation within the same second keeps the first archive.
    writeFile(logPath, full + "second");
    logError(QStringLiteral("p"), QStringLiteral("m"), 1, QStringLiteral("d"));
    EXPECT_EQ(readFile(folder + QStringLiteral("/vesk_12-04-2026_21-13-41.log")), full);
    EXPECT_EQ(readFile(folder + QStringLiteral("/vesk_12-04-2026_21-13-41_2.log")), full + "second");
}

TEST(ErrorLog, CleanUpDeletesTheSurplusInEnumerationOrder)
{
    test::ScopedErrorLog scoped;
    scoped.setClock(kWhen);
    const QString logPath = errorLog().logFilePath();
    const QString folder = QFileInfo(logPath).path() + u'/';
    QStringList older;
    for (int i = 1; i <= 7; ++i) {
        older << QStringLiteral("vesk_01-0%1-2026_10-00-00.log").arg(i);
        writeFile(folder + older.last(), "old");
    }
    writeFile(folder + QStringLiteral("keep_me.log"), "not an archive");
    // Deliberately neither name nor time order: only the enumeration order may decide.
    const QStringList enumerated = {older[4], older[1], older[6], older[0], older[3], older[5], older[2]};
    errorLog().setArchiveLister([&](const QString &) {
        return QStringList{enumerated[0], enumerated[1], QStringLiteral("vesk_12-04-2026_21-13-41.log")}
            + enumerated.mid(2);
    });

    writeFile(logPath, QByteArray(524288, 'x'));
    logError(QStringLiteral("p"), QStringLiteral("m"), 1, QStringLiteral("d"));

    EXPECT_FALSE(QFileInfo::exists(folder + enumerated[0]));
    EXPECT_FALSE(QFileInfo::exists(folder + enumerated[1]));
    for (const QString &name : enumerated.mid(2))
        EXPECT_TRUE(QFileInfo::exists(folder + name)) << qPrintable(name);
    EXPECT_TRUE(QFileInfo::exists(folder + QStringLiteral("vesk_12-04-2026_21-13-41.log")));
    EXPECT_TRUE(QFileInfo::exists(folder + QStringLiteral("keep_me.log")));
    EXPECT_TRUE(QFileInfo::exists(logPath));
}

TEST(ErrorLog, NeverFailsTowardsItsCaller)
{
    ErrorLog uninitialised;
    uninitialised.logError(QStringLiteral("p"), QStringLiteral("m"), 1, QStringLiteral("d"));
    EXPECT_TRUE(uninitialised.logFilePath().isEmpty());

    test::ScopedErrorLog scoped;
    const QString logPath = errorLog().logFilePath();
    // The log file replaced by a folder: the entry is lost, nothing else happens.
    QFile::remove(logPath);
    QDir().mkpath(logPath);
    logError(QStringLiteral("p"), QStringLiteral("m"), 1, QStringLiteral("d"));
    EXPECT_TRUE(QFileInfo(logPath).isDir());
}
