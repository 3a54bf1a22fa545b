#include "catalogue/Ini.h"
#include "support/TestSupport.h"

#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace fendrel;
using test::readFile;
using test::writeFile;

namespace {

struct IniFile {
    QTemporaryDir dir;
    QString path = dir.path() + QStringLiteral("/test.ini");
    QByteArray bytes() const { return readFile(path); }
};

QString pick(QRandomGenerator &random, const QStringList &choices)
{
    return choices.at(random.bounded(static_cast<int>(choices.size())));
}

// The first six make an orderly catalogue; the rest are every shape a hand-edited file can hold.
const QStringList kLineShapes = {
    QStringLiteral("[GENERAL]"),    QStringLiteral("tabtitle=T"),   QStringLiteral("[SECTION0]"),
    QStringLiteral("lab0=A"),       QStringLiteral("LAB0=dup"),     QStringLiteral("nwcfile0=g"),
    QStringLiteral("[section1]"),   QStringLiteral("x[SECTION1]y"), QStringLiteral("[[SECTION0]"),
    QStringLiteral("[ SECTION2 ]"), QStringLiteral("[]"),           QStringLiteral("LAB0=B = c"),
    QStringLiteral("lab0 =C"),      QStringLiteral("lab10=D"),      QStringLiteral("loadnwcfile0=F"),
    QStringLiteral("=G"),           QStringLiteral("junk"),         QStringLiteral("sku=  H  "),
    QStringLiteral("desc=[not] a header"), QStringLiteral("   "),  QStringLiteral("mode=testsim\t"),
};
const QStringList kSections = {QStringLiteral("General"),   QStringLiteral("Section0"),   QStringLiteral("section1"),
                               QStringLiteral("SECTION2"),  QStringLiteral(" Section2 "), QStringLiteral("Section10"),
                               QStringLiteral("[Section0]"), QStringLiteral("Section3"),  QString()};
const QStringList kKeys = {QStringLiteral("Lab0"),     QStringLiteral("lab1"),         QStringLiteral("Lab10"),
                           QStringLiteral("NWCFile0"), QStringLiteral("LoadNWCFile0"), QStringLiteral("Sku"),
                           QStringLiteral("Sku0"),     QStringLiteral("desc"),         QStringLiteral("mode"),
                           QStringLiteral("a=b"),      QStringLiteral(" SectionName "), QString()};
const QStringList kValues = {QString(),
                             QStringLiteral("x"),
                             QStringLiteral("  padded  "),
                             QStringLiteral("a=b=c"),
                             QStringLiteral("C:\\labs\\one.pdf"),
                             QStringLiteral("[SECTION1]"),
                             QStringLiteral("half [bracket"),
                             QStringLiteral("two\r\nlines"),
                             QStringLiteral("caf\u00E9")};

} // namespace

TEST(Ini, WritesHeadersUpperKeysLowerAndDropsEqualsAndSpaces)
{
    IniFile f;
    writeIni(QStringLiteral("General"), QStringLiteral("TabTitle"), QString(), f.path);
    writeIni(QStringLiteral("general"), QStringLiteral("Sku"), QString(), f.path);
    writeIni(QStringLiteral("Section0"), QStringLiteral("SectionName"), QStringLiteral("  Routing  "), f.path);
    writeIni(QStringLiteral("Section0"), QStringLiteral("Description0"), QStringLiteral("a=b"), f.path);
    EXPECT_EQ(f.bytes(), QByteArray("[GENERAL]\r\ntabtitle=\r\n[SECTION0]\r\nsectionname=Routing\r\ndescription0=ab\r\n"));

    EXPECT_EQ(readIni(QStringLiteral("SECTION0"), QStringLiteral("sectionNAME"), f.path), QStringLiteral("Routing"));
    EXPECT_EQ(readIni(QStringLiteral("Section0"), QStringLiteral("Description0"), f.path), QStringLiteral("ab"));
    EXPECT_EQ(readIni(QStringLiteral("Section7"), QStringLiteral("SectionName"), f.path, QStringLiteral("d")), QString());
    EXPECT_EQ(readIni(QStringLiteral("General"), QStringLiteral("Sku"), f.path, QStringLiteral("d")), QString());

    // Writing into a section that has a successor inserts before the next header; an empty value
    // empties the key's line.
    writeIni(QStringLiteral("General"), QStringLiteral("Sku"), QStringLiteral("0100000"), f.path);
    writeIni(QStringLiteral("General"), QStringLiteral("TabTitle"), QStringLiteral("CCNA"), f.path);
    writeIni(QStringLiteral("Section0"), QStringLiteral("Description0"), QString(), f.path);
    EXPECT_EQ(f.bytes(), QByteArray("[GENERAL]\r\ntabtitle=CCNA\r\nsku=0100000\r\n[SECTION0]\r\nsectionname=Routing\r\n"));

    // An empty key removes the section with its keys.
    writeIni(QStringLiteral("Section1"), QStringLiteral("SectionName"), QStringLiteral("Switching"), f.path);
    writeIni(QStringLiteral("Section0"), QString(), QString(), f.path);
    EXPECT_EQ(f.bytes(), QByteArray("[GENERAL]\r\ntabtitle=CCNA\r\nsku=0100000\r\n[SECTION1]\r\nsectionname=Switching\r\n"));
}

TEST(Ini, EmptyFilesGiveTheDefaultAndMissingKeysTheEmptyText)
{
    IniFile f;
    EXPECT_EQ(readIni(QStringLiteral("General"), QStringLiteral("TabTitle"), f.path, QStringLiteral(" dflt ")), QStringLiteral("dflt"));
    writeFile(f.path, "\r\n   \r\n");
    EXPECT_EQ(readIni(QStringLiteral("General"), QStringLiteral("TabTitle"), f.path, QStringLiteral("dflt")), QStringLiteral("dflt"));
    EXPECT_EQ(readIniInt(QStringLiteral("General"), QStringLiteral("N"), f.path, 7), 7);
    writeFile(f.path, "[SECTION0]\r\nnumberofentries=abc\r\ncount=12\r\nbig=70000\r\n");
    EXPECT_EQ(readIniInt(QStringLiteral("Section0"), QStringLiteral("NumberOfEntries"), f.path, 0), 0);
    EXPECT_EQ(readIniInt(QStringLiteral("Section0"), QStringLiteral("Count"), f.path, 0), 12);
    EXPECT_EQ(readIniInt(QStringLiteral("Section0"), QStringLiteral("big"), f.path, -1), -1);
    EXPECT_EQ(readIni(QStringLiteral("Section9"), QStringLiteral("count"), f.path, QStringLiteral("dflt")), QString());
}

TEST(Ini, AKeyNeverMatchesTheLineOfALongerKey)
{
    IniFile f;
    writeFile(f.path, "[SECTION0]\r\nloadnwcfile0=/l.nwc\r\nlab10=Ten\r\n[SECTION1]\r\nnwcfile0=/other.nwc\r\n");
    EXPECT_EQ(readIni(QStringLiteral("Section0"), QStringLiteral("NWCFile0"), f.path), QString());
    EXPECT_EQ(readIni(QStringLiteral("Section0"), QStringLiteral("Lab1"), f.path), QString());
    writeIni(QStringLiteral("Section0"), QStringLiteral("NWCFile0"), QStringLiteral("/g.nwc"), f.path);
    writeIni(QStringLiteral("Section0"), QStringLiteral("Lab1"), QStringLiteral("One"), f.path);
    EXPECT_EQ(f.bytes(), QByteArray("[SECTION0]\r\nloadnwcfile0=/l.nwc\r\nlab10=Ten\r\nnwcfile0=/g.nwc\r\nlab1=One\r\n"
                                    "[SECTION1]\r\nnwcfile0=/other.nwc\r\n"));
    EXPECT_EQ(readIni(QStringLiteral("Section0"), QStringLiteral("LoadNWCFile0"), f.path), QStringLiteral("/l.nwc"));
    EXPECT_EQ(readIni(QStringLiteral("Section0"), QStringLiteral("NWCFile0"), f.path), QStringLiteral("/g.nwc"));
    EXPECT_EQ(readIni(QStringLiteral("Section0"), QStringLiteral("Lab10"), f.path), QStringLiteral("Ten"));
}

TEST(Ini, SnapshotAndDocumentDoExactlyWhatTheCallsOnDiskDo)
{
    QRandomGenerator random(20261205);
    IniFile f;
    for (int round = 0; round < 300; ++round) {
        // Half the files are orderly catalogues, the others anything at all.
        QByteArray content;
        const bool orderly = round % 2 == 0;
        const int lines = random.bounded(0, 14);
        for (int i = 0; i < lines; ++i) {
            content += (orderly ? kLineShapes.at(i % 6) : pick(random, kLineShapes)).toLatin1();
            content += random.bounded(4) == 0 ? "\n" : "\r\n";
        }
        writeFile(f.path, content);
        const IniSnapshot snapshot = IniSnapshot::fromFile(f.path);
        for (const QString &section : kSections) {
            for (const QString &key : kKeys) {
                ASSERT_EQ(snapshot.read(section, key, QStringLiteral("dflt")), readIni(section, key, f.path, QStringLiteral("dflt")))
                    << qPrintable(QString::fromLatin1(content)) << " | " << qPrintable(section) << " | " << qPrintable(key);
            }
        }

        // Read and written back as writeIni would, so that rounds of reads alone compare too.
        writeFile(f.path, iniFileBytes(readLines(f.path)));
        IniDocument document = IniDocument::fromFile(f.path);
        const int operations = random.bounded(1, 40);
        for (int i = 0; i < operations; ++i) {
            const QString section = random.bounded(4) == 0 ? pick(random, kSections) : QStringLiteral("Section%1").arg(i / 8);
            const QString key = random.bounded(12) == 0 ? QString() : pick(random, kKeys);
            if (random.bounded(3) == 0) {
                ASSERT_EQ(document.read(section, key, QStringLiteral("d")), readIni(section, key, f.path, QStringLiteral("d")))
                    << "round " << round << " op " << i;
                continue;
            }
            const QString value = pick(random, kValues);
            document.write(section, key, value);
            writeIni(section, key, value, f.path);
        }
        ASSERT_EQ(iniFileBytes(document.lines()), f.bytes()) << "round " << round;
    }
}
