#include "catalogue/CatalogueEditing.h"
#include "startup/LanguageTable.h"
#include "support/PackageFixture.h"

#include <gtest/gtest.h>

using namespace fendrel;

namespace {

struct Fixture : test::PackageFixture {
    test::ScopedErrorLog log;

    Fixture() { languageTable().loadFile(QStringLiteral(FENDREL_LANGUAGE_FILE)); }
    static LabRecord buffer(const QString &doc = u"/docs/lab one.pdf"_qs, const QString &top = u"/labs/one.top"_qs)
    {
        LabRecord b;
        b.link = doc;
        b.topFile = top;
        return b;
    }
};

LabInput input(const QString &name, const QString &section = u"Routing"_qs)
{
    return {name, section, {}, false, {}};
}

} // namespace

TEST(CatalogueEditing, AddLabStoresTrimmedPathsUnderItsSection)
{
    Fixture f;
    ASSERT_TRUE(f.catalogue.addSection(u"  routing "_qs));
    LabRecord b = f.buffer(u"  /docs/a.pdf"_qs, u"/labs/a.top\u0000x  "_qs);
    b.picture = u" /p/pic.png "_qs;
    b.linkPage = u" 4 "_qs;
    b.examsCovered = u"ont,icnd1 "_qs;
    const LabInput in{u" x "_qs, u" Routing "_qs, u"  two spaces kept "_qs, true, {}};
    const LabStoreResult result = f.catalogue.addLab(b, in, f.prompter);
    ASSERT_EQ(result.outcome, LabStore::Stored);
    EXPECT_TRUE(f.prompter.shown.isEmpty());
    EXPECT_EQ(result.node->text(), u"X");
    EXPECT_EQ(result.node->tag(), kLabTag);
    EXPECT_EQ(result.node->parent()->key(), u"OROUTING");
    LabRecord expected = b;
    expected.key = u"K1"_qs;
    expected.link = u"/docs/a.pdf"_qs;
    expected.topFile = u"/labs/a.topx"_qs;
    expected.picture = u"/p/pic.png"_qs;
    expected.optFiles = 1;
    expected.linkPage = u"4"_qs;
    expected.examsCovered = u"ont,icnd1"_qs;
    expected.description = u"  two spaces kept "_qs;
    expected.mode = u"testsim"_qs;
    EXPECT_EQ(*f.catalogue.recordOf(*result.node), expected);
}

TEST(CatalogueEditing, AddLabRefusesMissingPartsAndUnknownSections)
{
    Fixture f;
    f.catalogue.addSection(u"Routing"_qs);
    const std::pair<LabRecord, QString> incomplete[] = {
        {f.buffer(), u"  "_qs}, {f.buffer({}), u"A"_qs}, {f.buffer(u"/d.pdf"_qs, u"   "_qs), u"A"_qs}};
    for (const auto &[buffer, name] : incomplete)
        EXPECT_EQ(f.catalogue.addLab(buffer, input(name), f.prompter).outcome, LabStore::Incomplete);
    EXPECT_EQ(f.prompter.texts(), QStringList(3, langText(LangEntry::LabIncompleteMessage)));

    EXPECT_EQ(f.catalogue.addLab(f.buffer(), input(u"A"_qs, u"Switching"_qs), f.prompter).outcome, LabStore::Failed);
    EXPECT_EQ(f.catalogue.tree().count(), 2);
    EXPECT_EQ(f.catalogue.records().upperBound(), 1);
    EXPECT_EQ(f.log.entries(), QStringList{u"[Add Lab - Click][frmAddLabs] - 35601 - Element not found"_qs});
}

// An edit is refused for a document other than the one shown and for a lab whose record went
// missing; such a lab still leaves the tree when deleted, the tab never does.
TEST(CatalogueEditing, EditsAndDeletesOfMismatchedLabsAndLabsWithoutRecord)
{
    Fixture f;
    CatalogueNode *routing = f.catalogue.addSection(u"Routing"_qs);
    CatalogueNode *node = f.catalogue.addLab(f.buffer(), input(u"A"_qs), f.prompter).node;
    CatalogueNode *orphan = f.catalogue.insertLab(routing, u"B"_qs, std::nullopt);
    LabRecord editing;
    LabInput in{u"A"_qs, u"Routing"_qs, {}, false, u"other.pdf"_qs};
    EXPECT_EQ(f.catalogue.editLab(editing, node->index(), in, f.prompter).outcome, LabStore::Incomplete);
    in.documentLabel.clear();
    EXPECT_EQ(f.catalogue.editLab(editing, node->index(), in, f.prompter).outcome, LabStore::Incomplete);
    in.documentLabel = u"lab one.pdf"_qs;
    EXPECT_EQ(f.catalogue.editLab(editing, orphan->index(), in, f.prompter).outcome, LabStore::RecordMissing);
    EXPECT_EQ(f.catalogue.editLab(editing, 99, in, f.prompter).outcome, LabStore::RecordMissing);

    EXPECT_EQ(f.catalogue.deleteNode(orphan, f.prompter), routing);
    EXPECT_EQ(f.prompter.texts(), QStringList(2, langText(LangEntry::LabIncompleteMessage))
                                      + QStringList(2, langText(LangEntry::EditedLabDetailsMissingMessage))
                                      + QStringList{langText(LangEntry::DeletedLabDetailsMissingMessage)});
    EXPECT_EQ(routing->childCount(), 1);
    EXPECT_EQ(f.catalogue.deleteNode(f.catalogue.tree().root(), f.prompter), nullptr);
    EXPECT_EQ(f.catalogue.tree().count(), 3);
    EXPECT_TRUE(f.log.lines().last().contains(u"[Delete Lab - Click][frmAddLabs] - 35601"));
}

TEST(CatalogueEditing, SectionNamesAreCapitalisedAndUniqueLetterCaseAside)
{
    Fixture f;
    CatalogueNode *basics = f.catalogue.addSection(u" network basics "_qs);
    ASSERT_TRUE(basics);
    EXPECT_EQ(basics->text(), u"Network basics");
    EXPECT_EQ(basics->key(), u"ONETWORK BASICS");
    EXPECT_TRUE(basics->tag().isEmpty()); // its SKU is made at the next load
    EXPECT_EQ(f.catalogue.addSection(u"NETWORK BASICS"_qs), nullptr);

    CatalogueNode *routing = f.catalogue.addSection(u"routing"_qs);
    // A rename to its own name in another case is no clash; to another section's name it is.
    EXPECT_EQ(f.catalogue.renameSection(routing, u"ROUTING"_qs), routing);
    EXPECT_EQ(routing->text(), u"ROUTING");
    EXPECT_EQ(f.catalogue.renameSection(routing, u"network Basics"_qs), nullptr);
    EXPECT_EQ(routing->key(), u"OROUTING");
    CatalogueNode *lab = f.catalogue.addLab(f.buffer(), input(u"A"_qs), f.prompter).node;
    EXPECT_EQ(f.catalogue.renameSection(lab, u"Labs"_qs), nullptr);
    EXPECT_EQ(lab->key(), u"K1");

    const QString clash = u"[Add Section - Click][frmAddLabs] - 35602 - Key is not unique in collection"_qs;
    EXPECT_EQ(f.log.entries(),
              (QStringList{clash, clash, u"[Add Section - Click][frmAddLabs] - 35601 - Element not found"_qs}));
}

TEST(CatalogueEditing, TabTitleReplacesALoneRootAndOtherwiseRenamesIt)
{
    Fixture f;
    f.catalogue.setTabTitle(u" CCNA labs "_qs);
    ASSERT_EQ(f.catalogue.tree().count(), 1);
    EXPECT_EQ(f.catalogue.tree().root()->text(), u" CCNA labs ");
    EXPECT_TRUE(f.catalogue.tree().root()->tag().isEmpty()); // a new root: its SKU is made at the next load
    EXPECT_EQ(f.catalogue.tabTitle(), u" CCNA labs ");

    f.catalogue.clear(u" CCNA labs "_qs, u"0100000"_qs);
    f.catalogue.addSection(u"Routing"_qs);
    f.catalogue.setTabTitle(u"CCNP labs"_qs);
    EXPECT_EQ(f.catalogue.tree().root()->text(), u"CCNP labs");
    EXPECT_EQ(f.catalogue.tree().root()->tag(), u"0100000");
    EXPECT_EQ(f.catalogue.tree().count(), 2);
}

TEST(CatalogueEditing, ValuesTheCatalogueFileCannotKeepAreRefusedForTheirOneCause)
{
    languageTable().loadFile(QStringLiteral(FENDREL_LANGUAGE_FILE));
    struct Case {
        QString value;
        std::optional<LangEntry> entry;
        QString reason; // what the refusal says
    };
    const Case cases[] = {{u"/home/ann/labs/OSPF [area 0].pdf"_qs, LangEntry::ValueRefusedText, u"[\" and \"]"_qs},
                          {u"]Lab["_qs, LangEntry::ValueRefusedText, u"[\" and \"]"_qs},
                          {u"a=b"_qs, LangEntry::ValueWithEqualsText, u"\"=\""_qs},
                          {u"line\nbreak"_qs, LangEntry::ValueWithLineBreakText, u"line break"_qs},
                          {u"a\rb"_qs, LangEntry::ValueWithLineBreakText, u"line break"_qs},
                          {u"Łódź"_qs, LangEntry::ValueNot1252Text, u"cannot store"_qs},
                          {u"Café [draft"_qs, std::nullopt, {}},
                          {u"Price in €"_qs, std::nullopt, {}}};
    for (const Case &c : cases) {
        EXPECT_EQ(catalogueValueRefusalEntry(c.value), c.entry) << qPrintable(c.value);
        const QString refusal = catalogueValueRefusal(c.value);
        EXPECT_TRUE(c.reason.isEmpty() ? refusal.isEmpty() : refusal.contains(c.reason)) << qPrintable(c.value);
    }

    EXPECT_EQ(pageNumberValue(u"  12 "_qs), u"12"_qs);
    for (const QString &text : {u"twelve"_qs, u"nan"_qs, u"inf"_qs, u"-INF"_qs, u"infinity"_qs, u"1e999"_qs, QString()})
        EXPECT_EQ(pageNumberValue(text), std::nullopt) << qPrintable(text);
}
