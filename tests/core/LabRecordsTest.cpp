// The lab records below the catalogue: the key array that holds them, the counter that names
// them, the SKUs they are numbered with and the exam lists they carry.

#include "catalogue/ExamList.h"
#include "catalogue/KeyArray.h"
#include "catalogue/KeyCounter.h"
#include "catalogue/ProductSku.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <limits>
#include <tuple>

using namespace fendrel;

namespace {

LabRecord lab(const QString &key, const QString &topFile = u"/labs/a.top"_qs)
{
    LabRecord r;
    r.key = key;
    r.topFile = topFile;
    r.link = u"/labs/a.pdf"_qs;
    r.linkPage = u"3"_qs;
    return r;
}

const QString ont = u"ont"_qs;
const QString icnd1 = u"icnd1"_qs;

int box(const QString &code)
{
    return static_cast<int>(examCodes().indexOf(code));
}

} // namespace

TEST(KeyArray, SearchesDeletesCountsOptionalFilesUpdatesWithoutClearingAndKeysNeverWrap)
{
    test::ScopedErrorLog log;
    KeyArray array;
    EXPECT_EQ(array.upperBound(), -1);
    EXPECT_EQ(array.keyArraySearch(u"K1"_qs), -1);
    EXPECT_FALSE(array.keyArrayInsert(lab(u"K1"_qs)));

    // Blank records take part in searches like any other.
    array.keyArrayInitialize();
    EXPECT_EQ(array.keyArraySearch(QString()), 0);
    EXPECT_EQ(array.getKeyIndex(QString()), 1);
    EXPECT_EQ(array.getKeyIndex(u"K1"_qs), -1);
    ASSERT_TRUE(array.keyArrayInsert(lab(u"K1"_qs, u"/first.top"_qs)));
    ASSERT_TRUE(array.keyArrayInsert(lab(u"K2"_qs)));
    ASSERT_TRUE(array.keyArrayInsert(lab(u"K1"_qs, u"/second.top"_qs)));
    EXPECT_EQ(array.keyArraySearch(u"K1"_qs), 2);
    EXPECT_EQ(array.getKeyIndex(u"K2"_qs), 3);
    EXPECT_EQ(array.keyArraySearch(u"k1"_qs), -1);
    EXPECT_EQ(array.keyArraySearch(u"K1 "_qs), -1);

    // A delete takes the first match and shifts later records down.
    ASSERT_TRUE(array.keyArrayDelete(u"K1"_qs));
    EXPECT_EQ(array.keyArraySearch(u"K2"_qs), 2);
    EXPECT_EQ(array.keyArraySearch(u"K1"_qs), 3);
    EXPECT_EQ(array.at(3).topFile, u"/second.top"_qs);
    EXPECT_FALSE(array.keyArrayDelete(u"K7"_qs));
    EXPECT_EQ(array.upperBound(), 3);
    ASSERT_TRUE(array.keyArrayDelete(QString()));
    EXPECT_EQ(array.keyArraySearch(u"K2"_qs), 1);

    EXPECT_EQ(log.entries(), (QStringList{u"[Key Array Search][frmAddLabs] - 9 - Subscript out of range"_qs,
                                          u"[Key Array Insert][frmAddLabs] - 9 - Subscript out of range"_qs,
                                          u"[Key Array Delete][frmAddLabs] - 0 - "_qs}));

    // The optional files are counted; an update sets but never clears, except the mode.
    array.keyArrayInitialize();
    LabRecord r = lab(u" K1 "_qs, u"  /t.top "_qs);
    r.description = u"desc"_qs;
    r.picture = u"/p.png"_qs;
    r.mode = u"testsim"_qs;
    r.examsCovered = u"icnd1,route"_qs;
    r.sku = u"0101001"_qs;
    r.optFiles = 3;
    ASSERT_TRUE(array.keyArrayInsert(r));
    LabRecord expected = r;
    expected.optFiles = 1;
    EXPECT_EQ(array.at(2), expected);

    LabRecord change;
    change.key = r.key;
    change.loadNwcFile = u"/l.nwc"_qs;
    change.nwcFile = u"/g.nwc"_qs;
    change.linkPage = u"9"_qs;
    ASSERT_TRUE(array.keyArrayUpdate(change));
    expected.loadNwcFile = change.loadNwcFile;
    expected.nwcFile = change.nwcFile;
    expected.linkPage = change.linkPage;
    expected.mode.clear();
    expected.optFiles = 3;
    EXPECT_EQ(array.at(2), expected);

    change = {};
    change.key = r.key;
    change.mode = u"testsim"_qs;
    change.sku = u"0101002"_qs;
    ASSERT_TRUE(array.keyArrayUpdate(change));
    EXPECT_EQ(array.at(2).mode, u"testsim"_qs);
    EXPECT_EQ(array.at(2).sku, u"0101002"_qs);

    change.key = u"K1"_qs;
    EXPECT_FALSE(array.keyArrayUpdate(change));
    EXPECT_EQ(log.entries().mid(3), QStringList{u"[Key Array Update][frmAddLabs] - 0 - "_qs});

    // The key counter numbers keys on and refuses to wrap.
    KeyCounter counter;
    EXPECT_EQ(counter.createNewKey(), u"K1"_qs);
    EXPECT_EQ(counter.createNewKey(), u"K2"_qs);

    KeyCounter nearlyDone(std::numeric_limits<qint32>::max() - 1);
    EXPECT_EQ(nearlyDone.createNewKey(), u"K2147483647"_qs);
    EXPECT_EQ(nearlyDone.createNewKey(), QString());
    EXPECT_EQ(nearlyDone.value(), std::numeric_limits<qint32>::max());
    EXPECT_EQ(log.entries().mid(4),
              QStringList{u"[Create New Key][frmAddLabs] - 6 - Overflow: no lab key is left after K2147483647"_qs});
}

TEST(ProductSku, NumbersContinueAfterTheHighestRecordedAndRecordingRefusesWhatDoesNotFit)
{
    test::ScopedErrorLog log;
    SkuTree tree;
    EXPECT_EQ(tree.createProductSku(1, {}, {}), u"0100000"_qs);
    tree.insertProductSku(1, u"0100000"_qs);
    EXPECT_EQ(tree.createProductSku(2, u"0100000"_qs, {}), u"0101000"_qs);
    tree.insertProductSku(2, u"0101000"_qs);
    EXPECT_EQ(tree.createProductSku(3, u"0100000"_qs, u"0101000"_qs), u"0101001"_qs);
    tree.insertProductSku(3, u"0101001"_qs);
    EXPECT_EQ(tree.createProductSku(3, u"01"_qs, u"01"_qs), u"0101002"_qs);
    tree.insertProductSku(2, u"0104000"_qs);
    EXPECT_EQ(tree.createProductSku(2, u"0100000"_qs, {}), u"0105000"_qs);
    EXPECT_EQ(tree.createProductSku(3, u"0100000"_qs, u"0104000"_qs), u"0104001"_qs);
    EXPECT_EQ(tree.createProductSku(1, {}, {}), u"0200000"_qs);
    EXPECT_EQ(tree.createProductSku(4, {}, {}), u"-1"_qs);
    EXPECT_TRUE(log.lines().isEmpty());

    // Not in the tree, or nothing to go on: "-1" quietly.
    EXPECT_EQ(tree.createProductSku(2, u"0700000"_qs, {}), u"-1"_qs);
    EXPECT_EQ(tree.createProductSku(2, u"-1"_qs, {}), u"-1"_qs);
    EXPECT_EQ(tree.createProductSku(3, u"0100000"_qs, {}), u"-1"_qs);
    EXPECT_EQ(tree.createProductSku(3, u"0100000"_qs, u"0109000"_qs), u"-1"_qs);
    EXPECT_EQ(tree.createProductSku(3, u"-1"_qs, u"-1"_qs), u"-1"_qs);
    EXPECT_TRUE(log.lines().isEmpty());

    for (const auto &[level, parent, section] : {std::tuple{2, u"ab"_qs, QString()}, {2, QString(), QString()},
                                                 {2, u"1.5"_qs, QString()}, {2, u"nan"_qs, QString()},
                                                 {3, u"0100000"_qs, u"ab"_qs}, {3, u"inf"_qs, u"01"_qs}})
        EXPECT_EQ(tree.createProductSku(level, parent, section), u"-1"_qs);
    EXPECT_EQ(log.entries(), (QStringList{u"[CreateProductSku][pckGlobals] - 13 - Type mismatch: \"ab\" is not a tab SKU"_qs,
                                          u"[CreateProductSku][pckGlobals] - 13 - Type mismatch: \"\" is not a tab SKU"_qs,
                                          u"[CreateProductSku][pckGlobals] - 0 - Bad Sku format: 1.5"_qs,
                                          u"[CreateProductSku][pckGlobals] - 13 - Type mismatch: \"nan\" is not a tab SKU"_qs,
                                          u"[CreateProductSku][pckGlobals] - 0 - Bad Sku format: 01 ab"_qs,
                                          u"[CreateProductSku][pckGlobals] - 0 - Bad Sku format: inf 01"_qs}));

    // Recording refuses duplicates, bad forms, orphans and a hundredth tab.
    SkuTree recorded;
    recorded.insertProductSku(1, u"0100000"_qs);
    recorded.insertProductSku(2, u"0101000"_qs);
    recorded.insertProductSku(2, u"0101000"_qs);
    EXPECT_EQ(recorded.sectionCount(u"01"_qs), 1);
    recorded.insertProductSku(2, u"0901000"_qs); // no tab 09: silently nothing
    recorded.insertProductSku(3, u"0102001"_qs); // no section 02: silently nothing
    EXPECT_EQ(recorded.labCount(u"01"_qs, u"02"_qs), 0);
    recorded.insertProductSku(3, u"010100"_qs);
    recorded.insertProductSku(1, u"-1"_qs);
    recorded.insertProductSku(1, u"0100000"_qs);
    EXPECT_EQ(recorded.tabCount(), 1);

    // Ninety-nine tabs is the limit of the form.
    for (int t = 2; t <= 99; ++t)
        recorded.insertProductSku(1, u"%1"_qs.arg(t, 2, 10, QLatin1Char('0')) + u"00000"_qs);
    const QString next = recorded.createProductSku(1, {}, {});
    EXPECT_EQ(next, u"10000000"_qs);
    recorded.insertProductSku(1, next);
    EXPECT_EQ(recorded.tabCount(), 99);
    EXPECT_EQ(log.entries().mid(6), (QStringList{u"[InsertProductSku][pckGlobals] - 0 - sku already exists: 0101000"_qs,
                                               u"[InsertProductSku][pckGlobals] - 0 - Bad Sku format: 010100"_qs,
                                               u"[InsertProductSku][pckGlobals] - 0 - Bad Sku format: -1"_qs,
                                               u"[InsertProductSku][pckGlobals] - 0 - sku already exists: 0100000"_qs,
                                               u"[InsertProductSku][pckGlobals] - 0 - Bad Sku format: 10000000"_qs}));
}

TEST(ExamList, ClicksAppendAndRemoveWithTheirCommaAndShowingChecksExactCodes)
{
    QString list = updateExamList({}, ont, true);
    EXPECT_EQ(list, u"ont");
    list = updateExamList(list, icnd1, true);
    EXPECT_EQ(list, u"ont,icnd1");
    EXPECT_EQ(updateExamList(list, ont, false), u"icnd1");
    EXPECT_EQ(updateExamList(list, icnd1, false), u"ont");
    EXPECT_EQ(updateExamList(u"ont"_qs, ont, false), u"");
    EXPECT_EQ(updateExamList(u"ont"_qs, icnd1, false), u"ont");
    // A code found only in another letter case is left where it is.
    EXPECT_EQ(updateExamList(u"ONT,icnd1"_qs, ont, false), u"ONT,icnd1");
    EXPECT_EQ(updateExamList(u"bsci,ont,ont"_qs, ont, false), u"bsci");

    // Showing a list checks the boxes of exact codes and carries the editing list along.
    ExamBoxes boxes{};
    QString editing;
    showExamList(u"icnd1,foo"_qs, boxes, editing);
    for (int i = 0; i < kExamCount; ++i)
        EXPECT_EQ(boxes[i], i == box(icnd1)) << i;
    EXPECT_EQ(editing, u"icnd1");

    showExamList(u"ont,icnd1"_qs, boxes, editing);
    EXPECT_TRUE(boxes[box(ont)]);
    EXPECT_EQ(editing, u"ont,icnd1"); // every box is cleared first, so the stored order comes back

    showExamList(u"bsci"_qs, boxes, editing);
    EXPECT_EQ(editing, u"bsci");
    EXPECT_EQ(std::count(boxes.begin(), boxes.end(), true), 1);

    // No trimming and no case folding: neither item names a box.
    showExamList(u" ont,TSHOOT"_qs, boxes, editing);
    EXPECT_EQ(std::count(boxes.begin(), boxes.end(), true), 0);
    EXPECT_EQ(editing, u"");
}
