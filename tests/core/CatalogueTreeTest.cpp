#include "catalogue/CatalogueTree.h"

#include <gtest/gtest.h>

using namespace fendrel;

TEST(CatalogueTree, KeysAreExactRemovalTakesTheSubtreeAndLabsAreToldApart)
{
    CatalogueTree tree;
    const QString alpha = sectionKey(QStringLiteral("Alpha"));
    ASSERT_TRUE(tree.add({}, kTabKey, QStringLiteral("Tab")));
    ASSERT_TRUE(tree.add(kTabKey, alpha, QStringLiteral("Alpha")));
    ASSERT_TRUE(tree.add(alpha, QStringLiteral("K1"), QStringLiteral("One"), kLabTag));
    ASSERT_TRUE(tree.add(kTabKey, QStringLiteral("OBETA"), QStringLiteral("Beta")));
    ASSERT_TRUE(tree.add(alpha, QStringLiteral("K2"), QStringLiteral("Two"), kLabTag));
    ASSERT_TRUE(tree.add(QStringLiteral("OBETA"), QStringLiteral("K3"), QStringLiteral("Three"), kLabTag));
    EXPECT_EQ(tree.nodeByIndex(5)->key(), QStringLiteral("K2"));
    EXPECT_EQ(tree.nodeByIndex(0), nullptr);
    EXPECT_EQ(tree.nodeByIndex(7), nullptr);
    EXPECT_EQ(tree.nodeByKey(alpha)->firstChild()->nextSibling()->key(), QStringLiteral("K2"));

    // A section differing only in case has the same key; keys are otherwise exact.
    EXPECT_EQ(tree.add(kTabKey, sectionKey(QStringLiteral("ALPHA")), QStringLiteral("ALPHA")), nullptr);
    EXPECT_EQ(tree.add(QStringLiteral("OGAMMA"), QStringLiteral("K9"), QStringLiteral("x")), nullptr);
    EXPECT_EQ(tree.nodeByKey(QStringLiteral("k1")), nullptr);
    EXPECT_EQ(tree.count(), 6);

    tree.select(tree.nodeByKey(QStringLiteral("K2")));
    ASSERT_TRUE(tree.remove(alpha));
    EXPECT_EQ(tree.count(), 3);
    EXPECT_EQ(tree.nodeByKey(QStringLiteral("K2")), nullptr);
    EXPECT_EQ(tree.selectedNode(), nullptr);
    EXPECT_EQ(tree.nodeByKey(QStringLiteral("K3"))->index(), 3);
    EXPECT_EQ(tree.nodeByKey(QStringLiteral("OBETA"))->row(), 0);
    EXPECT_FALSE(tree.remove(alpha));
    // A removed key can be used again, and goes last.
    CatalogueNode *again = tree.add(kTabKey, alpha, QStringLiteral("Alpha"));
    EXPECT_EQ(again->index(), 4);

    // Labs are told from sections and the tab by their keys: an empty section whose key no
    // longer matches its text (renamed) reads as a lab.
    EXPECT_FALSE(CatalogueTree::isLabNode(*tree.root()));
    EXPECT_FALSE(CatalogueTree::isLabNode(*again));
    EXPECT_TRUE(CatalogueTree::isLabNode(*tree.nodeByKey(QStringLiteral("K3"))));
    tree.setText(again, QStringLiteral("Renamed"));
    EXPECT_TRUE(CatalogueTree::isLabNode(*again));
}
