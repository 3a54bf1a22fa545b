#include "catalogue/CatalogueTree.h"

#include <gtest/gtest.h>

using namespace fendrel;

namespace {

// Tab with sections A (labs K1, K2) and B (lab K3).
void fill(CatalogueTree &tree)
{
    ASSERT_TRUE(tree.add({}, kTabKey, QStringLiteral("Tab"), QStringLiteral("0100000")));
    ASSERT_TRUE(tree.add(kTabKey, sectionKey(QStringLiteral("Alpha")), QStringLiteral("Alpha")));
    ASSERT_TRUE(tree.add(sectionKey(QStringLiteral("Alpha")), QStringLiteral("K1"), QStringLiteral("One"), kLabTag));
    ASSERT_TRUE(tree.add(kTabKey, sectionKey(QStringLiteral("Beta")), QStringLiteral("Beta")));
    ASSERT_TRUE(tree.add(sectionKey(QStringLiteral("Alpha")), QStringLiteral("K2"), QStringLiteral("Two"), kLabTag));
    ASSERT_TRUE(tree.add(sectionKey(QStringLiteral("Beta")), QStringLiteral("K3"), QStringLiteral("Three"), kLabTag));
}

} // namespace

TEST(CatalogueTree, KeepsOrderAndRefusesTakenKeysAndMissingParents)
{
    CatalogueTree tree;
    fill(tree);
    EXPECT_EQ(tree.count(), 6);
    EXPECT_EQ(tree.root()->key(), kTabKey);
    EXPECT_EQ(tree.nodeByIndex(3)->key(), QStringLiteral("K1"));
    EXPECT_EQ(tree.nodeByIndex(0), nullptr);
    EXPECT_EQ(tree.nodeByIndex(7), nullptr);

    CatalogueNode *alpha = tree.nodeByKey(QStringLiteral("OALPHA"));
    ASSERT_NE(alpha, nullptr);
    EXPECT_EQ(alpha->childCount(), 2);
    EXPECT_EQ(alpha->firstChild()->key(), QStringLiteral("K1"));
    EXPECT_EQ(alpha->firstChild()->nextSibling()->key(), QStringLiteral("K2"));
    EXPECT_EQ(alpha->firstChild()->nextSibling()->nextSibling(), nullptr);
    EXPECT_EQ(alpha->nextSibling()->key(), QStringLiteral("OBETA"));
    EXPECT_EQ(tree.root()->nextSibling(), nullptr);

    // A section differing only in case has the same key; keys are otherwise exact.
    EXPECT_EQ(tree.add(kTabKey, sectionKey(QStringLiteral("ALPHA")), QStringLiteral("ALPHA")), nullptr);
    EXPECT_EQ(tree.add(QStringLiteral("OGAMMA"), QStringLiteral("K9"), QStringLiteral("x")), nullptr);
    EXPECT_EQ(tree.nodeByKey(QStringLiteral("k1")), nullptr);
    EXPECT_EQ(tree.count(), 6);
}

TEST(CatalogueTree, RemovingANodeTakesItsDescendantsAndRenumbers)
{
    CatalogueTree tree;
    fill(tree);
    tree.select(tree.nodeByKey(QStringLiteral("K2")));
    ASSERT_TRUE(tree.remove(QStringLiteral("OALPHA")));
    EXPECT_EQ(tree.count(), 3);
    EXPECT_EQ(tree.nodeByKey(QStringLiteral("K1")), nullptr);
    EXPECT_EQ(tree.nodeByKey(QStringLiteral("K2")), nullptr);
    EXPECT_EQ(tree.selectedNode(), nullptr);
    EXPECT_EQ(tree.nodeByKey(QStringLiteral("OBETA"))->index(), 2);
    EXPECT_EQ(tree.nodeByKey(QStringLiteral("K3"))->index(), 3);
    EXPECT_EQ(tree.nodeByIndex(3)->key(), QStringLiteral("K3"));
    EXPECT_EQ(tree.root()->childCount(), 1);
    EXPECT_FALSE(tree.remove(QStringLiteral("OALPHA")));

    // A removed key can be used again, and goes last.
    CatalogueNode *again = tree.add(kTabKey, QStringLiteral("OALPHA"), QStringLiteral("Alpha"));
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->index(), 4);
    EXPECT_EQ(tree.root()->children().back(), again);

    tree.clear();
    EXPECT_EQ(tree.count(), 0);
    EXPECT_EQ(tree.root(), nullptr);
}

TEST(CatalogueTree, TellsLabsFromSectionsAndTheTab)
{
    CatalogueTree tree;
    fill(tree);
    EXPECT_FALSE(CatalogueTree::isLabNode(*tree.root()));
    EXPECT_FALSE(CatalogueTree::isLabNode(*tree.nodeByKey(QStringLiteral("OBETA"))));
    EXPECT_TRUE(CatalogueTree::isLabNode(*tree.nodeByKey(QStringLiteral("K3"))));
    // An empty section whose key no longer matches its text (renamed) reads as a lab.
    CatalogueNode *section = tree.add(kTabKey, QStringLiteral("OEMPTY"), QStringLiteral("Empty"));
    EXPECT_FALSE(CatalogueTree::isLabNode(*section));
    tree.setText(section, QStringLiteral("Renamed"));
    EXPECT_TRUE(CatalogueTree::isLabNode(*section));
}
