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

TEST(KeyArray, SearchesDuplicatesAndDeletes)
{
    test::ScopedErrorLog log;
    KeyArray array;
    EXPECT_EQ(array.upperBound(), -1);
    EXPECT_EQ(array.keyArraySearch(QStringLiteral("K1")), -1);
    EXPECT_FALSE(array.keyArrayInsert(lab(QStringLiteral("K1"))));

    // Blank records take part in searches like any other.
    array.keyArrayInitialize();
    EXPECT_EQ(array.keyArraySearch(QString()), 0);
    EXPECT_EQ(array.getKeyIndex(QString()), 1);
    EXPECT_EQ(array.getKeyIndex(QStringLiteral("K1")), -1);
    ASSERT_TRUE(array.keyArrayInsert(lab(QStringLiteral("K1"), QStringLiteral("/first.top"))));
    ASSERT_TRUE(array.keyArrayInsert(lab(QStringLiteral("K2"))));
    ASSERT_TRUE(array.keyArrayInsert(lab(QStringLiteral("K1"), QStringLiteral("/second.top"))));
    EXPECT_EQ(array.keyArraySearch(QStringLiteral("K1")), 2);
    EXPECT_EQ(array.getKeyIndex(QStringLiteral("K2")), 3);
    EXPECT_EQ(array.keyArraySearch(QStringLiteral("k1")), -1);
    EXPECT_EQ(array.keyArraySearch(QStringLiteral("K1 ")), -1);

    // A delete takes the first match and shifts later records down.
    ASSERT_TRUE(array.keyArrayDelete(QStringLiteral("K1")));
    EXPECT_EQ(array.keyArraySearch(QStringLiteral("K2")), 2);
    EXPECT_EQ(array.keyArraySearch(QStringLiteral("K1")), 3);
    EXPECT_EQ(array.at(3).topFile, QStringLiteral("/second.top"));
    EXPECT_FALSE(array.keyArrayDelete(QStringLiteral("K7")));
    EXPECT_EQ(array.upperBound(), 3);
    ASSERT_TRUE(array.keyArrayDelete(QString()));
    EXPECT_EQ(array.keyArraySearch(QStringLiteral("K2")), 1);

    EXPECT_EQ(log.entries(), (QStringList{u"[Key Array Search][frmAddLabs] - 9 - Subscript out of range"_qs,
                                          u"[Key Array Insert][frmAddLabs] - 9 - Subscript out of range"_qs,
                                          u"[Key Array Delete][frmAddLabs] - 0 - "_qs}));
}

TEST(KeyArray, OptFilesIsCountedAndUpdateSetsButNeverClearsExceptTheMode)
{
    test::ScopedErrorLog log;
    KeyArray array;
    array.keyArrayInitialize();
    LabRecord r = lab(QStringLiteral(" K1 "), QStringLiteral("  /t.top "));
    r.description = QStringLiteral("desc");
    r.picture = QStringLiteral("/p.png");
    r.mode = QStringLiteral("testsim");
    r.examsCovered = QStringLiteral("icnd1,route");
    r.sku = QStringLiteral("0101001");
    r.optFiles = 3;
    ASSERT_TRUE(array.keyArrayInsert(r));
    LabRecord expected = r;
    expected.optFiles = 1;
    EXPECT_EQ(array.at(2), expected);

    LabRecord change;
    change.key = r.key;
    change.loadNwcFile = QStringLiteral("/l.nwc");
    change.nwcFile = QStringLiteral("/g.nwc");
    change.linkPage = QStringLiteral("9");
    ASSERT_TRUE(array.keyArrayUpdate(change));
    expected.loadNwcFile = change.loadNwcFile;
    expected.nwcFile = change.nwcFile;
    expected.linkPage = change.linkPage;
    expected.mode.clear();
    expected.optFiles = 3;
    EXPECT_EQ(array.at(2), expected);

    change = {};
    change.key = r.key;
    change.mode = QStringLiteral("testsim");
    change.sku = QStringLiteral("0101002");
    ASSERT_TRUE(array.keyArrayUpdate(change));
    EXPECT_EQ(array.at(2).mode, QStringLiteral("testsim"));
    EXPECT_EQ(array.at(2).sku, QStringLiteral("0101002"));

    change.key = QStringLiteral("K1");
    EXPECT_FALSE(array.keyArrayUpdate(change));
    EXPECT_EQ(log.entries(), QStringList{u"[Key Array Update][frmAddLabs] - 0 - "_qs});
}

TEST(KeyCounter, NumbersKeysOnAndRefusesToWrap)
{
    test::ScopedErrorLog log;
    KeyCounter counter;
    EXPECT_EQ(counter.createNewKey(), QStringLiteral("K1"));
    EXPECT_EQ(counter.createNewKey(), QStringLiteral("K2"));

    KeyCounter nearlyDone(std::numeric_limits<qint32>::max() - 1);
    EXPECT_EQ(nearlyDone.createNewKey(), QStringLiteral("K2147483647"));
    EXPECT_EQ(nearlyDone.createNewKey(), QString());
    EXPECT_EQ(nearlyDone.value(), std::numeric_limits<qint32>::max());
    EXPECT_EQ(log.entries(), QStringList{u"[Create New Key][frmAddLabs] - 6 - Overflow: no lab key is left after K2147483647"_qs});
}
