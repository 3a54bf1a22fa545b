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
}

TEST(CatalogueFile, OnlyTheTabLeavesNoFileAndALabWithoutRecordKeepsItsName)
{
    Fixture f;
    writeFile(f.iniPath(), "[GENERAL]\r\ntabtitle=old\r\n");
    f.catalogue.clear();
    ASSERT_TRUE(saveIni(f.catalogue, f.prompter));
    EXPECT_FALSE(QFileInfo::exists(f.iniPath()));

    f.catalogue.insertLab(f.catalogue.insertSection(u"One"_qs, u"0101000"_qs), u"Orphan"_qs, std::nullopt);
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

TEST(CatalogueFile, AFailedWriteLeavesTheOldCatalogueWhole)
{
    Fixture f;
    const QByteArray old = "[GENERAL]\r\ntabtitle=Old\r\n[SECTION0]\r\nsectionname=Kept\r\nnumberofentries=0\r\n";
    writeFile(f.iniPath(), old);
    f.section(u"Big"_qs);
    LabRecord r;
    r.description = QString(4000, u'd');
    for (int i = 0; i < 20; ++i)
        f.lab(u"Big"_qs, u"Lab %1"_qs.arg(i), r);

    // The file-size limit makes the write fail part-way, even for root.
    {
        const test::FileSizeLimit tight(8192);
        EXPECT_FALSE(saveIni(f.catalogue, f.prompter));
    }
    EXPECT_EQ(readFile(f.iniPath()), old);
    EXPECT_EQ(QDir(f.data).entryList(QDir::Files), QStringList{u"Fendrel.ini"_qs});

    ASSERT_TRUE(saveIni(f.catalogue, f.prompter));
    EXPECT_GT(readFile(f.iniPath()).size(), 80000);
}
