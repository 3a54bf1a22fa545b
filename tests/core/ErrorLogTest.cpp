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

const QString kApp = u"zelvan"_qs;
const QString kSection = u"settings"_qs;

QString storedSize() { return getSetting(kApp, kSection, u"fendrelefs"_qs, u"absent"_qs); }
QString storedKeep() { return getSetting(kApp, kSection, u"fendreleab"_qs, u"absent"_qs); }

struct Initialised {
    qint32 size;
    qint16 keep;
};

Initialised initialiseWith(const QString &size, const QString &keep)
{
    saveSetting(kApp, kSection, u"fendrelefs"_qs, size);
    saveSetting(kApp, kSection, u"fendreleab"_qs, keep);
    QTemporaryDir dir;
    ErrorLog log;
    log.initialize(dir.path(), dir.path());
    return {log.maximumLogSize(), log.archivesToKeep()};
}

const QDateTime kWhen(QDate(2026, 12, 4), QTime(21, 13, 41));

} // namespace

TEST(ErrorLog, FreshInstallationCreatesTheLogOrFallsBackAndNeverFailsTowardsItsCaller)
{
    QTemporaryDir dir;
    ErrorLog log;
    log.initialize(dir.path() + u"/"_qs, dir.path());
    EXPECT_EQ(log.logFilePath(), dir.path() + u"/log/fendrel_error.log"_qs);
    EXPECT_TRUE(QFileInfo(log.logFilePath()).isFile());
    EXPECT_EQ(QFileInfo(log.logFilePath()).size(), 0);
    EXPECT_EQ(storedSize(), u"524288"_qs);
    EXPECT_EQ(storedKeep(), u"6"_qs);

    // A log folder that cannot be made: the log goes to the program folder.
    writeFile(dir.path() + u"/data"_qs, "a file, not a folder");
    ErrorLog fallback;
    fallback.initialize(dir.path() + u"/data"_qs, dir.path() + u"/program"_qs);
    EXPECT_EQ(fallback.logFilePath(), dir.path() + u"/program/fendrel_error.log"_qs);

    // It never fails towards its caller: uninitialised, or with a folder where the log goes, the
    // entry is lost and nothing else happens.
    ErrorLog uninitialised;
    uninitialised.logError(u"p"_qs, u"m"_qs, 1, u"d"_qs);
    EXPECT_TRUE(uninitialised.logFilePath().isEmpty());

    test::ScopedErrorLog scoped;
    const QString logPath = errorLog().logFilePath();
    QFile::remove(logPath);
    QDir().mkpath(logPath);
    logError(u"p"_qs, u"m"_qs, 1, u"d"_qs);
    EXPECT_TRUE(QFileInfo(logPath).isDir());
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
    initialiseWith(u"524288"_qs, u"6"_qs);
}

TEST(ErrorLog, LinesHaveTheFixedFormat)
{
    EXPECT_EQ(ErrorLog::formatLine(kWhen, u"Saving"_qs, u"Create Pack"_qs, 53, u"File not found"_qs),
              QByteArray("[12-04-2026 - 21:13:41] - [Saving][Create Pack] - 53 - File not found\r\n"));
    EXPECT_EQ(ErrorLog::formatLine(QDateTime(QDate(2027, 1, 2), QTime(3, 4, 5)), u"a\u20AC"_qs, QString(), -2147221504,
                                   u"[x] - y"_qs),
              QByteArray("[01-02-2027 - 03:04:05] - [a\x80][] - -2147221504 - [x] - y\r\n"));

    test::ScopedErrorLog scoped;
    scoped.setClock(kWhen);
    logError(u"Delete Lab Folder"_qs, u"DeleteFolder"_qs, -5, u"gone"_qs);
    logError(u"p"_qs, u"m"_qs, 0, QString());
    EXPECT_EQ(scoped.lines(), QStringList({u"[12-04-2026 - 21:13:41] - [Delete Lab Folder][DeleteFolder] - -5 - gone"_qs,
                                           u"[12-04-2026 - 21:13:41] - [p][m] - 0 - "_qs}));
}

TEST(ErrorLog, RotatesOnceTheLogHasReachedItsLimit)
{
    test::ScopedErrorLog scoped;
    scoped.setClock(kWhen);
    const QString logPath = errorLog().logFilePath();
    const QString folder = QFileInfo(logPath).path();
    const QByteArray almost(524287, 'x');

    writeFile(logPath, almost);
    logError(u"p"_qs, u"m"_qs, 1, u"d"_qs);
    const QByteArray line = ErrorLog::formatLine(kWhen, u"p"_qs, u"m"_qs, 1, u"d"_qs);
    EXPECT_EQ(readFile(logPath), almost + line);
    EXPECT_TRUE(QDir(folder).entryList({u"vesk_*"_qs}).isEmpty());

    const QByteArray full = almost + 'x';
    writeFile(logPath, full);
    logError(u"p"_qs, u"m"_qs, 1, u"d"_qs);
    EXPECT_EQ(readFile(logPath), line);
    EXPECT_EQ(readFile(folder + u"/vesk_12-04-2026_21-13-41.log"_qs), full);

    // A second rotation within the same second keeps the first archive.
    writeFile(logPath, full + "second");
    logError(u"p"_qs, u"m"_qs, 1, u"d"_qs);
    EXPECT_EQ(readFile(folder + u"/vesk_12-04-2026_21-13-41.log"_qs), full);
    EXPECT_EQ(readFile(folder + u"/vesk_12-04-2026_21-13-41_2.log"_qs), full + "second");
}

TEST(ErrorLog, CleanUpDeletesTheSurplusInEnumerationOrder)
{
    test::ScopedErrorLog scoped;
    scoped.setClock(kWhen);
    const QString logPath = errorLog().logFilePath();
    const QString folder = QFileInfo(logPath).path() + u'/';
    QStringList older;
    for (int i = 1; i <= 7; ++i) {
        older << u"vesk_01-0%1-2026_10-00-00.log"_qs.arg(i);
        writeFile(folder + older.last(), "old");
    }
    writeFile(folder + u"keep_me.log"_qs, "not an archive");
    // Deliberately neither name nor time order: only the enumeration order may decide.
    const QStringList enumerated = {older[4], older[1], older[6], older[0], older[3], older[5], older[2]};
    errorLog().setArchiveLister([&](const QString &) {
        return QStringList{enumerated[0], enumerated[1], u"vesk_12-04-2026_21-13-41.log"_qs}
            + enumerated.mid(2);
    });

    writeFile(logPath, QByteArray(524288, 'x'));
    logError(u"p"_qs, u"m"_qs, 1, u"d"_qs);

    EXPECT_FALSE(QFileInfo::exists(folder + enumerated[0]));
    EXPECT_FALSE(QFileInfo::exists(folder + enumerated[1]));
    for (const QString &name : enumerated.mid(2))
        EXPECT_TRUE(QFileInfo::exists(folder + name)) << qPrintable(name);
    EXPECT_TRUE(QFileInfo::exists(folder + u"vesk_12-04-2026_21-13-41.log"_qs));
    EXPECT_TRUE(QFileInfo::exists(folder + u"keep_me.log"_qs));
    EXPECT_TRUE(QFileInfo::exists(logPath));
}
