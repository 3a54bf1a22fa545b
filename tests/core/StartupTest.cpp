// What start-up sets up before any window: the folders the program works in (and the removal of
// a package folder), the language table and the error log.

#include "LanguageSource.h"
#include "errorlog/ErrorLog.h"
#include "loader/DeleteFolder.h"
#include "startup/Folders.h"
#include "startup/LanguageTable.h"
#include "startup/Settings.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace fendrel;
using test::readFile;
using test::writeFile;

namespace {

struct Machine {
    QTemporaryDir dir;
    ShellFolders shell() const
    {
        return {dir.path() + u"/common"_qs, dir.path() + u"/Documents"_qs, dir.path() + u"/tmp"_qs};
    }
    Machine()
    {
        for (const QString &f : {u"/common"_qs, u"/Documents"_qs, u"/tmp"_qs})
            QDir().mkpath(dir.path() + f);
    }
};

// A package folder with nested, hidden and linked entries.
QString makeTree(const QTemporaryDir &dir)
{
    const QString root = dir.path() + u"/CompilerLabs"_qs;
    QDir().mkpath(root + u"/Routing/OSPF/deep"_qs);
    test::writeFile(root + u"/Fendrel.ini"_qs, "x");
    test::writeFile(root + u"/Routing/OSPF/deep/a.top"_qs, "y");
    test::writeFile(root + u"/Routing/.hidden"_qs, "z");
    QFile::link(dir.path(), root + u"/Routing/link-outside"_qs);
    return root;
}

LanguageRecord record(const QString &number, const QString &english)
{
    LanguageRecord r;
    r.number = number;
    r.english = english;
    return r;
}

QByteArray fileOf(const QList<LanguageRecord> &records)
{
    QByteArray bytes;
    for (const auto &r : records)
        bytes += serializeLanguageRecord(r);
    return bytes;
}

// "Name = number" of every enumerator in the generated header.
QMap<QString, int> readHeaderEnumerators()
{
    QMap<QString, int> enumerators;
    QFile header(QStringLiteral(FENDREL_LANGUAGE_HEADER));
    EXPECT_TRUE(header.open(QIODevice::ReadOnly | QIODevice::Text));
    const QRegularExpression line(u"^\\s*(\\w+) = (\\d+),$"_qs);
    for (const QString &text : QString::fromUtf8(header.readAll()).split(u'\n')) {
        const QRegularExpressionMatch match = line.match(text);
        if (match.hasMatch())
            enumerators.insert(match.captured(1), match.captured(2).toInt());
    }
    return enumerators;
}

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

TEST(Folders, AreMadeFoundFallBackGiveWayToAnOverrideAndPackageFoldersAreRemovedOrKept)
{
    Machine m;
    const Folders f = Folders::resolve(u"/opt/fendrel/bin"_qs, m.shell(), {});
    EXPECT_EQ(f.program, u"/opt/fendrel/bin/"_qs);
    EXPECT_EQ(f.appData, m.dir.path() + u"/common/Zelvan Software/Fendrel/"_qs);
    EXPECT_EQ(f.documents, m.dir.path() + u"/Documents/"_qs);
    EXPECT_EQ(f.labs, m.dir.path() + u"/Documents/Zelvan Nodara Labs"_qs);
    EXPECT_EQ(f.pathSeparator, u"/"_qs);
    EXPECT_TRUE(QFileInfo(f.appData).isDir());
    EXPECT_TRUE(QFileInfo(f.labs).isDir());
    EXPECT_FALSE(QFileInfo::exists(m.dir.path() + u"/common/permit.per"_qs));

    // A program folder reported at the root already ends with the separator.
    EXPECT_EQ(Folders::resolve(u"/"_qs, m.shell(), {}).pathSeparator, QString());

    // Folders already there are found whatever their letter case.
    Machine other;
    QDir().mkpath(other.dir.path() + u"/common/ZELVAN software/fendrel"_qs);
    QDir().mkpath(other.dir.path() + u"/Documents/zelvan nodara labs"_qs);
    const Folders found = Folders::resolve(u"/x"_qs, other.shell(), {});
    EXPECT_EQ(found.appData, other.dir.path() + u"/common/ZELVAN software/fendrel/"_qs);
    EXPECT_EQ(found.labs, other.dir.path() + u"/Documents/zelvan nodara labs"_qs);
    EXPECT_EQ(QDir(other.dir.path() + u"/Documents"_qs).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size(), 1);

    Machine blocked;
    ShellFolders shell = blocked.shell();
    // A file where the folder should be: nothing can be created in it, even by root.
    shell.commonAppData = blocked.dir.path() + u"/blocked"_qs;
    test::writeFile(shell.commonAppData, "x");
    EXPECT_FALSE(DirChecker::isWritable(shell.commonAppData));
    const DirChecker checker(shell);
    EXPECT_EQ(checker.getPath(u"App"_qs, u"Zelvan Software"_qs, u"Fendrel"_qs),
              blocked.dir.path() + u"/tmp/Zelvan Software/Fendrel/"_qs);

    // A stale probe file that cannot be removed (it is a folder) also means "not writable".
    QDir().mkpath(blocked.dir.path() + u"/stale/permit.per/inner"_qs);
    EXPECT_FALSE(DirChecker::isWritable(blocked.dir.path() + u"/stale"_qs));
    EXPECT_TRUE(DirChecker::isWritable(blocked.dir.path() + u"/common"_qs));

    EXPECT_EQ(checker.getPath(u"Elsewhere"_qs), QString());
    EXPECT_EQ(checker.getPath(u"User"_qs), blocked.dir.path() + u"/Documents/"_qs);

    // A data folder given replaces the whole application data folder.
    Machine overridden;
    const QString data = overridden.dir.path() + u"/mine/data"_qs;
    const Folders given = Folders::resolve(u"/x"_qs, overridden.shell(), data);
    EXPECT_EQ(given.appData, data + u'/');
    EXPECT_TRUE(QFileInfo(data).isDir());
    EXPECT_FALSE(QFileInfo::exists(overridden.dir.path() + u"/common/Zelvan Software"_qs));

    qputenv("FENDREL_DATA_DIR", (overridden.dir.path() + u"/env"_qs).toLocal8Bit());
    EXPECT_EQ(Folders::resolve(u"/x"_qs, overridden.shell(), {}).appData, overridden.dir.path() + u"/env/"_qs);
    EXPECT_EQ(Folders::resolve(u"/x"_qs, overridden.shell(), data).appData, data + u'/');
    qunsetenv("FENDREL_DATA_DIR");

    // A package folder is removed with all it holds, or the failure is said and the folder kept.
    test::ScopedErrorLog log;
    test::ScriptedPrompter prompter;
    for (const QString &suffix : {QString(), u"/"_qs}) {
        QTemporaryDir dir;
        const QString root = makeTree(dir);
        test::writeFile(dir.path() + u"/outside.txt"_qs, "kept");
        deleteLabFolder(root + suffix, prompter);
        EXPECT_FALSE(QFileInfo::exists(root)) << qPrintable(suffix);
        // The symbolic link went, not what it pointed at.
        EXPECT_TRUE(QFileInfo::exists(dir.path() + u"/outside.txt"_qs));
    }
    deleteLabFolder(u"/nonexistent/CompilerLabs"_qs, prompter);
    EXPECT_TRUE(prompter.shown.isEmpty());
    EXPECT_TRUE(log.lines().isEmpty());

    QTemporaryDir dir;
    const QString root = makeTree(dir);
    deleteLabFolder(root, prompter, [](const QString &) { return RemovalResult{5, u"Access is denied"_qs}; });
    EXPECT_TRUE(QFileInfo(root).isDir());
    ASSERT_EQ(prompter.shown.size(), 1);
    EXPECT_EQ(prompter.shown[0].text, langText(LangEntry::FolderNotDeletedMessage) + root);
    EXPECT_EQ(prompter.shown[0].icon, MessageIcon::Exclamation);
    EXPECT_EQ(log.entries(), QStringList{u"[Delete Lab Folder][DeleteFolder] - 5 - Access is denied"_qs});
}

TEST(LanguageTable, TheSourceBecomesFileAndHeaderAndTheFileIsReadAsItsRecordsSay)
{
    const QByteArray source = test::readFile(QStringLiteral(FENDREL_LANGUAGE_SOURCE));
    const lang::SourceResult parsed = lang::parseLanguageSource({source.constData(), static_cast<std::size_t>(source.size())});
    ASSERT_TRUE(parsed.error.empty()) << parsed.error;
    QList<int> numbers;
    for (const lang::SourceEntry &entry : parsed.entries)
        numbers << entry.number;
    for (int n = 2; n <= 129; ++n)
        EXPECT_TRUE(numbers.contains(n)) << "entry " << n << " has no text";

    LanguageTable table;
    ASSERT_TRUE(table.loadFile(QStringLiteral(FENDREL_LANGUAGE_FILE)));
    const QMap<QString, int> enumerators = readHeaderEnumerators();
    EXPECT_EQ(enumerators.size(), numbers.size());
    for (const lang::SourceEntry &entry : parsed.entries) {
        EXPECT_EQ(table.text(entry.number), QString::fromStdString(entry.text).trimmed()) << "entry " << entry.number;
        EXPECT_EQ(enumerators.value(QString::fromStdString(entry.name), -1), entry.number) << entry.name;
    }

    // The source reader refuses what cannot become an entry name.
    const auto refusal = [](std::string_view text) {
        const lang::SourceResult result = lang::parseLanguageSource(text);
        EXPECT_TRUE(result.entries.empty());
        return std::to_string(result.errorLine) + ": " + result.error;
    };
    EXPECT_EQ(refusal("2\tFirst\ta\n\n# note\n3\tFirst\tb\n"), "4: the name First is given twice");
    EXPECT_EQ(refusal("2\tFirst\ta\n2\tSecond\tb\n"), "2: entry 2 is given twice");
    EXPECT_EQ(refusal("2\tfirst\ta\n"), "1: the name \"first\" is not UpperCamelCase (a capital letter, then "
                                         "letters and digits only)");
    EXPECT_TRUE(refusal("2\tFirst_Two\ta\n").starts_with("1: the name \"First_Two\" is not UpperCamelCase"));
    EXPECT_TRUE(refusal("2\t\ta\n").starts_with("1: the name \"\" is not UpperCamelCase"));
    // The old format, without a name, must not slip through with its text taken for a name.
    EXPECT_EQ(refusal("2\tAdd Lab\n"), "1: expected an entry number, a TAB, a name, a TAB and the text");
    EXPECT_EQ(refusal("-2\tFirst\ta\n"), "1: \"-2\" is not an entry number");
    EXPECT_EQ(refusal("2x\tFirst\ta\n"), "1: \"2x\" is not an entry number");
    EXPECT_EQ(refusal("2\tFirst\ta\\tb\n"), "1: only \\n and \\\\ may follow a backslash");

    const lang::SourceResult good =
        lang::parseLanguageSource("# c\r\n7\tSeven\tline\\none \\\\ two\t3 \r\n\n9\tNine\t\n");
    ASSERT_TRUE(good.error.empty()) << good.error;
    ASSERT_EQ(good.entries.size(), 2u);
    EXPECT_EQ(good.entries[0].number, 7);
    EXPECT_EQ(good.entries[0].name, "Seven");
    EXPECT_EQ(good.entries[0].text, "line\r\none \\ two\t3 ");
    EXPECT_EQ(good.entries[1].line, 4);
    EXPECT_EQ(good.entries[1].text, "");

    // A load looks beside the program, then in the share folder.
    QTemporaryDir root;
    const QString bin = root.path() + u"/bin"_qs;
    QDir().mkpath(bin);
    QString error;
    EXPECT_FALSE(loadLanguageTable(bin, &error));
    EXPECT_TRUE(error.contains(u"lclang.bdb"_qs)) << qPrintable(error);

    QDir().mkpath(root.path() + u"/share/fendrel"_qs);
    writeFile(root.path() + u"/share/fendrel/lclang.bdb"_qs, fileOf({record(u"1"_qs, u"installed"_qs)}));
    ASSERT_TRUE(loadLanguageTable(bin, &error));
    EXPECT_EQ(languageTable().text(1), u"installed"_qs);

    writeFile(bin + u"/lclang.bdb"_qs, fileOf({record(u"1"_qs, u"beside"_qs)}));
    ASSERT_TRUE(loadLanguageTable(bin + u'/', &error));
    EXPECT_EQ(languageTable().text(1), u"beside"_qs);

    // Sizing follows the number of records, which keep every field; damaged tails are ignored.
    LanguageTable sized;
    sized.fill({record(u"1"_qs, u"one"_qs), record(u"2"_qs, u"two"_qs), record(u"3"_qs, u"three"_qs),
                record(u"4"_qs, u"four"_qs), record(u"5"_qs, u"five"_qs)});
    EXPECT_EQ(sized.size(), 7);
    EXPECT_EQ(sized.text(5), u"five"_qs);
    for (int n : {0, 6})
        EXPECT_EQ(sized.text(n), QString()) << n;

    // In a five-record file 6 is the last entry; 7, words, fractions and negatives are skipped.
    sized.fill({record(u"7"_qs, u"seven"_qs), record(u" 6 "_qs, u"  six "_qs), record(u"abc"_qs, u"x"_qs),
                record(u"-1"_qs, u"x"_qs), record(u"2.5"_qs, u"x"_qs)});
    EXPECT_EQ(sized.size(), 7);
    EXPECT_EQ(sized.text(6), u"six"_qs);
    for (int n : {-1, 0, 1, 2, 3, 4, 5, 7})
        EXPECT_EQ(sized.text(n), QString()) << n;

    // Records keep every field; damaged tails are ignored.
    LanguageRecord full = record(u"3"_qs, u"Caf\u00E9 \u20AC"_qs);
    full.note = u"note"_qs;
    full.spanish = u"es"_qs;
    full.portuguese = u"pt"_qs;
    full.korean = QByteArray("\x5C\xD5", 2);
    full.japanese = QByteArray("\x42\x30\x44\x30", 4);
    const QByteArray one = serializeLanguageRecord(full);
    // 5 texts with 2-byte lengths, 2 arrays with 10-byte headers
    ASSERT_EQ(one.size(), 5 * 2 + 1 + 4 + 6 + 2 + 2 + 2 * 10 + 2 + 4);
    EXPECT_EQ(one.left(3), QByteArray("\x01\x00" "3", 3));

    const QList<LanguageRecord> back = parseLanguageRecords(one + one);
    ASSERT_EQ(back.size(), 2);
    EXPECT_EQ(back[1].english, full.english);
    EXPECT_EQ(back[1].korean, full.korean);
    EXPECT_EQ(back[1].japanese, full.japanese);
    EXPECT_EQ(back[1].portuguese, full.portuguese);

    // Every cut inside the second record leaves exactly one complete record.
    for (qsizetype cut = 1; cut < one.size(); ++cut)
        ASSERT_EQ(parseLanguageRecords(one + one.left(cut)).size(), 1) << "cut " << cut;

    // Lengths that claim more than the file holds, and arrays with two dimensions, end the list.
    QByteArray lying = one;
    lying[0] = '\xFF';
    lying[1] = '\xFF';
    EXPECT_TRUE(parseLanguageRecords(lying).isEmpty());
    QByteArray hugeArray = one;
    const qsizetype koreanCountAt = 25 + 2; // after five texts of 3, 6, 8, 4 and 4 bytes, and the dimension count
    hugeArray[koreanCountAt + 3] = '\x7F';
    EXPECT_TRUE(parseLanguageRecords(one + hugeArray).size() == 1);
    QByteArray twoDimensions = one;
    twoDimensions[koreanCountAt - 2] = '\x02';
    EXPECT_TRUE(parseLanguageRecords(twoDimensions).isEmpty());
}

TEST(ErrorLog, AFreshLogIsMadeFallsBackNeverFailsItsCallerMendsItsSettingsRotatesAndCleansUp)
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

    // Settings out of range are rewritten to the defaults.
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

    // Lines have the fixed format, and the log rotates once it has reached its limit.
    EXPECT_EQ(ErrorLog::formatLine(kWhen, u"Saving"_qs, u"Create Pack"_qs, 53, u"File not found"_qs),
              QByteArray("[12-04-2026 - 21:13:41] - [Saving][Create Pack] - 53 - File not found\r\n"));
    EXPECT_EQ(ErrorLog::formatLine(QDateTime(QDate(2027, 1, 2), QTime(3, 4, 5)), u"a\u20AC"_qs, QString(), -2147221504,
                                   u"[x] - y"_qs),
              QByteArray("[01-02-2027 - 03:04:05] - [a\x80][] - -2147221504 - [x] - y\r\n"));

    test::ScopedErrorLog clocked;
    clocked.setClock(kWhen);
    logError(u"Delete Lab Folder"_qs, u"DeleteFolder"_qs, -5, u"gone"_qs);
    logError(u"p"_qs, u"m"_qs, 0, QString());
    EXPECT_EQ(clocked.lines(), QStringList({u"[12-04-2026 - 21:13:41] - [Delete Lab Folder][DeleteFolder] - -5 - gone"_qs,
                                           u"[12-04-2026 - 21:13:41] - [p][m] - 0 - "_qs}));

    const QString clockedPath = errorLog().logFilePath();
    const QString folder = QFileInfo(clockedPath).path();
    const QByteArray almost(524287, 'x');

    writeFile(clockedPath, almost);
    logError(u"p"_qs, u"m"_qs, 1, u"d"_qs);
    const QByteArray line = ErrorLog::formatLine(kWhen, u"p"_qs, u"m"_qs, 1, u"d"_qs);
    EXPECT_EQ(readFile(clockedPath), almost + line);
    EXPECT_TRUE(QDir(folder).entryList({u"vesk_*"_qs}).isEmpty());

    const QByteArray full = almost + 'x';
    writeFile(clockedPath, full);
    logError(u"p"_qs, u"m"_qs, 1, u"d"_qs);
    EXPECT_EQ(readFile(clockedPath), line);
    EXPECT_EQ(readFile(folder + u"/vesk_12-04-2026_21-13-41.log"_qs), full);

    // A second rotation within the same second keeps the first archive.
    writeFile(clockedPath, full + "second");
    logError(u"p"_qs, u"m"_qs, 1, u"d"_qs);
    EXPECT_EQ(readFile(folder + u"/vesk_12-04-2026_21-13-41.log"_qs), full);
    EXPECT_EQ(readFile(folder + u"/vesk_12-04-2026_21-13-41_2.log"_qs), full + "second");

    // Clean-up deletes the surplus archives in enumeration order.
    test::ScopedErrorLog cleaning;
    cleaning.setClock(kWhen);
    const QString cleanPath = errorLog().logFilePath();
    const QString cleanFolder = QFileInfo(cleanPath).path() + u'/';
    QStringList older;
    for (int i = 1; i <= 7; ++i) {
        older << u"vesk_01-0%1-2026_10-00-00.log"_qs.arg(i);
        writeFile(cleanFolder + older.last(), "old");
    }
    writeFile(cleanFolder + u"keep_me.log"_qs, "not an archive");
    // Deliberately neither name nor time order: only the enumeration order may decide.
    const QStringList enumerated = {older[4], older[1], older[6], older[0], older[3], older[5], older[2]};
    errorLog().setArchiveLister([&](const QString &) {
        return QStringList{enumerated[0], enumerated[1], u"vesk_12-04-2026_21-13-41.log"_qs}
            + enumerated.mid(2);
    });

    writeFile(cleanPath, QByteArray(524288, 'x'));
    logError(u"p"_qs, u"m"_qs, 1, u"d"_qs);

    EXPECT_FALSE(QFileInfo::exists(cleanFolder + enumerated[0]));
    EXPECT_FALSE(QFileInfo::exists(cleanFolder + enumerated[1]));
    for (const QString &name : enumerated.mid(2))
        EXPECT_TRUE(QFileInfo::exists(cleanFolder + name)) << qPrintable(name);
    EXPECT_TRUE(QFileInfo::exists(cleanFolder + u"vesk_12-04-2026_21-13-41.log"_qs));
    EXPECT_TRUE(QFileInfo::exists(cleanFolder + u"keep_me.log"_qs));
    EXPECT_TRUE(QFileInfo::exists(cleanPath));
}

