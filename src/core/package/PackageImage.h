#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace fendrel {

inline const QString kPackageCatalogueName = QStringLiteral("Fendrel.ini");

// One file carried by a package: its content given as bytes, or read from source when the
// image is built (so that a large file is held once, in the image). A member with neither names
// the content of the earlier member of the same name.
struct PackageMember {
    QString name;
    std::optional<QByteArray> data = {};
    QString source = {};

    bool hasContent() const { return data.has_value() || !source.isEmpty(); }
};

using ImageBytes = std::vector<std::uint8_t>;

// Serialises the package image (reserved text, member names, reserved list, member data).
// Returns an empty result and sets error when a name or member is too large for the format or
// a source file cannot be read whole.
ImageBytes buildPackageImage(QList<PackageMember> &&members, QString *error);

inline QByteArrayView viewOf(const ImageBytes &bytes)
{
    return QByteArrayView(reinterpret_cast<const char *>(bytes.data()), static_cast<qsizetype>(bytes.size()));
}

// A package image read back; data views point into the image it was read from.
struct PackageImage {
    QList<QString> names;                         // members 1..N
    QList<std::optional<QByteArrayView>> data;    // members 1..M, M may fall short of N
};

// Reads an image field by field, trusting no length before it is checked against the bytes
// that remain. On a malformed image returns nothing and says why.
std::optional<PackageImage> readPackageImage(QByteArrayView image, QString *error);

} // namespace fendrel
