#include "LanguageSource.h"
#include "startup/LanguageTable.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace fendrel;
using fendrel::test::writeFile;

namespace {

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

} // namespace

TEST(LanguageTable, GeneratedFileAndHeaderHoldEverySourceEntryUnderItsNumberAndName)
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
}

TEST(LanguageTable, SourceReaderRefusesWhatCannotBecomeAnEntryName)
{
    using lang::parseLanguageSource;
    const auto refusal = [](std::string_view source) {
        const lang::SourceResult result = parseLanguageSource(source);
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

    const lang::SourceResult good = parseLanguageSource("# c\r\n7\tSeven\tline\\none \\\\ two\t3 \r\n\n9\tNine\t\n");
    ASSERT_TRUE(good.error.empty()) << good.error;
    ASSERT_EQ(good.entries.size(), 2u);
    EXPECT_EQ(good.entries[0].number, 7);
    EXPECT_EQ(good.entries[0].name, "Seven");
    EXPECT_EQ(good.entries[0].text, "line\r\none \\ two\t3 ");
    EXPECT_EQ(good.entries[1].line, 4);
    EXPECT_EQ(good.entries[1].text, "");
}

TEST(LanguageTable, SizingFollowsTheNumberOfRecords)
{
    LanguageTable table;
    table.fill({record(u"1"_qs, u"one"_qs), record(u"2"_qs, u"two"_qs), record(u"3"_qs, u"three"_qs),
                record(u"4"_qs, u"four"_qs), record(u"5"_qs, u"five"_qs)});
    EXPECT_EQ(table.size(), 7);
    EXPECT_EQ(table.text(5), u"five"_qs);
    for (int n : {0, 6})
        EXPECT_EQ(table.text(n), QString()) << n;

    // In a five-record file 6 is the last entry; 7, words, fractions and negatives are skipped.
    table.fill({record(u"7"_qs, u"seven"_qs), record(u" 6 "_qs, u"  six "_qs), record(u"abc"_qs, u"x"_qs),
                record(u"-1"_qs, u"x"_qs), record(u"2.5"_qs, u"x"_qs)});
    EXPECT_EQ(table.size(), 7);
    EXPECT_EQ(table.text(6), u"six"_qs);
    for (int n : {-1, 0, 1, 2, 3, 4, 5, 7})
        EXPECT_EQ(table.text(n), QString()) << n;
}

TEST(LanguageTable, RecordsKeepEveryFieldAndDamagedTailsAreIgnored)
{
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

TEST(LanguageTable, LoadLooksBesideTheProgramThenInTheShareFolder)
{
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
}
