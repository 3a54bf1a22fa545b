#include "catalogue/CatalogueFile.h"
#include "support/PackageFixture.h"

#include <gtest/gtest.h>

using namespace fendrel;
using test::readFile;
using test::writeFile;

namespace {

struct Fixture : test::PackageFixture {
    QString iniPath() const { return catalogue.iniPath(); }
    void load() { catalogue.createNewTree(prompter, data); }
    const LabRecord &recordOf(const CatalogueNode *lab) const { return *catalogue.recordOf(*lab); }
};

} // namespace

TEST(CatalogueFile, SaveAndLoadKeepEveryValue)
{
    Fixture f;
    f.catalogue.clear(QStringLiteral("CCNA Labs"), QStringLiteral("0100000"));
    f.catalogue.insertSection(QStringLiteral("Routing"), QStringLiteral("0101000"));
    f.catalogue.insertSection(QStringLiteral("Empty"), QStringLiteral("0102000"));
    f.section(QStringLiteral("Switching"));
    LabRecord full;
    full.link = QStringLiteral("/labs/ospf.pdf");
    full.linkPage = QStringLiteral("12");
    full.topFile = QStringLiteral("/labs/ospf.top");
    full.picture = QStringLiteral("/labs/ospf.png");
    full.nwcFile = QStringLiteral("/labs/grade.nwc");
    full.loadNwcFile = QStringLiteral("/labs/load.nwc");
    full.description = QStringLiteral("Single area = backbone, caf\u00E9");
    full.examsCovered = QStringLiteral("icnd1,route");
    full.mode = QStringLiteral("testsim");
    full.sku = QStringLiteral("0101001");
    LabRecord loadOnly; // a loading configuration without a grading one: keys that end other keys
    loadOnly.topFile = QStringLiteral("/labs/shared.top");
    loadOnly.link = QStringLiteral("/labs/shared.pdf");
    loadOnly.loadNwcFile = QStringLiteral("/labs/load.nwc");
    f.lab(QStringLiteral("Routing"), QStringLiteral("OSPF"), full);
    for (int i = 1; i <= 11; ++i)
        f.lab(QStringLiteral("Routing"), QStringLiteral("Lab %1").arg(i), loadOnly);
    f.lab(QStringLiteral("Switching"), QStringLiteral("VLANs"), loadOnly);
    ASSERT_TRUE(saveIni(f.catalogue, f.prompter));

    Fixture g;
    QFile::copy(f.iniPath(), g.iniPath());
    g.load();
    ASSERT_EQ(g.catalogue.tree().root()->childCount(), 3);
    const CatalogueNode *routing = g.catalogue.tree().root()->children()[0];
    ASSERT_EQ(routing->childCount(), 12);
    LabRecord expected = full;
    expected.description = QStringLiteral("Single area  backbone, caf\u00E9");
    expected.key = routing->firstChild()->key();
    expected.optFiles = 3;
    EXPECT_EQ(g.recordOf(routing->firstChild()), expected);
    const CatalogueNode *eleventh = routing->children()[11];
    EXPECT_EQ(eleventh->text(), QStringLiteral("Lab 11"));
    EXPECT_EQ(g.recordOf(eleventh).nwcFile, QString());
    EXPECT_EQ(g.recordOf(eleventh).sku, QStringLiteral("0101012")); // made at load, after 0101001 ... 0101011
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
}

TEST(CatalogueFile, OnlyTheTabLeavesNoFileAndALabWithoutRecordKeepsItsName)
{
    Fixture f;
    writeFile(f.iniPath(), "[GENERAL]\r\ntabtitle=old\r\n");
    f.catalogue.clear();
    ASSERT_TRUE(saveIni(f.catalogue, f.prompter));
    EXPECT_FALSE(QFileInfo::exists(f.iniPath()));

    f.catalogue.insertSection(QStringLiteral("One"), QStringLiteral("0101000"));
    f.catalogue.insertLab(f.catalogue.tree().nodeByKey(sectionKey(QStringLiteral("One"))), QStringLiteral("Orphan"), std::nullopt);
    ASSERT_TRUE(saveIni(f.catalogue, f.prompter));
    EXPECT_EQ(readFile(f.iniPath()), QByteArray("[GENERAL]\r\ntabtitle=\r\n[SECTION0]\r\nsectionname=One\r\nsku=0101000\r\n"
                                                "numberofentries=1\r\nlab0=Orphan\r\n"));
    ASSERT_EQ(f.prompter.shown.size(), 1);
    EXPECT_EQ(f.prompter.shown[0].icon, MessageIcon::Exclamation);
}

TEST(CatalogueFile, LoadingStopsAtGapsAndSkipsWhatCannotBeRead)
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
    EXPECT_EQ(zero->children()[0]->text(), QStringLiteral("A"));
    EXPECT_EQ(zero->children()[1]->text(), QStringLiteral("C"));
    EXPECT_EQ(zero->children()[2]->text(), QStringLiteral("Moved"));
    EXPECT_EQ(f.catalogue.tree().nodeByKey(QStringLiteral("OFOUR")), nullptr);
    // Lab 1 has no name but still used up a SKU; the stored 0301009 is recorded, so the
    // repeated section's lab continues after it.
    EXPECT_EQ(f.recordOf(zero->children()[0]).sku, QStringLiteral("0301001"));
    EXPECT_EQ(f.recordOf(zero->children()[1]).sku, QStringLiteral("0301009"));
    EXPECT_EQ(f.recordOf(zero->children()[2]).sku, QStringLiteral("0301010"));
    EXPECT_EQ(zero->tag(), QStringLiteral("0301000"));
    EXPECT_EQ(root->children()[1]->tag(), QStringLiteral("0302000"));
    EXPECT_EQ(log.entries(), QStringList{u"[Create New Tree][frmAddLabs] - 0 - Section2 repeats the section name \"Zero\"; "
                                         u"its labs were added to that section"_qs});
    EXPECT_EQ(f.catalogue.keys().value(), 3);
}

TEST(CatalogueFile, StoredSkusAreRecordedSoNewOnesContinueAfterThem)
{
    Fixture f;
    writeFile(f.iniPath(), "[GENERAL]\r\ntabtitle=T\r\nsku=0200000\r\n"
                           "[SECTION0]\r\nsectionname=A\r\nsku=0204000\r\nnumberofentries=1\r\nlab0=L\r\nsku0=0204007\r\n"
                           "[SECTION1]\r\nsectionname=B\r\nnumberofentries=1\r\nlab0=M\r\n"
                           "[SECTION2]\r\nsectionname=C\r\nsku=-1\r\nnumberofentries=1\r\nlab0=N\r\n");
    f.load();
    const CatalogueNode *root = f.catalogue.tree().root();
    EXPECT_EQ(root->children()[1]->tag(), QStringLiteral("0205000"));
    EXPECT_EQ(f.recordOf(root->children()[1]->firstChild()).sku, QStringLiteral("0205001"));
    EXPECT_EQ(root->children()[2]->tag(), QStringLiteral("-1"));
    EXPECT_EQ(f.recordOf(root->children()[2]->firstChild()).sku, QStringLiteral("-1"));

    // A section added in the window has no SKU; it gets the next number at the next load.
    f.section(QStringLiteral("D"));
    f.lab(QStringLiteral("D"), QStringLiteral("O"), LabRecord{});
    ASSERT_TRUE(saveIni(f.catalogue, f.prompter));
    f.load();
    const CatalogueNode *d = f.catalogue.tree().nodeByKey(sectionKey(QStringLiteral("D")));
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->tag(), QStringLiteral("0206000"));
    EXPECT_EQ(f.recordOf(d->firstChild()).sku, QStringLiteral("0206001"));
}

TEST(CatalogueFile, AFailedWriteLeavesTheOldCatalogueWhole)
{
    Fixture f;
    const QByteArray old = "[GENERAL]\r\ntabtitle=Old\r\n[SECTION0]\r\nsectionname=Kept\r\nnumberofentries=0\r\n";
    writeFile(f.iniPath(), old);
    f.section(QStringLiteral("Big"));
    LabRecord r;
    r.description = QString(4000, u'd');
    for (int i = 0; i < 20; ++i)
        f.lab(QStringLiteral("Big"), QStringLiteral("Lab %1").arg(i), r);

    // The file-size limit makes the write fail part-way, even for root.
    bool saved_ok = true;
    {
        const test::FileSizeLimit tight(8192);
        saved_ok = saveIni(f.catalogue, f.prompter);
    }

    EXPECT_FALSE(saved_ok);
    EXPECT_EQ(readFile(f.iniPath()), old);
    EXPECT_EQ(QDir(f.data).entryList(QDir::Files), QStringList{QStringLiteral("Fendrel.ini")});

    ASSERT_TRUE(saveIni(f.catalogue, f.prompter));
    EXPECT_GT(readFile(f.iniPath()).size(), 80000);
}
