#include "startup/LanguageTable.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QMap>
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

// The source file read independently of the build tool: number, TAB, text with \n and \\ escapes.
QMap<int, QString> readSource()
{
    QMap<int, QString> entries;
    QFile source(QStringLiteral(FENDREL_LANGUAGE_SOURCE));
    EXPECT_TRUE(source.open(QIODevice::ReadOnly | QIODevice::Text));
    const QStringList lines = QString::fromUtf8(source.readAll()).split(u'\n');
    for (const QString &line : lines) {
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        const qsizetype tab = line.indexOf(u'\t');
        QString text = line.mid(tab + 1);
        text.replace(QStringLiteral("\\\\"), QStringLiteral("\x01"));
        text.replace(QStringLiteral("\\n"), QStringLiteral("\r\n"));
        text.replace(QStringLiteral("\x01"), QStringLiteral("\\"));
        entries.insert(line.left(tab).toInt(), text.trimmed());
    }
    return entries;
}

} // namespace

TEST(LanguageTable, GeneratedFileHoldsEverySourceEntryUnderItsNumber)
{
    const QMap<int, QString> source = readSource();
    ASSERT_GE(source.size(), 128);
    for (int n = 2; n <= 129; ++n)
        EXPECT_TRUE(source.contains(n)) << "entry " << n << " has no text";

    LanguageTable table;
    ASSERT_TRUE(table.loadFile(QStringLiteral(FENDREL_LANGUAGE_FILE)));
    for (auto it = source.begin(); it != source.end(); ++it)
        EXPECT_EQ(table.text(it.key()), it.value()) << "entry " << it.key();

    const QMap<int, QString> literals = {
        {4, QStringLiteral("Add Lab")},       {6, QStringLiteral("Edit Lab")},
        {8, QStringLiteral("Cancel")},        {22, QStringLiteral("Edit")},
        {23, QStringLiteral("Add Section")},  {31, QStringLiteral("Save")},
        {85, QStringLiteral("Add Section")},  {87, QStringLiteral("Edit Section")},
        {125, QStringLiteral("Save Section")}, {126, QStringLiteral("Save Lab")},
        {129, QStringLiteral("Save Edit Lab")},
    };
    for (auto it = literals.begin(); it != literals.end(); ++it)
        EXPECT_EQ(table.text(it.key()), it.value()) << "entry " << it.key();
}

TEST(LanguageTable, SizingFollowsTheNumberOfRecords)
{
    LanguageTable table;
    table.fill({record(QStringLiteral("1"), QStringLiteral("one")), record(QStringLiteral("2"), QStringLiteral("two")),
                record(QStringLiteral("3"), QStringLiteral("three")), record(QStringLiteral("4"), QStringLiteral("four")),
                record(QStringLiteral("5"), QStringLiteral("five"))});
    EXPECT_EQ(table.size(), 7);
    EXPECT_EQ(table.text(0), QString());
    EXPECT_EQ(table.text(5), QStringLiteral("five"));
    EXPECT_EQ(table.text(6), QString());

    // In a five-record file 6 is the last entry; 7, words, fractions and negatives are skipped.
    table.fill({record(QStringLiteral("7"), QStringLiteral("seven")), record(QStringLiteral(" 6 "), QStringLiteral("  six ")),
                record(QStringLiteral("abc"), QStringLiteral("x")), record(QStringLiteral("-1"), QStringLiteral("x")),
                record(QStringLiteral("2.5"), QStringLiteral("x"))});
    EXPECT_EQ(table.size(), 7);
    EXPECT_EQ(table.text(6), QStringLiteral("six"));
    for (int n : {0, 1, 2, 3, 4, 5})
        EXPECT_EQ(table.text(n), QString()) << n;
    EXPECT_EQ(table.text(7), QString());
    EXPECT_EQ(table.text(-1), QString());
}

TEST(LanguageTable, RecordsKeepEveryFieldAndDamagedTailsAreIgnored)
{
    LanguageRecord full = record(QStringLiteral("3"), QStringLiteral("Caf\u00E9 \u20AC"));
    full.note = QStringLiteral("note");
    full.spanish = QStringLiteral("es");
    full.portuguese = QStringLiteral("pt");
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
    const QString bin = root.path() + QStringLiteral("/bin");
    QDir().mkpath(bin);
    QString error;
    EXPECT_FALSE(loadLanguageTable(bin, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("lclang.bdb"))) << qPrintable(error);

    QDir().mkpath(root.path() + QStringLiteral("/share/fendrel"));
    writeFile(root.path() + QStringLiteral("/share/fendrel/lclang.bdb"),
              fileOf({record(QStringLiteral("1"), QStringLiteral("installed"))}));
    ASSERT_TRUE(loadLanguageTable(bin, &error));
    EXPECT_EQ(langText(1), QStringLiteral("installed"));

    writeFile(bin + QStringLiteral("/lclang.bdb"), fileOf({record(QStringLiteral("1"), QStringLiteral("beside"))}));
    ASSERT_TRUE(loadLanguageTable(bin + u'/', &error));
    EXPECT_EQ(langText(1), QStringLiteral("beside"));
}
