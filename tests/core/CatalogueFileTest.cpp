// The catalogue file: its ini lines as the calls on disk, a snapshot and a document read and write
// them, its code page, and whole catalogues saved and loaded.

#include "catalogue/CatalogueFile.h"
#include "catalogue/Ini.h"
#include "support/PackageFixture.h"
#include "support/TestSupport.h"
#include "text/Windows1252.h"

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
    u"[GENERAL]"_qs, u"tabtitle=T"_qs, u"[SECTION0]"_qs, u"lab0=A"_qs, u"LAB0=dup"_qs, u"nwcfile0=g"_qs,
    u"[section1]"_qs, u"x[SECTION1]y"_qs, u"[[SECTION0]"_qs, u"[ SECTION2 ]"_qs, u"[]"_qs, u"LAB0=B = c"_qs,
    u"lab0 =C"_qs, u"lab10=D"_qs, u"loadnwcfile0=F"_qs, u"=G"_qs, u"junk"_qs, u"sku=  H  "_qs,
    u"desc=[not] a header"_qs, u"   "_qs, u"mode=testsim\t"_qs};
const QStringList kSections = {u"General"_qs, u"Section0"_qs, u"section1"_qs, u"SECTION2"_qs, u" Section2 "_qs,
                               u"Section10"_qs, u"[Section0]"_qs, u"Section3"_qs, QString()};
const QStringList kKeys = {u"Lab0"_qs, u"lab1"_qs, u"Lab10"_qs, u"NWCFile0"_qs, u"LoadNWCFile0"_qs, u"Sku"_qs,
                           u"Sku0"_qs, u"desc"_qs, u"mode"_qs, u"a=b"_qs, u" SectionName "_qs, QString()};
const QStringList kValues = {QString(), u"x"_qs, u"  padded  "_qs, u"a=b=c"_qs, u"C:\\labs\\one.pdf"_qs,
                             u"[SECTION1]"_qs, u"half [bracket"_qs, u"two\r\nlines"_qs, u"caf\u00E9"_qs};

struct Fixture : test::PackageFixture {
    QString iniPath() const { return catalogue.iniPath(); }
    void load() { catalogue.createNewTree(prompter, data); }
    const LabRecord &recordOf(const CatalogueNode *lab) const { return *catalogue.recordOf(*lab); }
};

} // namespace

TEST(Ini, WritesHeadersUpperKeysLowerAndDropsEqualsAndSpacesInACodePageEveryByteSurvives)
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

    // Every byte of the code page survives a round trip; other characters become question marks.
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

TEST(Ini, EmptyFilesGiveTheDefaultMissingKeysTheEmptyTextAndNoKeyTheLineOfALongerKey)
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

    // A key never matches the line of a longer key.
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

TEST(CatalogueFile, SaveAndLoadKeepEveryValueAndSavesOfOnlyATabOfALabWithoutRecordOrThatFail)
{
    Fixture f;
    f.catalogue.clear(u"CCNA Labs"_qs, u"0100000"_qs);
    f.catalogue.insertSection(u"Routing"_qs, u"0101000"_qs);
    f.catalogue.insertSection(u"Empty"_qs, u"0102000"_qs);
    f.section(u"Switching"_qs);
    LabRecord full = test::PackageFixture::record(u"/labs/ospf.pdf"_qs, u"/labs/ospf.top"_qs, u"/labs/ospf.png"_qs,
                                                  u"/labs/grade.nwc"_qs, u"/labs/load.nwc"_qs);
    full.linkPage = u"12"_qs;
    full.description = u"Single area = backbone, caf\u00E9"_qs;
    full.examsCovered = u"icnd1,route"_qs;
    full.mode = u"testsim"_qs;
    full.sku = u"0101001"_qs;
    // A loading configuration without a grading one: keys that end other keys.
    LabRecord loadOnly = test::PackageFixture::record(u"/labs/shared.pdf"_qs, u"/labs/shared.top"_qs, {}, {},
                                                      u"/labs/load.nwc"_qs);
    loadOnly.linkPage.clear();
    f.lab(u"Routing"_qs, u"OSPF"_qs, full);
    for (int i = 1; i <= 11; ++i)
        f.lab(u"Routing"_qs, u"Lab %1"_qs.arg(i), loadOnly);
    f.lab(u"Switching"_qs, u"VLANs"_qs, loadOnly);
    ASSERT_TRUE(saveIni(f.catalogue, f.prompter));

    Fixture g;
    QFile::copy(f.iniPath(), g.iniPath());
    g.load();
    ASSERT_EQ(g.catalogue.tree().root()->childCount(), 3);
    const CatalogueNode *routing = g.catalogue.tree().root()->children()[0];
    ASSERT_EQ(routing->childCount(), 12);
    LabRecord expected = full;
    expected.description = u"Single area  backbone, caf\u00E9"_qs;
    expected.key = routing->firstChild()->key();
    expected.optFiles = 3;
    EXPECT_EQ(g.recordOf(routing->firstChild()), expected);
    const CatalogueNode *eleventh = routing->children()[11];
    EXPECT_EQ(eleventh->text(), u"Lab 11"_qs);
    EXPECT_EQ(g.recordOf(eleventh).nwcFile, QString());
    EXPECT_EQ(g.recordOf(eleventh).sku, u"0101012"_qs); // made at load, after 0101001 ... 0101011
    EXPECT_TRUE(g.catalogue.tree().root()->isExpanded());
    EXPECT_TRUE(routing->isExpanded());
    EXPECT_EQ(g.catalogue.tree().selectedNode(), g.catalogue.tree().root());
    EXPECT_TRUE(g.prompter.shown.isEmpty());

    // Once the load has made the missing SKUs, a save and load is a fixed point.
    ASSERT_TRUE(saveIni(g.catalogue, g.prompter));
    const QByteArray saved = readFile(g.iniPath());
    EXPECT_TRUE(saved.contains("sku11=0101012\r\n"));
    g.load();
    ASSERT_TRUE(saveIni(g.catalogue, g.prompter));
    EXPECT_EQ(readFile(g.iniPath()), saved);

    // Only the tab leaves no file; a lab without record keeps its name.
    Fixture tabOnly;
    writeFile(tabOnly.iniPath(), "[GENERAL]\r\ntabtitle=old\r\n");
    tabOnly.catalogue.clear();
    ASSERT_TRUE(saveIni(tabOnly.catalogue, tabOnly.prompter));
    EXPECT_FALSE(QFileInfo::exists(tabOnly.iniPath()));

    tabOnly.catalogue.insertLab(tabOnly.catalogue.insertSection(u"One"_qs, u"0101000"_qs), u"Orphan"_qs, std::nullopt);
    ASSERT_TRUE(saveIni(tabOnly.catalogue, tabOnly.prompter));
    EXPECT_EQ(readFile(tabOnly.iniPath()), QByteArray("[GENERAL]\r\ntabtitle=\r\n[SECTION0]\r\nsectionname=One\r\nsku=0101000\r\n"
                                                "numberofentries=1\r\nlab0=Orphan\r\n"));
    ASSERT_EQ(tabOnly.prompter.shown.size(), 1);
    EXPECT_EQ(tabOnly.prompter.shown[0].icon, MessageIcon::Exclamation);

    // A failed write leaves the old catalogue whole.
    Fixture failing;
    const QByteArray old = "[GENERAL]\r\ntabtitle=Old\r\n[SECTION0]\r\nsectionname=Kept\r\nnumberofentries=0\r\n";
    writeFile(failing.iniPath(), old);
    failing.section(u"Big"_qs);
    LabRecord r;
    r.description = QString(4000, u'd');
    for (int i = 0; i < 20; ++i)
        failing.lab(u"Big"_qs, u"Lab %1"_qs.arg(i), r);

    // The file-size limit makes the write fail part-way, even for root.
    {
        const test::FileSizeLimit tight(8192);
        EXPECT_FALSE(saveIni(failing.catalogue, failing.prompter));
    }
    EXPECT_EQ(readFile(failing.iniPath()), old);
    EXPECT_EQ(QDir(failing.data).entryList(QDir::Files), QStringList{u"Fendrel.ini"_qs});

    ASSERT_TRUE(saveIni(failing.catalogue, failing.prompter));
    EXPECT_GT(readFile(failing.iniPath()).size(), 80000);
}

TEST(CatalogueFile, LoadingStopsAtGapsSkipsWhatCannotBeReadAndContinuesStoredSkus)
{
    test::ScopedErrorLog log;
    Fixture f;
    writeFile(f.iniPath(), "[GENERAL]\r\ntabtitle=T\r\nsku=0300000\r\n"
                           "[SECTION0]\r\nsectionname=Zero\r\nnumberofentries=3\r\nlab0=A\r\nlab2=  C  \r\nsku2=0301009\r\n"
                           "[SECTION1]\r\nsectionname=One\r\nnumberofentries=two\r\nlab0=X\r\n"
                           "[SECTION2]\r\nsectionname=zero\r\nnumberofentries=1\r\nlab0=Moved\r\n"
                           "[SECTION4]\r\nsectionname=Four\r\nnumberofentries=1\r\nlab0=Never\r\n");
    f.load();
    const CatalogueNode *root = f.catalogue.tree().root();
    ASSERT_EQ(root->childCount(), 2);
    const CatalogueNode *zero = root->children()[0];
    EXPECT_EQ(root->children()[1]->childCount(), 0); // "two" entries is no number
    ASSERT_EQ(zero->childCount(), 3);
    // Lab 1 has no name but still used up a SKU; the stored 0301009 is recorded, so the
    // repeated section's lab continues after it.
    const std::pair<QString, QString> labs[] = {{u"A"_qs, u"0301001"_qs}, {u"C"_qs, u"0301009"_qs},
                                                {u"Moved"_qs, u"0301010"_qs}};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(zero->children()[i]->text(), labs[i].first);
        EXPECT_EQ(f.recordOf(zero->children()[i]).sku, labs[i].second);
    }
    EXPECT_EQ(f.catalogue.tree().nodeByKey(u"OFOUR"_qs), nullptr);
    EXPECT_EQ(zero->tag(), u"0301000"_qs);
    EXPECT_EQ(root->children()[1]->tag(), u"0302000"_qs);
    EXPECT_EQ(log.entries(), QStringList{u"[Create New Tree][frmAddLabs] - 0 - Section2 repeats the section name \"Zero\"; "
                                         "its labs were added to that section"_qs});
    EXPECT_EQ(f.catalogue.keys().value(), 3);

    // Stored SKUs are recorded so that new ones continue after them.
    writeFile(f.iniPath(), "[GENERAL]\r\ntabtitle=T\r\nsku=0200000\r\n"
                           "[SECTION0]\r\nsectionname=A\r\nsku=0204000\r\nnumberofentries=1\r\nlab0=L\r\nsku0=0204007\r\n"
                           "[SECTION1]\r\nsectionname=B\r\nnumberofentries=1\r\nlab0=M\r\n"
                           "[SECTION2]\r\nsectionname=C\r\nsku=-1\r\nnumberofentries=1\r\nlab0=N\r\n");
    f.load();
    root = f.catalogue.tree().root();
    EXPECT_EQ(root->children()[1]->tag(), u"0205000"_qs);
    EXPECT_EQ(f.recordOf(root->children()[1]->firstChild()).sku, u"0205001"_qs);
    EXPECT_EQ(root->children()[2]->tag(), u"-1"_qs);
    EXPECT_EQ(f.recordOf(root->children()[2]->firstChild()).sku, u"-1"_qs);

    // A section added in the window has no SKU; it gets the next number at the next load.
    f.section(u"D"_qs);
    f.lab(u"D"_qs, u"O"_qs, LabRecord{});
    ASSERT_TRUE(saveIni(f.catalogue, f.prompter));
    f.load();
    const CatalogueNode *d = f.catalogue.tree().nodeByKey(sectionKey(u"D"_qs));
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->tag(), u"0206000"_qs);
    EXPECT_EQ(f.recordOf(d->firstChild()).sku, u"0206001"_qs);
}

