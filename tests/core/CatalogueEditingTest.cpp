#include "catalogue/Catalogue.h"
#include "catalogue/CatalogueEditing.h"
#include "startup/LanguageTable.h"
#include "support/ScriptedPrompter.h"
#include "support/TestSupport.h"
#include "text/TextHelpers.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace fendrel;

namespace {

struct Fixture {
    test::ScopedErrorLog log;
    QTemporaryDir dir;
    Catalogue catalogue;
    test::ScriptedPrompter prompter;

    Fixture()
    {
        languageTable().loadFile(QStringLiteral(FENDREL_LANGUAGE_FILE));
        catalogue.setIniPath(dir.filePath(QStringLiteral("Fendrel.ini")));
        catalogue.clear(QStringLiteral("Tab"), QStringLiteral("0100000"));
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
        return *catalogue.recordOf(*node);
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
    ASSERT_TRUE(f.catalogue.addSection(QStringLiteral("  routing ")));
    LabRecord b = f.buffer(QStringLiteral("  /docs/a.pdf"), QStringLiteral("/labs/a.top\u0000x  "));
    b.picture = QStringLiteral(" /p/pic.png ");
    b.linkPage = QStringLiteral(" 4 ");
    b.examsCovered = QStringLiteral("ont,icnd1 ");
    LabInput in = input(QStringLiteral(" x "), QStringLiteral(" Routing "));
    in.description = QStringLiteral("  two spaces kept ");
    in.testSimMode = true;

    const LabStoreResult result = f.catalogue.addLab(b, in, f.prompter);
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
    f.catalogue.addSection(QStringLiteral("Routing"));
    const qint32 nodes = f.catalogue.tree().count();
    EXPECT_EQ(f.catalogue.addLab(f.buffer(), input(QStringLiteral("  ")), f.prompter).outcome,
              LabStore::Incomplete);
    EXPECT_EQ(f.catalogue.addLab(f.buffer({}), input(QStringLiteral("A")), f.prompter).outcome,
              LabStore::Incomplete);
    EXPECT_EQ(f.catalogue.addLab(f.buffer(QStringLiteral("/d.pdf"), QStringLiteral("   ")),
                     input(QStringLiteral("A")), f.prompter)
                  .outcome,
              LabStore::Incomplete);
    EXPECT_EQ(f.shownTexts(), QStringList(3, langText(LangEntry::LabIncompleteMessage)));
    EXPECT_EQ(f.catalogue.tree().count(), nodes);

    EXPECT_EQ(f.catalogue.addLab(f.buffer(), input(QStringLiteral("A"), QStringLiteral("Switching")),
                     f.prompter)
                  .outcome,
              LabStore::Failed);
    EXPECT_EQ(f.catalogue.tree().count(), nodes);
    EXPECT_EQ(f.catalogue.records().upperBound(), 1);
    ASSERT_EQ(f.log.lines().size(), 1);
    EXPECT_TRUE(f.log.lines()[0].endsWith(u"[Add Lab - Click][frmAddLabs] - 35601 - Element not found"));
}

TEST(CatalogueEditing, EditRefusesAMismatchedDocumentAndAMissingRecord)
{
    Fixture f;
    f.catalogue.addSection(QStringLiteral("Routing"));
    CatalogueNode *node = f.catalogue.addLab(f.buffer(), input(QStringLiteral("A")), f.prompter).node;
    CatalogueNode *orphan = f.catalogue.insertLab(node->parent(), QStringLiteral("B"), std::nullopt);
    LabRecord editing;
    LabInput in = input(QStringLiteral("A"));
    in.documentLabel = QStringLiteral("other.pdf");
    EXPECT_EQ(f.catalogue.editLab(editing, node->index(), in, f.prompter).outcome, LabStore::Incomplete);
    in.documentLabel.clear();
    EXPECT_EQ(f.catalogue.editLab(editing, node->index(), in, f.prompter).outcome, LabStore::Incomplete);

    in.documentLabel = QStringLiteral("lab one.pdf");
    EXPECT_EQ(f.catalogue.editLab(editing, orphan->index(), in, f.prompter).outcome,
              LabStore::RecordMissing);
    EXPECT_EQ(f.catalogue.editLab(editing, 99, in, f.prompter).outcome, LabStore::RecordMissing);
    EXPECT_EQ(f.shownTexts(), (QStringList{langText(LangEntry::LabIncompleteMessage), langText(LangEntry::LabIncompleteMessage), langText(LangEntry::EditedLabDetailsMissingMessage), langText(LangEntry::EditedLabDetailsMissingMessage)}));
}

TEST(CatalogueEditing, DeletingALabWithoutRecordOrTheRoot)
{
    Fixture f;
    CatalogueNode *routing = f.catalogue.addSection(QStringLiteral("Routing"));
    CatalogueNode *a = f.catalogue.insertLab(routing, QStringLiteral("A"), std::nullopt);
    // A lab whose record went missing still leaves the tree, after DeletedLabDetailsMissingMessage.
    EXPECT_EQ(f.catalogue.deleteNode(a, f.prompter), routing);
    EXPECT_EQ(f.shownTexts(), QStringList{langText(LangEntry::DeletedLabDetailsMissingMessage)});
    EXPECT_EQ(routing->childCount(), 0);
    EXPECT_EQ(f.catalogue.deleteNode(f.catalogue.tree().root(), f.prompter), nullptr);
    EXPECT_EQ(f.catalogue.tree().count(), 2);
    EXPECT_TRUE(f.log.lines().last().contains(u"[Delete Lab - Click][frmAddLabs] - 35601"));
}

TEST(CatalogueEditing, SectionNamesAreCapitalisedAndUniqueLetterCaseAside)
{
    Fixture f;
    CatalogueNode *basics = f.catalogue.addSection(QStringLiteral(" network basics "));
    ASSERT_TRUE(basics);
    EXPECT_EQ(basics->text(), u"Network basics");
    EXPECT_EQ(basics->key(), u"ONETWORK BASICS");
    EXPECT_TRUE(basics->tag().isEmpty()); // its SKU is made at the next load
    EXPECT_EQ(f.catalogue.addSection(QStringLiteral("NETWORK BASICS")), nullptr);

    CatalogueNode *routing = f.catalogue.addSection(QStringLiteral("routing"));
    // A rename to its own name in another case is no clash; to another section's name it is.
    EXPECT_EQ(f.catalogue.renameSection(routing, QStringLiteral("ROUTING")), routing);
    EXPECT_EQ(routing->text(), u"ROUTING");
    EXPECT_EQ(f.catalogue.renameSection(routing, QStringLiteral("network Basics")), nullptr);
    EXPECT_EQ(routing->key(), u"OROUTING");
    CatalogueNode *lab = f.catalogue.addLab(f.buffer(), input(QStringLiteral("A")), f.prompter).node;
    EXPECT_EQ(f.catalogue.renameSection(lab, QStringLiteral("Labs")), nullptr);
    EXPECT_EQ(lab->key(), u"K1");

    const QStringList lines = f.log.lines();
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[0].endsWith(u"[Add Section - Click][frmAddLabs] - 35602 - Key is not unique in collection"));
    EXPECT_TRUE(lines[1].contains(u"[Add Section - Click][frmAddLabs] - 35602"));
    EXPECT_TRUE(lines[2].contains(u"[Add Section - Click][frmAddLabs] - 35601"));
}

TEST(CatalogueEditing, TabTitleReplacesALoneRootAndOtherwiseRenamesIt)
{
    Fixture f;
    f.catalogue.setTabTitle(QStringLiteral(" CCNA labs "));
    ASSERT_EQ(f.catalogue.tree().count(), 1);
    EXPECT_EQ(f.catalogue.tree().root()->text(), u" CCNA labs ");
    EXPECT_TRUE(f.catalogue.tree().root()->tag().isEmpty()); // a new root: its SKU is made at the next load
    EXPECT_EQ(f.catalogue.tabTitle(), u" CCNA labs ");

    f.catalogue.clear(QStringLiteral(" CCNA labs "), QStringLiteral("0100000"));
    f.catalogue.addSection(QStringLiteral("Routing"));
    f.catalogue.setTabTitle(QStringLiteral("CCNP labs"));
    EXPECT_EQ(f.catalogue.tree().root()->text(), u"CCNP labs");
    EXPECT_EQ(f.catalogue.tree().root()->tag(), u"0100000");
    EXPECT_EQ(f.catalogue.tree().count(), 2);
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
