#include "catalogue/Catalogue.h"
#include "catalogue/CatalogueEditing.h"
#include "catalogue/KeyArray.h"
#include "core/ScriptedPrompter.h"
#include "core/TestSupport.h"
#include "startup/LanguageTable.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace fendrel;

namespace {

struct Fixture {
    test::ScopedErrorLog log;
    QTemporaryDir dir;
    Catalogue catalogue;
    KeyArray records;
    test::ScriptedPrompter prompter;

    Fixture()
    {
        languageTable().loadFile(QStringLiteral(FENDREL_LANGUAGE_FILE));
        records.keyArrayInitialize();
        catalogue.iniPath = dir.filePath(QStringLiteral("Fendrel.ini"));
        catalogue.tree.add({}, kTabKey, QStringLiteral("Tab"), QStringLiteral("0100000"));
    }
    LabRecord buffer(const QString &doc = QStringLiteral("/docs/lab one.pdf"),
                     const QString &top = QStringLiteral("/labs/one.top"))
    {
        LabRecord b;
        b.link = doc;
        b.topFile = top;
        return b;
    }
    const LabRecord &recordOf(const CatalogueNode *node) const
    {
        return records.at(records.keyArraySearch(node->key()));
    }
    QStringList shownTexts() const
    {
        QStringList texts;
        for (const auto &m : prompter.shown)
            texts << m.text;
        return texts;
    }
};

LabInput input(const QString &name, const QString &section = QStringLiteral("Routing"))
{
    LabInput in;
    in.name = name;
    in.section = section;
    return in;
}

} // namespace

TEST(CatalogueEditing, AddLabStoresTrimmedPathsUnderItsSection)
{
    Fixture f;
    ASSERT_TRUE(addSection(f.catalogue, QStringLiteral("  routing ")));
    LabRecord b = f.buffer(QStringLiteral("  /docs/a.pdf"), QStringLiteral("/labs/a.top\u0000x  "));
    b.picture = QStringLiteral(" /p/pic.png ");
    b.linkPage = QStringLiteral(" 4 ");
    b.examsCovered = QStringLiteral("ont,icnd1 ");
    LabInput in = input(QStringLiteral(" x "), QStringLiteral(" Routing "));
    in.description = QStringLiteral("  two spaces kept ");
    in.testSimMode = true;

    const LabStoreResult result = addLab(f.catalogue, f.records, b, in, f.prompter);
    ASSERT_EQ(result.outcome, LabStore::Stored);
    EXPECT_TRUE(f.prompter.shown.isEmpty());
    EXPECT_EQ(result.node->text(), u"X");
    EXPECT_EQ(result.node->tag(), kLabTag);
    EXPECT_EQ(result.node->parent()->key(), u"OROUTING");
    const LabRecord &r = f.recordOf(result.node);
    EXPECT_EQ(r.link, u"/docs/a.pdf");
    EXPECT_EQ(r.topFile, u"/labs/a.topx");
    EXPECT_EQ(r.picture, u"/p/pic.png");
    EXPECT_EQ(r.optFiles, 1);
    EXPECT_EQ(r.linkPage, u"4");
    EXPECT_EQ(r.examsCovered, u"ont,icnd1");
    EXPECT_EQ(r.description, u"  two spaces kept ");
    EXPECT_EQ(r.mode, u"testsim");
    EXPECT_TRUE(r.sku.isEmpty());
}

TEST(CatalogueEditing, AddLabRefusesMissingPartsAndUnknownSections)
{
    Fixture f;
    addSection(f.catalogue, QStringLiteral("Routing"));
    const qint32 nodes = f.catalogue.tree.count();
    EXPECT_EQ(addLab(f.catalogue, f.records, f.buffer(), input(QStringLiteral("  ")), f.prompter).outcome,
              LabStore::Incomplete);
    EXPECT_EQ(addLab(f.catalogue, f.records, f.buffer({}), input(QStringLiteral("A")), f.prompter).outcome,
              LabStore::Incomplete);
    EXPECT_EQ(addLab(f.catalogue, f.records, f.buffer(QStringLiteral("/d.pdf"), QStringLiteral("   ")),
                     input(QStringLiteral("A")), f.prompter)
                  .outcome,
              LabStore::Incomplete);
    EXPECT_EQ(f.shownTexts(), QStringList(3, langText(91)));
    EXPECT_EQ(f.catalogue.tree.count(), nodes);

    EXPECT_EQ(addLab(f.catalogue, f.records, f.buffer(), input(QStringLiteral("A"), QStringLiteral("Switching")),
                     f.prompter)
                  .outcome,
              LabStore::Failed);
    EXPECT_EQ(f.catalogue.tree.count(), nodes);
    EXPECT_EQ(f.records.upperBound(), 1);
    ASSERT_EQ(f.log.lines().size(), 1);
    EXPECT_TRUE(f.log.lines()[0].endsWith(u"[Add Lab - Click][frmAddLabs] - 35601 - Element not found"));
}

TEST(CatalogueEditing, EditKeepsEveryStoredValueThatIsNotChosenAgain)
{
    Fixture f;
    addSection(f.catalogue, QStringLiteral("Routing"));
    LabRecord b = f.buffer();
    b.nwcFile = QStringLiteral("/cfg/grade.nwc");
    b.loadNwcFile = QStringLiteral("/cfg/load.nwc");
    b.picture = QStringLiteral("/p/pic.gif");
    b.linkPage = QStringLiteral("7");
    b.examsCovered = QStringLiteral("bsci");
    LabInput in = input(QStringLiteral("First"));
    in.description = QStringLiteral("old words");
    in.testSimMode = true;
    CatalogueNode *node = addLab(f.catalogue, f.records, b, in, f.prompter).node;
    const LabRecord before = f.recordOf(node);

    LabRecord editing; // nothing chosen again, every exam box cleared
    LabInput changed = input(QStringLiteral("renamed"));
    changed.documentLabel = QStringLiteral("LAB ONE.PDF");
    changed.description = QStringLiteral("new words");
    ASSERT_EQ(editLab(f.catalogue, f.records, editing, node->index(), changed, f.prompter).outcome, LabStore::Stored);
    EXPECT_EQ(node->text(), u"Renamed");
    EXPECT_EQ(f.catalogue.tree.selectedNode(), node);
    LabRecord expected = before;
    expected.description = QStringLiteral("new words");
    expected.mode.clear(); // the mode box is always taken as it is
    EXPECT_EQ(f.recordOf(node), expected);
    EXPECT_EQ(editing.nwcFile, before.nwcFile);
    EXPECT_EQ(editing.examsCovered, u"bsci");

    LabRecord newTop;
    newTop.topFile = QStringLiteral(" /labs/two.top ");
    ASSERT_EQ(editLab(f.catalogue, f.records, newTop, node->index(), changed, f.prompter).outcome, LabStore::Stored);
    EXPECT_EQ(f.recordOf(node).topFile, u"/labs/two.top");
    EXPECT_EQ(f.recordOf(node).link, before.link);
    EXPECT_TRUE(f.prompter.shown.isEmpty());
}

TEST(CatalogueEditing, EditRefusesAMismatchedDocumentAndAMissingRecord)
{
    Fixture f;
    addSection(f.catalogue, QStringLiteral("Routing"));
    CatalogueNode *node = addLab(f.catalogue, f.records, f.buffer(), input(QStringLiteral("A")), f.prompter).node;
    LabRecord editing;
    LabInput in = input(QStringLiteral("A"));
    in.documentLabel = QStringLiteral("other.pdf");
    EXPECT_EQ(editLab(f.catalogue, f.records, editing, node->index(), in, f.prompter).outcome, LabStore::Incomplete);
    in.documentLabel.clear();
    EXPECT_EQ(editLab(f.catalogue, f.records, editing, node->index(), in, f.prompter).outcome, LabStore::Incomplete);

    f.records.keyArrayDelete(node->key());
    in.documentLabel = QStringLiteral("lab one.pdf");
    EXPECT_EQ(editLab(f.catalogue, f.records, editing, node->index(), in, f.prompter).outcome,
              LabStore::RecordMissing);
    EXPECT_EQ(editLab(f.catalogue, f.records, editing, 99, in, f.prompter).outcome, LabStore::RecordMissing);
    EXPECT_EQ(f.shownTexts(), (QStringList{langText(91), langText(91), langText(105), langText(105)}));
}

TEST(CatalogueEditing, DeletingLabsSectionsAndEverything)
{
    Fixture f;
    CatalogueNode *routing = addSection(f.catalogue, QStringLiteral("Routing"));
    CatalogueNode *empty = addSection(f.catalogue, QStringLiteral("Empty"));
    CatalogueNode *a = addLab(f.catalogue, f.records, f.buffer(), input(QStringLiteral("A")), f.prompter).node;
    addLab(f.catalogue, f.records, f.buffer(), input(QStringLiteral("B")), f.prompter);
    const QString aKey = a->key();

    EXPECT_EQ(deleteNode(f.catalogue, f.records, a, f.prompter), routing);
    EXPECT_EQ(f.catalogue.tree.selectedNode(), routing);
    EXPECT_EQ(f.records.keyArraySearch(aKey), -1);
    EXPECT_EQ(f.records.upperBound(), 2);
    EXPECT_EQ(routing->childCount(), 1);

    EXPECT_EQ(deleteNode(f.catalogue, f.records, empty, f.prompter), f.catalogue.tree.root());
    EXPECT_EQ(f.records.upperBound(), 2);
    EXPECT_EQ(f.catalogue.tree.count(), 3);

    // A lab whose record went missing still leaves the tree, after message 103.
    CatalogueNode *b = routing->firstChild();
    f.records.keyArrayDelete(b->key());
    EXPECT_EQ(deleteNode(f.catalogue, f.records, b, f.prompter), routing);
    EXPECT_EQ(f.shownTexts(), QStringList{langText(103)});
    EXPECT_EQ(deleteNode(f.catalogue, f.records, f.catalogue.tree.root(), f.prompter), nullptr);

    test::writeFile(f.catalogue.iniPath, "[GENERAL]\r\ntabtitle=Tab\r\n");
    f.catalogue.tabTitle = QStringLiteral("Tab");
    deleteAll(f.catalogue, f.records);
    EXPECT_FALSE(QFile::exists(f.catalogue.iniPath));
    ASSERT_EQ(f.catalogue.tree.count(), 1);
    EXPECT_EQ(f.catalogue.tree.root()->key(), kTabKey);
    EXPECT_TRUE(f.catalogue.tree.root()->text().isEmpty());
    EXPECT_TRUE(f.catalogue.tabTitle.isEmpty());
    EXPECT_EQ(f.records.upperBound(), 1);
}

TEST(CatalogueEditing, SectionsAreNamedByTheirUpperCasedKey)
{
    Fixture f;
    CatalogueNode *basics = addSection(f.catalogue, QStringLiteral(" network basics "));
    ASSERT_TRUE(basics);
    EXPECT_EQ(basics->text(), u"Network basics");
    EXPECT_EQ(basics->key(), u"ONETWORK BASICS");
    EXPECT_TRUE(basics->tag().isEmpty());

    CatalogueNode *routing = addSection(f.catalogue, QStringLiteral("routing"));
    EXPECT_EQ(addSection(f.catalogue, QStringLiteral("ROUTING")), nullptr);
    EXPECT_EQ(f.catalogue.tree.count(), 3);

    routing->setTag(QStringLiteral("0102000"));
    CatalogueNode *lab = addLab(f.catalogue, f.records, f.buffer(), input(QStringLiteral("A")), f.prompter).node;
    const QString labKey = lab->key();
    EXPECT_EQ(renameSection(f.catalogue, routing, QStringLiteral("routing and switching")), routing);
    EXPECT_EQ(routing->key(), u"OROUTING AND SWITCHING");
    EXPECT_EQ(routing->tag(), u"0102000");
    EXPECT_EQ(f.catalogue.tree.nodeByKey(labKey)->parent(), routing);
    EXPECT_EQ(f.catalogue.tree.nodeByKey(QStringLiteral("OROUTING")), nullptr);
    EXPECT_EQ(renameSection(f.catalogue, routing, QStringLiteral("Routing AND switching")), routing);
    EXPECT_EQ(routing->text(), u"Routing AND switching");

    EXPECT_EQ(renameSection(f.catalogue, routing, QStringLiteral("network BASICS")), nullptr);
    EXPECT_EQ(routing->text(), u"Routing AND switching");
    EXPECT_EQ(renameSection(f.catalogue, lab, QStringLiteral("Lab section")), nullptr);
    const QStringList lines = f.log.lines();
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[0].endsWith(u"[Add Section - Click][frmAddLabs] - 35602 - Key is not unique in collection"));
    EXPECT_TRUE(lines[1].contains(u"[Add Section - Click][frmAddLabs] - 35602"));
    EXPECT_TRUE(lines[2].contains(u"[Add Section - Click][frmAddLabs] - 35601"));
}

TEST(CatalogueEditing, TabTitleReplacesALoneRootAndOtherwiseRenamesIt)
{
    Fixture f;
    setTabTitle(f.catalogue, QStringLiteral(" CCNA labs "));
    ASSERT_EQ(f.catalogue.tree.count(), 1);
    EXPECT_EQ(f.catalogue.tree.root()->text(), u" CCNA labs ");
    EXPECT_TRUE(f.catalogue.tree.root()->tag().isEmpty()); // a new root: its SKU is made at the next load
    EXPECT_EQ(f.catalogue.tabTitle, u" CCNA labs ");

    f.catalogue.tree.root()->setTag(QStringLiteral("0100000"));
    addSection(f.catalogue, QStringLiteral("Routing"));
    setTabTitle(f.catalogue, QStringLiteral("CCNP labs"));
    EXPECT_EQ(f.catalogue.tree.root()->text(), u"CCNP labs");
    EXPECT_EQ(f.catalogue.tree.root()->tag(), u"0100000");
    EXPECT_EQ(f.catalogue.tree.count(), 2);
}

TEST(CatalogueEditing, ValuesTheCatalogueFileCannotKeepAreRefused)
{
    EXPECT_TRUE(catalogueValueRefusal(QStringLiteral("/home/ann/labs/OSPF [area 0].pdf")).contains(u"[\" and \"]"));
    EXPECT_TRUE(catalogueValueRefusal(QStringLiteral("a=b")).contains(u"\"=\""));
    EXPECT_TRUE(catalogueValueRefusal(QStringLiteral("line\nbreak")).contains(u"line break"));
    EXPECT_TRUE(catalogueValueRefusal(QStringLiteral("Łódź")).contains(u"cannot store"));
    EXPECT_EQ(catalogueValueRefusal(QStringLiteral("Café [draft")), u"");
    EXPECT_EQ(catalogueValueRefusal(QStringLiteral("Price in €")), u"");

    EXPECT_EQ(pageNumberValue(QStringLiteral("  12 ")), QStringLiteral("12"));
    EXPECT_EQ(pageNumberValue(QStringLiteral("twelve")), std::nullopt);
    EXPECT_EQ(pageNumberValue(QString()), std::nullopt);

    EXPECT_EQ(fileNameOfPath(QStringLiteral("C:\\labs\\a.pdf")), u"a.pdf");
    EXPECT_EQ(fileNameOfPath(QStringLiteral("/home/ann/b.top")), u"b.top");
    EXPECT_EQ(fileNameOfPath(QStringLiteral("plain.txt")), u"plain.txt");
}
