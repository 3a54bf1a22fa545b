#include "catalogue/ProductSku.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <tuple>

using namespace fendrel;

TEST(ProductSku, NumbersContinueAfterTheHighestRecordedAtEachLevel)
{
    test::ScopedErrorLog log;
    SkuTree tree;
    EXPECT_EQ(tree.createProductSku(1, {}, {}), QStringLiteral("0100000"));
    tree.insertProductSku(1, QStringLiteral("0100000"));
    EXPECT_EQ(tree.createProductSku(2, QStringLiteral("0100000"), {}), QStringLiteral("0101000"));
    tree.insertProductSku(2, QStringLiteral("0101000"));
    EXPECT_EQ(tree.createProductSku(3, QStringLiteral("0100000"), QStringLiteral("0101000")), QStringLiteral("0101001"));
    tree.insertProductSku(3, QStringLiteral("0101001"));
    EXPECT_EQ(tree.createProductSku(3, QStringLiteral("01"), QStringLiteral("01")), QStringLiteral("0101002"));
    tree.insertProductSku(2, QStringLiteral("0104000"));
    EXPECT_EQ(tree.createProductSku(2, QStringLiteral("0100000"), {}), QStringLiteral("0105000"));
    EXPECT_EQ(tree.createProductSku(3, QStringLiteral("0100000"), QStringLiteral("0104000")), QStringLiteral("0104001"));
    EXPECT_EQ(tree.createProductSku(1, {}, {}), QStringLiteral("0200000"));
    EXPECT_EQ(tree.createProductSku(4, {}, {}), QStringLiteral("-1"));
    EXPECT_TRUE(log.lines().isEmpty());

    // Not in the tree, or nothing to go on: "-1" quietly.
    EXPECT_EQ(tree.createProductSku(2, QStringLiteral("0700000"), {}), QStringLiteral("-1"));
    EXPECT_EQ(tree.createProductSku(2, QStringLiteral("-1"), {}), QStringLiteral("-1"));
    EXPECT_EQ(tree.createProductSku(3, QStringLiteral("0100000"), {}), QStringLiteral("-1"));
    EXPECT_EQ(tree.createProductSku(3, QStringLiteral("0100000"), QStringLiteral("0109000")), QStringLiteral("-1"));
    EXPECT_EQ(tree.createProductSku(3, QStringLiteral("-1"), QStringLiteral("-1")), QStringLiteral("-1"));
    EXPECT_TRUE(log.lines().isEmpty());

    for (const auto &[level, parent, section] : {std::tuple{2, u"ab"_qs, QString()}, {2, QString(), QString()},
                                                 {2, u"1.5"_qs, QString()}, {2, u"nan"_qs, QString()},
                                                 {3, u"0100000"_qs, u"ab"_qs}, {3, u"inf"_qs, u"01"_qs}})
        EXPECT_EQ(tree.createProductSku(level, parent, section), QStringLiteral("-1"));
    EXPECT_EQ(log.entries(), (QStringList{u"[CreateProductSku][pckGlobals] - 13 - Type mismatch: \"ab\" is not a tab SKU"_qs,
                                          u"[CreateProductSku][pckGlobals] - 13 - Type mismatch: \"\" is not a tab SKU"_qs,
                                          u"[CreateProductSku][pckGlobals] - 0 - Bad Sku format: 1.5"_qs,
                                          u"[CreateProductSku][pckGlobals] - 13 - Type mismatch: \"nan\" is not a tab SKU"_qs,
                                          u"[CreateProductSku][pckGlobals] - 0 - Bad Sku format: 01 ab"_qs,
                                          u"[CreateProductSku][pckGlobals] - 0 - Bad Sku format: inf 01"_qs}));
}

TEST(ProductSku, RecordingRefusesDuplicatesBadFormsOrphansAndAHundredthTab)
{
    test::ScopedErrorLog log;
    SkuTree tree;
    tree.insertProductSku(1, QStringLiteral("0100000"));
    tree.insertProductSku(2, QStringLiteral("0101000"));
    tree.insertProductSku(2, QStringLiteral("0101000"));
    EXPECT_EQ(tree.sectionCount(QStringLiteral("01")), 1);
    tree.insertProductSku(2, QStringLiteral("0901000")); // no tab 09: silently nothing
    tree.insertProductSku(3, QStringLiteral("0102001")); // no section 02: silently nothing
    EXPECT_EQ(tree.labCount(QStringLiteral("01"), QStringLiteral("02")), 0);
    tree.insertProductSku(3, QStringLiteral("010100"));
    tree.insertProductSku(1, QStringLiteral("-1"));
    tree.insertProductSku(1, QStringLiteral("0100000"));
    EXPECT_EQ(tree.tabCount(), 1);

    // Ninety-nine tabs is the limit of the form.
    for (int t = 2; t <= 99; ++t)
        tree.insertProductSku(1, QStringLiteral("%1").arg(t, 2, 10, QLatin1Char('0')) + QStringLiteral("00000"));
    const QString next = tree.createProductSku(1, {}, {});
    EXPECT_EQ(next, QStringLiteral("10000000"));
    tree.insertProductSku(1, next);
    EXPECT_EQ(tree.tabCount(), 99);
    EXPECT_EQ(log.entries(), (QStringList{u"[InsertProductSku][pckGlobals] - 0 - sku already exists: 0101000"_qs,
                                          u"[InsertProductSku][pckGlobals] - 0 - Bad Sku format: 010100"_qs,
                                          u"[InsertProductSku][pckGlobals] - 0 - Bad Sku format: -1"_qs,
                                          u"[InsertProductSku][pckGlobals] - 0 - sku already exists: 0100000"_qs,
                                          u"[InsertProductSku][pckGlobals] - 0 - Bad Sku format: 10000000"_qs}));
}
