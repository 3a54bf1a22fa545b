#include "catalogue/KeyArray.h"
#include "catalogue/KeyCounter.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <limits>

using namespace fendrel;

namespace {

LabRecord lab(const QString &key, const QString &topFile = QStringLiteral("/labs/a.top"))
{
    LabRecord r;
    r.key = key;
    r.topFile = topFile;
    r.link = QStringLiteral("/labs/a.pdf");
    r.linkPage = QStringLiteral("3");
    return r;
}

} // namespace

TEST(KeyArray, BlankRecordsTakePartInSearches)
{
    test::ScopedErrorLog log;
    KeyArray array;
    EXPECT_EQ(array.upperBound(), -1);
    EXPECT_EQ(array.keyArraySearch(QStringLiteral("K1")), -1);
    EXPECT_FALSE(array.keyArrayInsert(lab(QStringLiteral("K1"))));
    ASSERT_EQ(log.lines().size(), 2);
    EXPECT_TRUE(log.lines()[0].endsWith(QStringLiteral("[Key Array Search][frmAddLabs] - 9 - Subscript out of range")));
    EXPECT_TRUE(log.lines()[1].contains(QStringLiteral("[Key Array Insert][frmAddLabs] - 9 - ")));

    array.keyArrayInitialize();
    EXPECT_EQ(array.upperBound(), 1);
    EXPECT_EQ(array.keyArraySearch(QString()), 0);
    EXPECT_EQ(array.getKeyIndex(QString()), 1);
    EXPECT_EQ(array.keyArraySearch(QStringLiteral("K1")), -1);
    EXPECT_EQ(array.getKeyIndex(QStringLiteral("K1")), -1);
    ASSERT_TRUE(array.keyArrayInsert(lab(QStringLiteral("K1"))));
    EXPECT_EQ(array.keyArraySearch(QStringLiteral("K1")), 2);
    EXPECT_EQ(array.getKeyIndex(QStringLiteral("K1")), 2);
    EXPECT_EQ(array.keyArraySearch(QStringLiteral("k1")), -1);
    EXPECT_EQ(array.keyArraySearch(QStringLiteral("K1 ")), -1);
}

TEST(KeyArray, DuplicatesAndDeletesShiftLaterRecordsDown)
{
    test::ScopedErrorLog log;
    KeyArray array;
    array.keyArrayInitialize();
    ASSERT_TRUE(array.keyArrayInsert(lab(QStringLiteral("K1"), QStringLiteral("/first.top"))));
    ASSERT_TRUE(array.keyArrayInsert(lab(QStringLiteral("K2"))));
    ASSERT_TRUE(array.keyArrayInsert(lab(QStringLiteral("K1"), QStringLiteral("/second.top"))));
    EXPECT_EQ(array.keyArraySearch(QStringLiteral("K1")), 2);

    ASSERT_TRUE(array.keyArrayDelete(QStringLiteral("K1")));
    EXPECT_EQ(array.upperBound(), 3);
    EXPECT_EQ(array.keyArraySearch(QStringLiteral("K2")), 2);
    EXPECT_EQ(array.keyArraySearch(QStringLiteral("K1")), 3);
    EXPECT_EQ(array.at(3).topFile, QStringLiteral("/second.top"));
    EXPECT_TRUE(log.lines().isEmpty());

    const LabRecord before = array.at(2);
    EXPECT_FALSE(array.keyArrayDelete(QStringLiteral("K7")));
    EXPECT_EQ(array.upperBound(), 3);
    EXPECT_EQ(array.at(2), before);
    ASSERT_EQ(log.lines().size(), 1);
    EXPECT_TRUE(log.lines()[0].endsWith(QStringLiteral("] - [Key Array Delete][frmAddLabs] - 0 - ")));

    // Deleting the empty key removes a blank record, as any other.
    ASSERT_TRUE(array.keyArrayDelete(QString()));
    EXPECT_EQ(array.keyArraySearch(QStringLiteral("K2")), 1);
}

TEST(KeyArray, OptFilesCountsTheOptionalFilesAndIsNeverTakenFromTheCaller)
{
    KeyArray array;
    array.keyArrayInitialize();
    LabRecord r = lab(QStringLiteral("K1"));
    r.nwcFile = QStringLiteral("/g.nwc");
    r.picture = QStringLiteral("/p.png");
    r.optFiles = 3;
    ASSERT_TRUE(array.keyArrayInsert(r));
    EXPECT_EQ(array.at(2).optFiles, 2);
    EXPECT_EQ(array.at(2).picture, QStringLiteral("/p.png"));

    LabRecord spaced = lab(QStringLiteral(" K2 "), QStringLiteral("  /t.top "));
    ASSERT_TRUE(array.keyArrayInsert(spaced));
    EXPECT_EQ(array.at(3).topFile, QStringLiteral("  /t.top "));
    EXPECT_EQ(array.at(3).optFiles, 0);
}

TEST(KeyArray, UpdateSetsButNeverClearsExceptTheMode)
{
    test::ScopedErrorLog log;
    KeyArray array;
    array.keyArrayInitialize();
    LabRecord r = lab(QStringLiteral("K1"));
    r.description = QStringLiteral("desc");
    r.picture = QStringLiteral("/p.png");
    r.mode = QStringLiteral("testsim");
    r.examsCovered = QStringLiteral("icnd1,route");
    r.sku = QStringLiteral("0101001");
    ASSERT_TRUE(array.keyArrayInsert(r));

    LabRecord change;
    change.key = QStringLiteral("K1");
    change.loadNwcFile = QStringLiteral("/l.nwc");
    change.nwcFile = QStringLiteral("/g.nwc");
    change.linkPage = QStringLiteral("9");
    ASSERT_TRUE(array.keyArrayUpdate(change));
    const LabRecord &after = array.at(2);
    EXPECT_EQ(after.picture, QStringLiteral("/p.png"));
    EXPECT_EQ(after.description, QStringLiteral("desc"));
    EXPECT_EQ(after.topFile, QStringLiteral("/labs/a.top"));
    EXPECT_EQ(after.examsCovered, QStringLiteral("icnd1,route"));
    EXPECT_EQ(after.sku, QStringLiteral("0101001"));
    EXPECT_EQ(after.linkPage, QStringLiteral("9"));
    EXPECT_EQ(after.loadNwcFile, QStringLiteral("/l.nwc"));
    EXPECT_EQ(after.mode, QString());
    EXPECT_EQ(after.optFiles, 3);

    change = {};
    change.key = QStringLiteral("K1");
    change.mode = QStringLiteral("testsim");
    change.sku = QStringLiteral("0101002");
    ASSERT_TRUE(array.keyArrayUpdate(change));
    EXPECT_EQ(array.at(2).mode, QStringLiteral("testsim"));
    EXPECT_EQ(array.at(2).sku, QStringLiteral("0101002"));
    EXPECT_EQ(array.at(2).optFiles, 3);

    change.key = QStringLiteral("K9");
    EXPECT_FALSE(array.keyArrayUpdate(change));
    ASSERT_EQ(log.lines().size(), 1);
    EXPECT_TRUE(log.lines()[0].endsWith(QStringLiteral("[Key Array Update][frmAddLabs] - 0 - ")));
}

TEST(KeyCounter, NumbersKeysOnAndRefusesToWrap)
{
    test::ScopedErrorLog log;
    KeyCounter counter;
    KeyArray array;
    for (int i = 1; i <= 5; ++i)
        EXPECT_EQ(counter.createNewKey(), QStringLiteral("K%1").arg(i));
    array.keyArrayInitialize();
    EXPECT_EQ(counter.createNewKey(), QStringLiteral("K6"));
    EXPECT_TRUE(log.lines().isEmpty());

    KeyCounter nearlyDone(std::numeric_limits<qint32>::max() - 1);
    EXPECT_EQ(nearlyDone.createNewKey(), QStringLiteral("K2147483647"));
    EXPECT_EQ(nearlyDone.createNewKey(), QString());
    EXPECT_EQ(nearlyDone.value(), std::numeric_limits<qint32>::max());
    ASSERT_EQ(log.lines().size(), 1);
    EXPECT_TRUE(log.lines()[0].contains(QStringLiteral("[Create New Key][frmAddLabs] - 6 - ")));
}
