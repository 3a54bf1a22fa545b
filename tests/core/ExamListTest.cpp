#include "catalogue/ExamList.h"

#include <gtest/gtest.h>

using namespace fendrel;

namespace {

const QString ont = QStringLiteral("ont");
const QString icnd1 = QStringLiteral("icnd1");

int box(const QString &code)
{
    return static_cast<int>(examCodes().indexOf(code));
}

} // namespace

TEST(ExamList, ClicksAppendAndRemoveWithTheirComma)
{
    QString list = updateExamList({}, ont, true);
    EXPECT_EQ(list, u"ont");
    list = updateExamList(list, icnd1, true);
    EXPECT_EQ(list, u"ont,icnd1");
    EXPECT_EQ(updateExamList(list, ont, false), u"icnd1");
    EXPECT_EQ(updateExamList(list, icnd1, false), u"ont");
    EXPECT_EQ(updateExamList(QStringLiteral("ont"), ont, false), u"");
    EXPECT_EQ(updateExamList(QStringLiteral("ont"), icnd1, false), u"ont");
    // A code found only in another letter case is left where it is.
    EXPECT_EQ(updateExamList(QStringLiteral("ONT,icnd1"), ont, false), u"ONT,icnd1");
    EXPECT_EQ(updateExamList(QStringLiteral("bsci,ont,ont"), ont, false), u"bsci");
}

TEST(ExamList, ShowingAListChecksExactCodesAndCarriesTheEditingListAlong)
{
    ExamBoxes boxes{};
    QString editing;
    showExamList(QStringLiteral("icnd1,foo"), boxes, editing);
    for (int i = 0; i < kExamCount; ++i)
        EXPECT_EQ(boxes[i], i == box(icnd1)) << i;
    EXPECT_EQ(editing, u"icnd1");

    showExamList(QStringLiteral("ont,icnd1"), boxes, editing);
    EXPECT_TRUE(boxes[box(ont)]);
    EXPECT_EQ(editing, u"ont,icnd1"); // every box is cleared first, so the stored order comes back

    showExamList(QStringLiteral("bsci"), boxes, editing);
    EXPECT_EQ(editing, u"bsci");
    EXPECT_EQ(std::count(boxes.begin(), boxes.end(), true), 1);

    // No trimming and no case folding: neither item names a box.
    showExamList(QStringLiteral(" ont,TSHOOT"), boxes, editing);
    EXPECT_EQ(std::count(boxes.begin(), boxes.end(), true), 0);
    EXPECT_EQ(editing, u"");
}
