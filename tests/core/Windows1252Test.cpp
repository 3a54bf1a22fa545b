#include "text/Windows1252.h"

#include <gtest/gtest.h>

using namespace fendrel;

TEST(Windows1252, EveryByteSurvivesARoundTripAndOtherCharactersBecomeQuestionMarks)
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(static_cast<char>(b));
    const QString text = fromWindows1252(all);
    ASSERT_EQ(text.size(), 256);
    EXPECT_EQ(toWindows1252(text), all);
    EXPECT_EQ(text.at(0x80), QChar(0x20AC)); // euro sign
    EXPECT_EQ(text.at(0x93), QChar(0x201C)); // left double quote
    EXPECT_EQ(text.at(0xE9), QChar(0x00E9));

    // One question mark for each character outside the code page.
    EXPECT_EQ(toWindows1252(u"a\u4E2Db"), QByteArray("a?b"));
    EXPECT_EQ(toWindows1252(QString::fromUtf8("x\xF0\x9F\x98\x80y")), QByteArray("x?y")); // outside the BMP
}
