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

QString described(const ImageInfo &info)
{
    return (info.ok ? QString() : QStringLiteral("refused ")) + info.type
        + QStringLiteral(" %1x%2").arg(info.width).arg(info.height);
}

} // namespace

TEST(ImageHandler, EachFormatReadsItsSizeAndRefusesWhatOverflowsSixteenBits)
{
    const std::pair<QByteArray, QString> cases[] = {
        // PNG keeps only the low sixteen bits of its 32-bit sizes.
        {png(70000, 300), u"png 4464x300"_qs},
        {png(40000, 10), u"refused png 0x0"_qs},
        {png(10, 32768), u"refused png 0x0"_qs},
        {png(32767, 10), u"png 32767x10"_qs},
        // A 40-byte bitmap header has 32-bit fields, and bottom-up bitmaps a negative height.
        {header({{0, 'B'}, {1, 'M'}, {14, 40}, {18, 0x70}, {19, 0x11}, {20, 0x01}, {22, 0xFF}, {23, 0xFF}, {24, 0xFF}, {25, 0xFF}}),
         u"bmp 70000x-1"_qs},
        {header({{0, 'B'}, {1, 'M'}, {14, 12}, {18, 0x20}, {19, 0x03}, {20, 0x58}, {21, 0x02}}), u"bmp 800x600"_qs},
        {header({{0, 'B'}, {1, 'M'}, {14, 12}, {19, 0x80}}), u"refused bmp 0x0"_qs},
        {header({{0, 'B'}, {1, 'M'}, {14, 108}, {18, 5}}), u"bmp 0x0"_qs},
        // JPEG: the first frame marker whose size bytes lie within the 256-byte header.
        {header({{0, 0xFF}, {1, 0xD8}, {2, 0xFF}, {3, 0xE0}, {20, 0xFF}, {21, 0xC2}, {25, 0x01}, {26, 0x2C}, {27, 0x02}, {28, 0x58}}),
         u"jpg 600x300"_qs},
        {header({{0, 0xFF}, {1, 0xD8}, {247, 0xFF}, {248, 0xC0}, {254, 0x01}, {255, 0x02}}), u"jpg 258x0"_qs},
        {header({{0, 0xFF}, {1, 0xD8}, {248, 0xFF}, {249, 0xC0}, {255, 0x02}}), u"jpg 0x0"_qs},
        {QByteArray("GIF89a\x40\x01\xF0\x00", 10), u"gif 320x240"_qs},
        // A placeable Windows Metafile is offered by the picture filter but never recognised.
        {QByteArray("\xD7\xCD\xC6\x9A\x00\x00", 6), u"refused  0x0"_qs},
    };
    for (const auto &[bytes, expected] : cases)
        EXPECT_EQ(described(imageInfo(bytes)), expected);
}

TEST(ImageHandler, FilesOnDisk)
{
    QTemporaryDir dir;
    const QString short_ = dir.filePath(QStringLiteral("short.bmp"));
    test::writeFile(short_, "BM");
    EXPECT_TRUE(imageHandler(short_).ok); // the missing bytes read as zero
    const QString pic = dir.filePath(QStringLiteral("pic.png"));
    test::writeFile(pic, png(64, 48) + QByteArray(1000, 'x'));
    EXPECT_EQ(imageHandler(pic).height, 48);
    EXPECT_FALSE(imageHandler(dir.filePath(QStringLiteral("missing.png"))).ok);
}
