#include "catalogue/ImageHandler.h"

#include "io/FileKind.h"

#include <array>

namespace fendrel {
namespace {

constexpr qsizetype kHeaderSize = 256;

class Header {
public:
    explicit Header(QByteArrayView bytes)
    {
        const qsizetype n = std::min(bytes.size(), kHeaderSize);
        for (qsizetype i = 0; i < n; ++i)
            m_bytes[static_cast<std::size_t>(i)] = static_cast<quint8>(bytes[i]);
    }
    qint32 operator[](qsizetype i) const { return m_bytes[static_cast<std::size_t>(i)]; }

private:
    std::array<quint8, kHeaderSize> m_bytes{};
};

bool fitsInt16(qint32 value)
{
    return value < 32768;
}

ImageInfo sized(const QString &type, qint32 width, qint32 height)
{
    ImageInfo info;
    info.type = type;
    if (!fitsInt16(width) || !fitsInt16(height))
        return info;
    info.ok = true;
    info.width = width;
    info.height = height;
    return info;
}

ImageInfo jpeg(const Header &h)
{
    for (qsizetype p = 0; p + 8 < kHeaderSize; ++p) {
        if (h[p] == 0xFF && h[p + 1] >= 0xC0 && h[p + 1] <= 0xCF)
            return sized(QStringLiteral("jpg"), h[p + 7] * 256 + h[p + 8], h[p + 5] * 256 + h[p + 6]);
    }
    return sized(QStringLiteral("jpg"), 0, 0);
}

ImageInfo bitmap(const Header &h)
{
    const QString type = QStringLiteral("bmp");
    if (h[14] == 40) {
        auto le32 = [&h](qsizetype at) {
            return static_cast<qint32>(static_cast<quint32>(h[at]) | static_cast<quint32>(h[at + 1]) << 8 |
                                       static_cast<quint32>(h[at + 2]) << 16 | static_cast<quint32>(h[at + 3]) << 24);
        };
        ImageInfo info;
        info.ok = true;
        info.type = type;
        info.width = le32(18);
        info.height = le32(22);
        return info;
    }
    if (h[14] == 12)
        return sized(type, h[18] + h[19] * 256, h[20] + h[21] * 256);
    return sized(type, 0, 0);
}

} // namespace

ImageInfo imageInfo(QByteArrayView bytes)
{
    const Header h(bytes);
    if (h[0] == 0xFF && h[1] == 0xD8)
        return jpeg(h);
    if (h[0] == 'G' && h[1] == 'I' && h[2] == 'F' && h[3] == '8')
        return sized(QStringLiteral("gif"), h[6] + h[7] * 256, h[8] + h[9] * 256);
    if (h[0] == 'B' && h[1] == 'M')
        return bitmap(h);
    if (h[0] == 137 && h[1] == 'P' && h[2] == 'N' && h[3] == 'G')
        return sized(QStringLiteral("png"), h[18] * 256 + h[19], h[22] * 256 + h[23]);
    return {};
}

ImageInfo imageHandler(const QString &path)
{
    QByteArray header;
    QString why;
    if (!ReadOnlyFile::readHead(path, kHeaderSize, &header, &why))
        return {};
    return imageInfo(header);
}

} // namespace fendrel
