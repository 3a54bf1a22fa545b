#include "catalogue/ImageHandler.h"
#include "support/TestSupport.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace fendrel;

namespace {

QByteArray header(std::initializer_list<std::pair<int, int>> bytes, qsizetype size = 256)
{
    QByteArray h(size, '\0');
    for (auto [at, value] : bytes)
        h[at] = static_cast<char>(value);
    return h;
}

QByteArray png(quint32 width, quint32 height)
{
    QByteArray h = header({{0, 137}, {1, 'P'}, {2, 'N'}, {3, 'G'}});
    for (int i = 0; i < 4; ++i) {
        h[16 + i] = static_cast<char>(width >> (24 - 8 * i));
        h[20 + i] = static_cast<char>(height >> (24 - 8 * i));
    }
    return h;
}

} // namespace

TEST(ImageHandler, PngReadsTheLowSixteenBitsAndRefusesWhatOverflowsThem)
{
    ImageInfo info = imageInfo(png(70000, 300));
    EXPECT_TRUE(info.ok);
    EXPECT_EQ(info.type, u"png");
    EXPECT_EQ(info.width, 4464);
    EXPECT_EQ(info.height, 300);

    EXPECT_FALSE(imageInfo(png(40000, 10)).ok);
    EXPECT_FALSE(imageInfo(png(10, 32768)).ok);
    EXPECT_TRUE(imageInfo(png(32767, 10)).ok);
}

TEST(ImageHandler, BitmapHeadersOfFortyAndTwelveBytes)
{
    ImageInfo info = imageInfo(header({{0, 'B'}, {1, 'M'}, {14, 40}, {18, 0x70}, {19, 0x11}, {20, 0x01}, {22, 0xFF},
                                       {23, 0xFF}, {24, 0xFF}, {25, 0xFF}}));
    EXPECT_TRUE(info.ok);
    EXPECT_EQ(info.type, u"bmp");
    EXPECT_EQ(info.width, 70000); // 32-bit fields: no overflow
    EXPECT_EQ(info.height, -1);   // bottom-up bitmaps store a negative height

    info = imageInfo(header({{0, 'B'}, {1, 'M'}, {14, 12}, {18, 0x20}, {19, 0x03}, {20, 0x58}, {21, 0x02}}));
    EXPECT_TRUE(info.ok);
    EXPECT_EQ(info.width, 800);
    EXPECT_EQ(info.height, 600);
    EXPECT_FALSE(imageInfo(header({{0, 'B'}, {1, 'M'}, {14, 12}, {19, 0x80}})).ok);

    info = imageInfo(header({{0, 'B'}, {1, 'M'}, {14, 108}, {18, 5}}));
    EXPECT_TRUE(info.ok);
    EXPECT_EQ(info.width, 0);
}

TEST(ImageHandler, JpegTakesTheFirstFrameMarkerWithinTheHeader)
{
    ImageInfo info = imageInfo(header({{0, 0xFF}, {1, 0xD8}, {2, 0xFF}, {3, 0xE0}, {20, 0xFF}, {21, 0xC2}, {25, 0x01},
                                       {26, 0x2C}, {27, 0x02}, {28, 0x58}}));
    EXPECT_TRUE(info.ok);
    EXPECT_EQ(info.type, u"jpg");
    EXPECT_EQ(info.width, 600);
    EXPECT_EQ(info.height, 300);

    // A marker whose size bytes would lie past byte 255 is not looked at.
    const QByteArray last = header({{0, 0xFF}, {1, 0xD8}, {247, 0xFF}, {248, 0xC0}, {254, 0x01}, {255, 0x02}});
    EXPECT_EQ(imageInfo(last).width, 258);
    info = imageInfo(header({{0, 0xFF}, {1, 0xD8}, {248, 0xFF}, {249, 0xC0}, {255, 0x02}}));
    EXPECT_TRUE(info.ok);
    EXPECT_EQ(info.width, 0);
    EXPECT_EQ(info.height, 0);
}

TEST(ImageHandler, GifMetafileAndFilesOnDisk)
{
    ImageInfo info = imageInfo(QByteArray("GIF89a\x40\x01\xF0\x00", 10));
    EXPECT_TRUE(info.ok);
    EXPECT_EQ(info.type, u"gif");
    EXPECT_EQ(info.width, 320);
    EXPECT_EQ(info.height, 240);

    // A placeable Windows Metafile is offered by the picture filter but never recognised.
    info = imageInfo(QByteArray("\xD7\xCD\xC6\x9A\x00\x00", 6));
    EXPECT_FALSE(info.ok);
    EXPECT_TRUE(info.type.isEmpty());

    QTemporaryDir dir;
    const QString short_ = dir.filePath(QStringLiteral("short.bmp"));
    test::writeFile(short_, "BM");
    EXPECT_TRUE(imageHandler(short_).ok); // the missing bytes read as zero
    const QString pic = dir.filePath(QStringLiteral("pic.png"));
    test::writeFile(pic, png(64, 48) + QByteArray(1000, 'x'));
    EXPECT_EQ(imageHandler(pic).height, 48);
    EXPECT_FALSE(imageHandler(dir.filePath(QStringLiteral("missing.png"))).ok);
}
