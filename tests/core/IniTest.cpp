#include "catalogue/Ini.h"
#include "text/Windows1252.h"
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
    QString path = dir.path() + u"/test.ini"_qs;
    QByteArray bytes() const { return readFile(path); }
};

QString pick(QRandomGenerator &random, const QStringList &choices)
{
    return choices.at(random.bounded(static_cast<int>(choices.size())));
}

// The first six make an orderly catalogue; the rest are every shape a hand-edited file can hold.
const QStringList kLineShapes = {
    u"[GENERAL]"_qs,    u"tabtitle=T"_qs,   u"[SECTION0]"_qs,
    u"lab0=A"_qs,       u"LAB0=dup"_qs,     u"nwcfile0=g"_qs,
    u"[section1]"_qs,   u"x[SECTION1]y"_qs, u"[[SECTION0]"_qs,
    u"[ SECTION2 ]"_qs, u"[]"_qs,           u"LAB0=B = c"_qs,
    u"lab0 =C"_qs,      u"lab10=D"_qs,      u"loadnwcfile0=F"_qs,
    u"=G"_qs,           u"junk"_qs,         u"sku=  H  "_qs,
    u"desc=[not] a header"_qs, u"   "_qs,  u"mode=testsim\t"_qs,
};
const QStringList kSections = {u"General"_qs,   u"Section0"_qs,   u"section1"_qs,
                               u"SECTION2"_qs,  u" Section2 "_qs, u"Section10"_qs,
                               u"[Section0]"_qs, u"Section3"_qs,  QString()};
const QStringList kKeys = {u"Lab0"_qs,     u"lab1"_qs,         u"Lab10"_qs,
                           u"NWCFile0"_qs, u"LoadNWCFile0"_qs, u"Sku"_qs,
                           u"Sku0"_qs,     u"desc"_qs,         u"mode"_qs,
                           u"a=b"_qs,      u" SectionName "_qs, QString()};
const QStringList kValues = {QString(),
                             u"x"_qs,
                             u"  padded  "_qs,
                             u"a=b=c"_qs,
                             u"C:\\labs\\one.pdf"_qs,
                             u"[SECTION1]"_qs,
                             u"half [bracket"_qs,
                             u"two\r\nlines"_qs,
                             u"caf\u00E9"_qs};

} // namespace

TEST(Ini, WritesHeadersUpperKeysLowerAndDropsEqualsAndSpaces)
{
    IniFile f;
    writeIni(u"General"_qs, u"TabTitle"_qs, QString(), f.path);
    writeIni(u"general"_qs, u"Sku"_qs, QString(), f.path);
    writeIni(u"Section0"_qs, u"SectionName"_qs, u"  Routing  "_qs, f.path);
    writeIni(u"Section0"_qs, u"Description0"_qs, u"a=b"_qs, f.path);
    EXPECT_EQ(f.bytes(), QByteArray("[GENERAL]\r\ntabtitle=\r\n[SECTION0]\r\nsectionname=Routing\r\ndescription0=ab\r\n"));

    EXPECT_EQ(readIni(u"SECTION0"_qs, u"sectionNAME"_qs, f.path), u"Routing"_qs);
    EXPECT_EQ(readIni(u"Section0"_qs, u"Description0"_qs, f.path), u"ab"_qs);
    EXPECT_EQ(readIni(u"Section7"_qs, u"SectionName"_qs, f.path, u"d"_qs), QString());
    EXPECT_EQ(readIni(u"General"_qs, u"Sku"_qs, f.path, u"d"_qs), QString());

    // Writing into a section that has a successor inserts before the next header; an empty value
    // empties the key's line.
    writeIni(u"General"_qs, u"Sku"_qs, u"0100000"_qs, f.path);
    writeIni(u"General"_qs, u"TabTitle"_qs, u"CCNA"_qs, f.path);
    writeIni(u"Section0"_qs, u"Description0"_qs, QString(), f.path);
    EXPECT_EQ(f.bytes(), QByteArray("[GENERAL]\r\ntabtitle=CCNA\r\nsku=0100000\r\n[SECTION0]\r\nsectionname=Routing\r\n"));

    // An empty key removes the section with its keys.
    writeIni(u"Section1"_qs, u"SectionName"_qs, u"Switching"_qs, f.path);
    writeIni(u"Section0"_qs, QString(), QString(), f.path);
    EXPECT_EQ(f.bytes(), QByteArray("[GENERAL]\r\ntabtitle=CCNA\r\nsku=0100000\r\n[SECTION1]\r\nsectionname=Switching\r\n"));
}

TEST(Ini, EmptyFilesGiveTheDefaultAndMissingKeysTheEmptyText)
{
    IniFile f;
    EXPECT_EQ(readIni(u"General"_qs, u"TabTitle"_qs, f.path, u" dflt "_qs), u"dflt"_qs);
    writeFile(f.path, "\r\n   \r\n");
    EXPECT_EQ(readIni(u"General"_qs, u"TabTitle"_qs, f.path, u"dflt"_qs), u"dflt"_qs);
    EXPECT_EQ(readIniInt(u"General"_qs, u"N"_qs, f.path, 7), 7);
    writeFile(f.path, "[SECTION0]\r\nnumberofentries=abc\r\ncount=12\r\nbig=70000\r\n");
    EXPECT_EQ(readIniInt(u"Section0"_qs, u"NumberOfEntries"_qs, f.path, 0), 0);
    EXPECT_EQ(readIniInt(u"Section0"_qs, u"Count"_qs, f.path, 0), 12);
    EXPECT_EQ(readIniInt(u"Section0"_qs, u"big"_qs, f.path, -1), -1);
    EXPECT_EQ(readIni(u"Section9"_qs, u"count"_qs, f.path, u"dflt"_qs), QString());
}

TEST(Ini, AKeyNeverMatchesTheLineOfALongerKey)
{
    IniFile f;
    writeFile(f.path, "[SECTION0]\r\nloadnwcfile0=/l.nwc\r\nlab10=Ten\r\n[SECTION1]\r\nnwcfile0=/other.nwc\r\n");
    EXPECT_EQ(readIni(u"Section0"_qs, u"NWCFile0"_qs, f.path), QString());
    EXPECT_EQ(readIni(u"Section0"_qs, u"Lab1"_qs, f.path), QString());
    writeIni(u"Section0"_qs, u"NWCFile0"_qs, u"/g.nwc"_qs, f.path);
    writeIni(u"Section0"_qs, u"Lab1"_qs, u"One"_qs, f.path);
    EXPECT_EQ(f.bytes(), QByteArray("[SECTION0]\r\nloadnwcfile0=/l.nwc\r\nlab10=Ten\r\nnwcfile0=/g.nwc\r\nlab1=One\r\n"
                                    "[SECTION1]\r\nnwcfile0=/other.nwc\r\n"));
    EXPECT_EQ(readIni(u"Section0"_qs, u"LoadNWCFile0"_qs, f.path), u"/l.nwc"_qs);
    EXPECT_EQ(readIni(u"Section0"_qs, u"NWCFile0"_qs, f.path), u"/g.nwc"_qs);
    EXPECT_EQ(readIni(u"Section0"_qs, u"Lab10"_qs, f.path), u"Ten"_qs);
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
                ASSERT_EQ(snapshot.read(section, key, u"dflt"_qs), readIni(section, key, f.path, u"dflt"_qs))
                    << qPrintable(QString::fromLatin1(content)) << " | " << qPrintable(section) << " | " << qPrintable(key);
            }
        }

        // Read and written back as writeIni would, so that rounds of reads alone compare too.
        writeFile(f.path, iniFileBytes(readLines(f.path)));
        IniDocument document = IniDocument::fromFile(f.path);
        const int operations = random.bounded(1, 40);
        for (int i = 0; i < operations; ++i) {
            const QString section = random.bounded(4) == 0 ? pick(random, kSections) : u"Section%1"_qs.arg(i / 8);
            const QString key = random.bounded(12) == 0 ? QString() : pick(random, kKeys);
            if (random.bounded(3) == 0) {
                ASSERT_EQ(document.read(section, key, u"d"_qs), readIni(section, key, f.path, u"d"_qs))
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

TEST(Windows1252, EveryByteSurvivesARoundTripAndOtherCharactersBecomeQuestionMarks)
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(static_cast<char>(b));
    const QString text = fromWindows1252(all);
    ASSERT_EQ(text.size(), 256);
    EXPECT_EQ(toWindows1252(text), all);
    EXPECT_EQ(text.at(0x80), QChar(0x20AC)); // euro sign
    EXPECT_EQ(text.at(0x93), QChar(0x201C)); // left double quote
    EXPECT_EQ(text.at(0xE9), QChar(0x00E9));

    // One question mark for each character outside the code page.
    EXPECT_EQ(toWindows1252(u"a\u4E2Db"), QByteArray("a?b"));
    EXPECT_EQ(toWindows1252(QString::fromUtf8("x\xF0\x9F\x98\x80y")), QByteArray("x?y")); // outside the BMP
}
