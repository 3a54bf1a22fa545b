#pragma once

#include "package/PackageImage.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <functional>

namespace fendrel {

// Receives the codec's percentage each time it changes.
using ProgressCallback = std::function<void(int percent)>;

// What went wrong in reading or writing a package file, in the error log's terms.
struct PackageFileError {
    qint32 number = 0;
    QString source;
    QString description;
};

// Writes the package of members at path in one step: a package already there keeps its content
// when anything fails, and the path never holds the uncompressed image. The image is produced
// twice, once to count and once to code, so that neither the image nor the stream is ever held
// whole, in memory or on disk: small members are read once and kept (a bounded amount), the
// others read from their files each time. A member file read again that changed between the two
// readings is refused.
bool writePackageFile(const QString &path, QList<PackageMember> members, const ProgressCallback &progress,
                      PackageFileError *error);

// Receives the expanded image piece by piece; returning false stops the reading.
using ImagePieceConsumer = std::function<bool(QByteArrayView piece)>;

// Reads a package file in pieces and expands it, handing the image on as it comes. False when
// the file cannot be read or expanded (error says why) or when consume stopped it (error is
// left as it was).
bool readPackageFile(const QString &path, const ProgressCallback &progress, const ImagePieceConsumer &consume,
                     PackageFileError *error);

// Whether a file begins as an HE3 stream does ("HE", a form digit, CR): a file that does not is
// no package at all, one that does but fails to read is a damaged package.
bool startsAsHe3Stream(const QString &path);

// Reads a whole package file through an image parser reporting to handler. False when the file
// cannot be read or expanded, or its image is malformed; error says why.
bool readPackageImageFile(const QString &path, PackageImageParser::Handler &handler, const ProgressCallback &progress,
                          PackageFileError *error);

} // namespace fendrel
