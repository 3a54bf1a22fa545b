#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <cstdint>
#include <optional>
#include <vector>

namespace fendrel {

// Receives the codec's percentage each time it changes.
using ProgressCallback = std::function<void(int percent)>;

// What went wrong in reading or writing a package file, in the error log's terms.
struct PackageFileError {
    qint32 number = 0;
    QString source;
    QString description;
};

// Compresses a package image into an HE3 stream and writes it at path in one step: a package
// already there keeps its content when anything fails, and the path never holds the
// uncompressed image.
bool writePackageFile(const QString &path, std::vector<std::uint8_t> &&image, const ProgressCallback &progress,
                      PackageFileError *error);

// Reads and expands a package file into its image, in memory.
std::optional<std::vector<std::uint8_t>> readPackageFile(const QString &path, const ProgressCallback &progress,
                                                         PackageFileError *error);

} // namespace fendrel
