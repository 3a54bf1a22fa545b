#include "package/PackageImage.h"

#include "text/Windows1252.h"

#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <limits>

namespace fendrel {
namespace {

constexpr qint64 kMaxTextBytes = 32767;
constexpr qint64 kMaxListCount = std::numeric_limits<qint32>::max();

void append(ImageBytes &out, QByteArrayView bytes)
{
    out.insert(out.end(), reinterpret_cast<const std::uint8_t *>(bytes.data()),
               reinterpret_cast<const std::uint8_t *>(bytes.data()) + bytes.size());
}

void putU16(ImageBytes &out, quint16 value)
{
    char bytes[2];
    qToLittleEndian(value, bytes);
    append(out, QByteArrayView(bytes, 2));
}

void putU32(ImageBytes &out, quint32 value)
{
    char bytes[4];
    qToLittleEndian(value, bytes);
    append(out, QByteArrayView(bytes, 4));
}

void putListHeader(ImageBytes &out, qint64 count)
{
    putU16(out, 1);
    putU32(out, static_cast<quint32>(count));
    putU32(out, 0);
}

class ImageReader {
public:
    explicit ImageReader(QByteArrayView data) : m_data(data) {}

    qint64 remaining() const { return m_data.size() - m_pos; }

    bool u16(quint16 &value)
    {
        if (remaining() < 2)
            return fail(QStringLiteral("it ends inside a field"));
        value = qFromLittleEndian<quint16>(m_data.data() + m_pos);
        m_pos += 2;
        return true;
    }

    bool u32(quint32 &value)
    {
        if (remaining() < 4)
            return fail(QStringLiteral("it ends inside a field"));
        value = qFromLittleEndian<quint32>(m_data.data() + m_pos);
        m_pos += 4;
        return true;
    }

    bool bytes(qint64 count, QByteArrayView &view)
    {
        if (count > remaining())
            return fail(QStringLiteral("a field claims more bytes than the package holds"));
        view = m_data.sliced(m_pos, count);
        m_pos += count;
        return true;
    }

    bool text(QString &value)
    {
        quint16 length = 0;
        QByteArrayView raw;
        if (!u16(length) || !bytes(length, raw))
            return false;
        value = fromWindows1252(raw);
        return true;
    }

    // A list header: dimensions 0 gives count -1 (never created). Each element takes at least
    // minElementBytes, which bounds the count before anything is allocated.
    bool listHeader(qint64 &count, qint64 minElementBytes)
    {
        quint16 dimensions = 0;
        if (!u16(dimensions))
            return false;
        if (dimensions == 0) {
            count = -1;
            return true;
        }
        if (dimensions != 1)
            return fail(QStringLiteral("a list has %1 dimensions").arg(dimensions));
        quint32 elements = 0;
        quint32 lowerBound = 0;
        if (!u32(elements) || !u32(lowerBound))
            return false;
        if (lowerBound != 0)
            return fail(QStringLiteral("a list does not start at index 0"));
        if (elements > kMaxListCount || static_cast<qint64>(elements) * minElementBytes > remaining())
            return fail(QStringLiteral("a list claims more entries than the package can hold"));
        count = elements;
        return true;
    }

    bool fail(const QString &why)
    {
        if (m_error.isEmpty())
            m_error = why;
        return false;
    }
    QString error() const { return m_error; }

private:
    QByteArrayView m_data;
    qint64 m_pos = 0;
    QString m_error;
};

} // namespace

ImageBytes buildPackageImage(QList<PackageMember> &&members, QString *error)
{
    if (members.size() + 1 > kMaxListCount) {
        *error = QStringLiteral("A package cannot hold %1 files.").arg(members.size());
        return {};
    }
    QList<QByteArray> names;
    QList<qint64> sizes;
    qint64 size = 2 + 10 + 2 + 2 + 10 + 2;
    for (const PackageMember &m : std::as_const(members)) {
        names.append(toWindows1252(m.name));
        if (names.last().size() > kMaxTextBytes) {
            *error = QStringLiteral("The file name %1 is too long for a package.").arg(m.name);
            return {};
        }
        sizes.append(m.data ? m.data->size() : m.source.isEmpty() ? -1 : QFileInfo(m.source).size());
        if (sizes.last() > std::numeric_limits<qint32>::max()) {
            *error = QStringLiteral("%1 is larger than a package member can be (2 GiB).").arg(m.name);
            return {};
        }
        size += 2 + names.last().size() + 2 + (sizes.last() >= 0 ? 8 + sizes.last() : 0);
    }
    if (size > std::numeric_limits<qint32>::max()) {
        *error = QStringLiteral("The package would be larger than 2 GiB, more than its format can hold.");
        return {};
    }

    ImageBytes image;
    image.reserve(static_cast<std::size_t>(size));
    putU16(image, 0); // reserved text
    putListHeader(image, members.size() + 1);
    putU16(image, 0); // entry 0: empty name
    for (const QByteArray &name : std::as_const(names)) {
        putU16(image, static_cast<quint16>(name.size()));
        append(image, name);
    }
    putU16(image, 0); // reserved list, never created
    putListHeader(image, members.size() + 1);
    putU16(image, 0); // entry 0: no data
    for (qsizetype i = 0; i < members.size(); ++i) {
        PackageMember &m = members[i];
        if (sizes[i] < 0) {
            putU16(image, 0);
            continue;
        }
        putListHeader(image, sizes[i]);
        if (m.data) {
            append(image, *m.data);
            m.data.reset();
            continue;
        }
        // Read straight into the image; a file that changed since its size was taken is refused.
        const std::size_t at = image.size();
        image.resize(at + static_cast<std::size_t>(sizes[i]));
        QFile file(m.source);
        char overflow = 0;
        if (!file.open(QIODevice::ReadOnly)
            || file.read(reinterpret_cast<char *>(image.data() + at), sizes[i]) != sizes[i]
            || file.read(&overflow, 1) != 0) {
            *error = QStringLiteral("%1 could not be read whole: %2").arg(m.source, file.errorString());
            return {};
        }
    }
    members.clear();
    return image;
}

std::optional<PackageImage> readPackageImage(QByteArrayView data, QString *error)
{
    ImageReader reader(data);
    PackageImage image;
    QString ignored;
    qint64 count = 0;
    bool ok = reader.text(ignored) && reader.listHeader(count, 2);
    for (qint64 i = 0; ok && i < count; ++i) {
        QString name;
        ok = reader.text(name);
        if (ok && i > 0)
            image.names.append(name);
    }
    ok = ok && reader.listHeader(count, 2);
    for (qint64 i = 0; ok && i < count; ++i)
        ok = reader.text(ignored);
    ok = ok && reader.listHeader(count, 2);
    for (qint64 i = 0; ok && i < count; ++i) {
        qint64 size = 0;
        QByteArrayView bytes;
        ok = reader.listHeader(size, 1) && (size < 0 || reader.bytes(size, bytes));
        if (ok && i > 0)
            image.data.append(size < 0 ? std::nullopt : std::optional<QByteArrayView>(bytes));
    }
    if (!ok) {
        if (error)
            *error = QStringLiteral("The package is damaged: %1.").arg(reader.error());
        return std::nullopt;
    }
    return image;
}

} // namespace fendrel
