#include "text/Windows1252.h"

#include <algorithm>
#include <array>

namespace fendrel {
namespace {

// 0x80..0x9F; the five unassigned bytes map to the C1 control of the same value, as Windows does.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char encodeOne(char32_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return static_cast<char>(c);
    for (std::size_t i = 0; i < kHighControls.size(); ++i) {
        if (kHighControls[i] == c)
            return static_cast<char>(0x80 + i);
    }
    return '?';
}

} // namespace

void appendWindows1252(QByteArray &out, QStringView text)
{
    const qsizetype start = out.size();
    out.resize(start + text.size());
    char *dst = out.data() + start;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i].unicode();
        if (unit < 0x80) {
            *dst++ = static_cast<char>(unit);
        } else if (QChar::isHighSurrogate(unit) && i + 1 < text.size()
                   && QChar::isLowSurrogate(text[i + 1].unicode())) {
            ++i; // a character outside the BMP is one "?", not two
            *dst++ = '?';
        } else {
            *dst++ = encodeOne(unit);
        }
    }
    out.truncate(dst - out.constData());
}

QByteArray toWindows1252(QStringView text)
{
    QByteArray out;
    appendWindows1252(out, text);
    return out;
}

bool fitsWindows1252(QStringView text)
{
    // Asked of every value at every check, so it encodes nothing: a character fits when it is one
    // of the 256 the code page maps (a surrogate pair never is).
    return std::all_of(text.begin(), text.end(), [](QChar ch) {
        const char16_t u = ch.unicode();
        return u < 0x80 || (u >= 0xA0 && u <= 0xFF)
            || std::find(kHighControls.begin(), kHighControls.end(), u) != kHighControls.end();
    });
}

QString fromWindows1252(QByteArrayView bytes)
{
    QString out(bytes.size(), Qt::Uninitialized);
    QChar *dst = out.data();
    for (const char b : bytes) {
        const auto u = static_cast<unsigned char>(b);
        *dst++ = (u >= 0x80 && u < 0xA0) ? QChar(kHighControls[u - 0x80]) : QChar(char16_t(u));
    }
    return out;
}

} // namespace fendrel
