// The catalogue document: its editing rules, the announcements and moves that views, undo and
// checks rely on, and the tree of keys beneath it.

#include "catalogue/Catalogue.h"
#include "catalogue/CatalogueEditing.h"
#include "catalogue/CatalogueTree.h"
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

// Every announcement as one line, in order.
struct Announcements {
    QStringList lines;
    explicit Announcements(const Catalogue &c)
    {
        const auto key = [](const CatalogueNode *n) { return n ? n->key() : QStringLiteral("-"); };
        QObject::connect(&c, &Catalogue::aboutToReset, [this] { lines << QStringLiteral("reset?"); });
        QObject::connect(&c, &Catalogue::wasReset, [this] { lines << QStringLiteral("reset"); });
        QObject::connect(&c, &Catalogue::nodeAboutToBeInserted, [=, this](const CatalogueNode *p, qint32 row) {
            lines << QStringLiteral("insert? %1 %2").arg(key(p)).arg(row);
        });
        QObject::connect(&c, &Catalogue::nodeInserted, [=, this](const CatalogueNode *n) { lines << QStringLiteral("insert ") + key(n); });
        QObject::connect(&c, &Catalogue::nodeAboutToBeRemoved, [=, this](const CatalogueNode *n) { lines << QStringLiteral("remove? ") + key(n); });
        QObject::connect(&c, &Catalogue::nodeRemoved, [=, this](const CatalogueNode *p, qint32 row) {
            lines << QStringLiteral("remove %1 %2").arg(key(p)).arg(row);
        });
        QObject::connect(&c, &Catalogue::nodeAboutToBeMoved, [=, this](const CatalogueNode *n, const CatalogueNode *p, qint32 row) {
            lines << QStringLiteral("move? %1 %2 %3").arg(key(n), key(p)).arg(row);
        });
        QObject::connect(&c, &Catalogue::nodeMoved, [=, this](const CatalogueNode *n) { lines << QStringLiteral("move ") + key(n); });
        QObject::connect(&c, &Catalogue::nodeChanged, [=, this](const CatalogueNode *n) { lines << QStringLiteral("change ") + key(n); });
        QObject::connect(&c, &Catalogue::changed, [this] { lines << QStringLiteral("changed"); });
    }
    QStringList take() { return std::exchange(lines, {}); }
};

QStringList shape(const Catalogue &c)
{
    QStringList out;
    for (const CatalogueNode *section : c.sections()) {
        QString line = section->text() + u':';
        for (const CatalogueNode *lab : section->children()) {
            line += u' ' + lab->text();
            EXPECT_EQ(section->children()[static_cast<std::size_t>(lab->row())], lab) << "stale row";
        }
        EXPECT_EQ(c.sections()[static_cast<std::size_t>(section->row())], section) << "stale row";
        out << line;
    }
    return out;
}

} // namespace

TEST(CatalogueEditing, AddLabStoresTrimmedValuesOrRefusesMissingPartsAndUnknownSections)
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

    const std::pair<LabRecord, QString> incomplete[] = {
        {f.buffer(), u"  "_qs}, {f.buffer({}), u"A"_qs}, {f.buffer(u"/d.pdf"_qs, u"   "_qs), u"A"_qs}};
    for (const auto &[buffer, name] : incomplete)
        EXPECT_EQ(f.catalogue.addLab(buffer, input(name), f.prompter).outcome, LabStore::Incomplete);
    EXPECT_EQ(f.prompter.texts(), QStringList(3, langText(LangEntry::LabIncompleteMessage)));

    EXPECT_EQ(f.catalogue.addLab(f.buffer(), input(u"A"_qs, u"Switching"_qs), f.prompter).outcome, LabStore::Failed);
    EXPECT_EQ(f.catalogue.tree().count(), 3);
    EXPECT_EQ(f.catalogue.records().upperBound(), 2);
    EXPECT_EQ(f.log.entries(), QStringList{u"[Add Lab - Click][frmAddLabs] - 35601 - Element not found"_qs});
}

// The tab title replaces a lone root and otherwise renames it; section names are capitalised and
// unique, letter case aside.
TEST(CatalogueEditing, TabTitlesSectionNamesEditsDeletesAndValuesTheFileCannotKeep)
{
    Fixture f;
    f.catalogue.setTabTitle(u" CCNA labs "_qs);
    ASSERT_EQ(f.catalogue.tree().count(), 1);
    EXPECT_EQ(f.catalogue.tree().root()->text(), u" CCNA labs ");
    EXPECT_TRUE(f.catalogue.tree().root()->tag().isEmpty()); // a new root: its SKU is made at the next load
    EXPECT_EQ(f.catalogue.tabTitle(), u" CCNA labs ");
    f.catalogue.clear(u" CCNA labs "_qs, u"0100000"_qs);

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
    f.catalogue.setTabTitle(u"CCNP labs"_qs);
    EXPECT_EQ(f.catalogue.tree().root()->text(), u"CCNP labs");
    EXPECT_EQ(f.catalogue.tree().root()->tag(), u"0100000");
    EXPECT_EQ(f.catalogue.tree().count(), 4);

    const QString clash = u"[Add Section - Click][frmAddLabs] - 35602 - Key is not unique in collection"_qs;
    EXPECT_EQ(f.log.entries(),
              (QStringList{clash, clash, u"[Add Section - Click][frmAddLabs] - 35601 - Element not found"_qs}));

    // An edit is refused for a document other than the one shown and for a lab whose record went missing; such
    // a lab still leaves the tree when deleted, the tab never does.
    Fixture edits;
    CatalogueNode *editRouting = edits.catalogue.addSection(u"Routing"_qs);
    CatalogueNode *node = edits.catalogue.addLab(edits.buffer(), input(u"A"_qs), edits.prompter).node;
    CatalogueNode *orphan = edits.catalogue.insertLab(editRouting, u"B"_qs, std::nullopt);
    LabRecord editing;
    LabInput in{u"A"_qs, u"Routing"_qs, {}, false, u"other.pdf"_qs};
    EXPECT_EQ(edits.catalogue.editLab(editing, node->index(), in, edits.prompter).outcome, LabStore::Incomplete);
    in.documentLabel.clear();
    EXPECT_EQ(edits.catalogue.editLab(editing, node->index(), in, edits.prompter).outcome, LabStore::Incomplete);
    in.documentLabel = u"lab one.pdf"_qs;
    EXPECT_EQ(edits.catalogue.editLab(editing, orphan->index(), in, edits.prompter).outcome, LabStore::RecordMissing);
    EXPECT_EQ(edits.catalogue.editLab(editing, 99, in, edits.prompter).outcome, LabStore::RecordMissing);

    EXPECT_EQ(edits.catalogue.deleteNode(orphan, edits.prompter), editRouting);
    EXPECT_EQ(edits.prompter.texts(), QStringList(2, langText(LangEntry::LabIncompleteMessage))
                                      + QStringList(2, langText(LangEntry::EditedLabDetailsMissingMessage))
                                      + QStringList{langText(LangEntry::DeletedLabDetailsMissingMessage)});
    EXPECT_EQ(editRouting->childCount(), 1);
    EXPECT_EQ(edits.catalogue.deleteNode(edits.catalogue.tree().root(), edits.prompter), nullptr);
    EXPECT_EQ(edits.catalogue.tree().count(), 3);
    EXPECT_TRUE(edits.log.lines().last().contains(u"[Delete Lab - Click][frmAddLabs] - 35601"));

    // Values the catalogue file cannot keep are refused for their one cause.
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

TEST(CatalogueDocument, EveryEditIsAnnouncedAroundItsChangeAndALoadIsOneReset)
{
    test::ScopedErrorLog log;
    test::ScriptedPrompter prompter;
    Catalogue c;
    c.clear(u"Tab"_qs);
    Announcements heard(c);

    CatalogueNode *b = c.addSection(u"b"_qs);
    CatalogueNode *a = c.insertSection(u"A"_qs, {}, 0);
    EXPECT_EQ(heard.take(), (QStringList{u"insert? ADD 0"_qs, u"insert OB"_qs, u"changed"_qs, u"insert? ADD 0"_qs,
                                         u"insert OA"_qs, u"changed"_qs}));
    const LabRecord r = test::PackageFixture::record(u"/d.pdf"_qs, u"/t.top"_qs);
    const LabStoreResult one = c.addLab(r, {u"one"_qs, u"A"_qs, {}, false, {}}, prompter);
    ASSERT_EQ(one.outcome, LabStore::Stored);
    EXPECT_EQ(heard.take(), (QStringList{u"insert? OA 0"_qs, u"insert K1"_qs, u"changed"_qs}));

    LabRecord edit;
    ASSERT_EQ(c.editLab(edit, one.node->index(), {u"uno"_qs, u"A"_qs, {}, false, u"d.pdf"_qs}, prompter).outcome,
              LabStore::Stored);
    c.renameSection(b, u"bee"_qs);
    c.setTabTitle(u"Tab two"_qs);
    EXPECT_EQ(heard.take(), (QStringList{u"change K1"_qs, u"changed"_qs, u"change OBEE"_qs, u"changed"_qs,
                                         u"changed"_qs, u"change ADD"_qs, u"changed"_qs}));

    // A refused edit announces nothing.
    EXPECT_EQ(c.addSection(u"BEE"_qs), nullptr);
    EXPECT_EQ(c.renameSection(a, u"Bee"_qs), nullptr);
    EXPECT_EQ(c.addLab(r, {u"x"_qs, u"Nowhere"_qs, {}, false, {}}, prompter).outcome, LabStore::Failed);
    EXPECT_TRUE(heard.take().isEmpty());

    EXPECT_EQ(c.deleteNode(one.node, prompter), a);
    EXPECT_EQ(heard.take(), (QStringList{u"remove? K1"_qs, u"remove OA 0"_qs, u"changed"_qs}));
    EXPECT_EQ(c.records().keyArraySearch(u"K1"_qs), -1);

    // Whole-catalogue changes are one reset, however many nodes they make.
    c.deleteAll();
    EXPECT_EQ(heard.take(), (QStringList{u"reset?"_qs, u"reset"_qs, u"changed"_qs}));
    EXPECT_EQ(c.tree().count(), 1);

    // Loading is one reset and keeps the counter going.
    QTemporaryDir dir;
    test::writeFile(dir.filePath(u"Fendrel.ini"_qs),
                    "[GENERAL]\r\ntabtitle=T\r\n[SECTION0]\r\nsectionname=S\r\nnumberofentries=2\r\nlab0=A\r\nlab1=B\r\n");
    Catalogue loaded;
    Announcements reloads(loaded);
    loaded.createNewTree(prompter, dir.path());
    loaded.createNewTree(prompter, dir.path());
    EXPECT_EQ(reloads.take(), (QStringList{u"reset?"_qs, u"reset"_qs, u"changed"_qs, u"reset?"_qs, u"reset"_qs,
                                           u"changed"_qs}));
    // Keys are never handed out twice while the document lives.
    EXPECT_EQ(loaded.sections().front()->children().front()->key(), u"K3");
    // The records of the first load stay, unreferenced, until the key array is initialised.
    EXPECT_EQ(loaded.records().upperBound(), 5);
    loaded.keyArrayInitialize();
    EXPECT_EQ(loaded.records().upperBound(), 1);
}

TEST(CatalogueDocument, MovesKeepLabsInSectionsAndSectionsUnderTheTabOverATreeOfExactKeys)
{
    Catalogue c;
    c.clear(u"Tab"_qs);
    CatalogueNode *s1 = c.insertSection(u"S1"_qs);
    CatalogueNode *s2 = c.insertSection(u"S2"_qs);
    for (const char16_t *name : {u"a", u"b", u"c"})
        c.insertLab(s1, QString::fromUtf16(name), LabRecord{});
    CatalogueNode *d = c.insertLab(s2, u"d"_qs, LabRecord{});
    const CatalogueNode *a = s1->children()[0];
    Announcements heard(c);

    // Rows name the place before the move, as views do: a to row 2 of its section lands after b.
    ASSERT_TRUE(c.moveNode(s1->children()[0], s1, 2));
    EXPECT_EQ(shape(c), (QStringList{u"S1: b a c"_qs, u"S2: d"_qs}));
    EXPECT_EQ(heard.take(), (QStringList{u"move? K1 OS1 2"_qs, u"move K1"_qs, u"changed"_qs}));
    ASSERT_TRUE(c.moveNode(s1->children()[2], s1, 0));
    ASSERT_TRUE(c.moveNode(d, s1, -1));
    ASSERT_TRUE(c.moveNode(s2, c.tree().root(), 0));
    EXPECT_EQ(shape(c), (QStringList{u"S2:"_qs, u"S1: c b a d"_qs}));
    EXPECT_EQ(d->parent(), s1);
    heard.take();

    // A move to where the node stands, a lab under the tab and a section into a section are no moves.
    EXPECT_TRUE(c.moveNode(const_cast<CatalogueNode *>(a), s1, a->row() + 1));
    EXPECT_FALSE(c.moveNode(d, c.tree().root(), 0));
    EXPECT_FALSE(c.moveNode(s2, s1, 0));
    EXPECT_FALSE(c.moveNode(c.tree().root(), s1, 0));
    EXPECT_TRUE(heard.take().isEmpty());
    EXPECT_EQ(shape(c), (QStringList{u"S2:"_qs, u"S1: c b a d"_qs}));

    // Removing renumbers the rows behind the gap; indices of later nodes close up.
    ASSERT_TRUE(c.removeNode(s1->children()[1]));
    EXPECT_EQ(shape(c), (QStringList{u"S2:"_qs, u"S1: c a d"_qs}));
    EXPECT_EQ(c.tree().nodeByIndex(c.tree().count()), d);

    // The tree beneath: keys are exact, removal takes the subtree, and labs are told apart.
    CatalogueTree tree;
    const QString alpha = sectionKey(u"Alpha"_qs);
    ASSERT_TRUE(tree.add({}, kTabKey, u"Tab"_qs));
    ASSERT_TRUE(tree.add(kTabKey, alpha, u"Alpha"_qs));
    ASSERT_TRUE(tree.add(alpha, u"K1"_qs, u"One"_qs, kLabTag));
    ASSERT_TRUE(tree.add(kTabKey, u"OBETA"_qs, u"Beta"_qs));
    ASSERT_TRUE(tree.add(alpha, u"K2"_qs, u"Two"_qs, kLabTag));
    ASSERT_TRUE(tree.add(u"OBETA"_qs, u"K3"_qs, u"Three"_qs, kLabTag));
    EXPECT_EQ(tree.nodeByIndex(5)->key(), u"K2"_qs);
    EXPECT_EQ(tree.nodeByIndex(0), nullptr);
    EXPECT_EQ(tree.nodeByIndex(7), nullptr);
    EXPECT_EQ(tree.nodeByKey(alpha)->firstChild()->nextSibling()->key(), u"K2"_qs);

    // A section differing only in case has the same key; keys are otherwise exact.
    EXPECT_EQ(tree.add(kTabKey, sectionKey(u"ALPHA"_qs), u"ALPHA"_qs), nullptr);
    EXPECT_EQ(tree.add(u"OGAMMA"_qs, u"K9"_qs, u"x"_qs), nullptr);
    EXPECT_EQ(tree.nodeByKey(u"k1"_qs), nullptr);
    EXPECT_EQ(tree.count(), 6);

    tree.select(tree.nodeByKey(u"K2"_qs));
    ASSERT_TRUE(tree.remove(alpha));
    EXPECT_EQ(tree.count(), 3);
    EXPECT_EQ(tree.nodeByKey(u"K2"_qs), nullptr);
    EXPECT_EQ(tree.selectedNode(), nullptr);
    EXPECT_EQ(tree.nodeByKey(u"K3"_qs)->index(), 3);
    EXPECT_EQ(tree.nodeByKey(u"OBETA"_qs)->row(), 0);
    EXPECT_FALSE(tree.remove(alpha));
    // A removed key can be used again, and goes last.
    CatalogueNode *again = tree.add(kTabKey, alpha, u"Alpha"_qs);
    EXPECT_EQ(again->index(), 4);

    // Labs are told from sections and the tab by their keys: an empty section whose key no
    // longer matches its text (renamed) reads as a lab.
    EXPECT_FALSE(CatalogueTree::isLabNode(*tree.root()));
    EXPECT_FALSE(CatalogueTree::isLabNode(*again));
    EXPECT_TRUE(CatalogueTree::isLabNode(*tree.nodeByKey(u"K3"_qs)));
    tree.setText(again, u"Renamed"_qs);
    EXPECT_TRUE(CatalogueTree::isLabNode(*again));
}

