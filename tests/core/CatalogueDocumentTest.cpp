// The catalogue document's announcements and moves: what views, undo and checks rely on; and the
// tree of keys beneath it.

#include "catalogue/Catalogue.h"
#include "catalogue/CatalogueTree.h"
#include "support/PackageFixture.h"

#include <gtest/gtest.h>

using namespace fendrel;

namespace {

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

TEST(CatalogueDocument, EveryEditIsAnnouncedAroundItsChange)
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
}

TEST(CatalogueDocument, MovesKeepLabsInSectionsAndSectionsUnderTheTab)
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
}

TEST(CatalogueDocument, LoadingIsOneResetAndKeepsTheCounterGoing)
{
    QTemporaryDir dir;
    test::writeFile(dir.filePath(u"Fendrel.ini"_qs),
                    "[GENERAL]\r\ntabtitle=T\r\n[SECTION0]\r\nsectionname=S\r\nnumberofentries=2\r\nlab0=A\r\nlab1=B\r\n");
    test::ScriptedPrompter prompter;
    Catalogue c;
    Announcements heard(c);
    c.createNewTree(prompter, dir.path());
    c.createNewTree(prompter, dir.path());
    EXPECT_EQ(heard.take(), (QStringList{u"reset?"_qs, u"reset"_qs, u"changed"_qs, u"reset?"_qs, u"reset"_qs,
                                         u"changed"_qs}));
    // Keys are never handed out twice while the document lives.
    EXPECT_EQ(c.sections().front()->children().front()->key(), u"K3");
    // The records of the first load stay, unreferenced, until the key array is initialised.
    EXPECT_EQ(c.records().upperBound(), 5);
    c.keyArrayInitialize();
    EXPECT_EQ(c.records().upperBound(), 1);
}

TEST(CatalogueTree, KeysAreExactRemovalTakesTheSubtreeAndLabsAreToldApart)
{
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
