#include "package/PackageFile.h"

#include "codec/Huffman.h"

#include <QFile>
#include <QSaveFile>

#include <limits>

namespace fendrel {
namespace {

Huffman codecReporting(const ProgressCallback &progress)
{
    Huffman codec;
    if (progress)
        codec.setProgressHandler([&progress](std::int16_t &percent) { progress(percent); });
    return codec;
}

void fail(PackageFileError *error, qint32 number, const QString &source, const QString &description)
{
    if (error)
        *error = {number, source, description};
}

} // namespace

bool writePackageFile(const QString &path, std::vector<std::uint8_t> &&image, const ProgressCallback &progress,
                      PackageFileError *error)
{
    if (image.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
        fail(error, 0, QStringLiteral("WritePackage"), QStringLiteral("The package is larger than 2 GiB."));
        return false;
    }
    // The stream goes to the file piece by piece as it is coded, so only the image is held whole.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        fail(error, 75, QStringLiteral("WritePackage"), QStringLiteral("%1 cannot be written: %2").arg(path, file.errorString()));
        return false;
    }
    bool written = true;
    try {
        Huffman codec = codecReporting(progress);
        codec.encodeTo(image.data(), image.size(), [&](const std::uint8_t *bytes, std::size_t size) {
            written = written && file.write(reinterpret_cast<const char *>(bytes), static_cast<qint64>(size)) == static_cast<qint64>(size);
        });
    } catch (const HuffmanError &e) {
        file.cancelWriting();
        fail(error, e.number(), QString::fromStdString(e.source()), QString::fromStdString(e.description()));
        return false;
    } catch (const std::bad_alloc &) {
        file.cancelWriting();
        fail(error, 7, QStringLiteral("WritePackage"), QStringLiteral("Out of memory"));
        return false;
    }
    if (!written || !file.commit()) {
        fail(error, 75, QStringLiteral("WritePackage"), QStringLiteral("%1 cannot be written: %2").arg(path, file.errorString()));
        return false;
    }
    return true;
}

std::optional<std::vector<std::uint8_t>> readPackageFile(const QString &path, const ProgressCallback &progress,
                                                         PackageFileError *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        fail(error, 53, QStringLiteral("ExtractPack"), QStringLiteral("%1 cannot be read: %2").arg(path, file.errorString()));
        return std::nullopt;
    }
    if (file.size() > std::numeric_limits<std::int32_t>::max()) {
        fail(error, 0, QStringLiteral("ExtractPack"), QStringLiteral("%1 is larger than a package can be.").arg(path));
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(file.size()));
    if (file.read(reinterpret_cast<char *>(bytes.data()), file.size()) != file.size()) {
        fail(error, 57, QStringLiteral("ExtractPack"), QStringLiteral("%1 cannot be read: %2").arg(path, file.errorString()));
        return std::nullopt;
    }
    try {
        Huffman codec = codecReporting(progress);
        codec.decodeByte(bytes, static_cast<std::int32_t>(bytes.size()));
    } catch (const HuffmanError &e) {
        fail(error, e.number(), QString::fromStdString(e.source()), QString::fromStdString(e.description()));
        return std::nullopt;
    } catch (const std::bad_alloc &) {
        fail(error, 7, QStringLiteral("ExtractPack"), QStringLiteral("Out of memory"));
        return std::nullopt;
    }
    return bytes;
}

} // namespace fendrel
