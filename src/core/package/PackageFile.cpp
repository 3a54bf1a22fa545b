#include "package/PackageFile.h"

#include "codec/Huffman.h"
#include "errorlog/ErrorNumbers.h"
#include "io/CheckedWriter.h"
#include "io/FileKind.h"

#include <QFile>

#include <limits>
#include <system_error>

namespace fendrel {
namespace {

// Reading thousands of small files costs more in system calls than the codec spends on their
// bytes; two threads reading ahead of it share that out.
constexpr int kReaders = 2;

// Small members' bytes kept from the counting for the coding, up to this much: the second
// reading of thousands of small files then costs no system call, and the memory is bounded
// whatever the catalogue (less for a small image, see PackageImageWriter).
constexpr qint64 kKeptBudget = 128 << 20;

// Leaves the codec early when the work around it has failed; the failure is already recorded.
struct Abandoned {};

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

QByteArrayView viewOf(const std::uint8_t *bytes, std::size_t size)
{
    return QByteArrayView(reinterpret_cast<const char *>(bytes), static_cast<qsizetype>(size));
}

} // namespace

bool writePackageFile(const QString &path, QList<PackageMember> members, const ProgressCallback &progress,
                      PackageFileError *error)
{
    const QString source = QStringLiteral("WritePackage");
    PackageImageWriter image;
    QString why;
    if (!image.plan(std::move(members), &why, kKeptBudget)) {
        fail(error, kErrComplaint, source, why);
        return false;
    }
    CheckedWriter file(path);
    const auto packageNotWritten = [&] {
        fail(error, kErrFileAccess, source, file.error());
        return false;
    };
    if (!file.open())
        return packageNotWritten();

    try {
        Huffman codec = codecReporting(progress);
        // The image is produced twice, once to count and once to code: the small members from the
        // bytes the first reading kept, the others from their files again. The second reading
        // refuses a file that changed since it was looked at, and the codec itself refuses a
        // second reading that disagrees with the first.
        const auto produce = [&](int pass, const Huffman::Sink &consume) {
            const bool produced = image.produce(
                [&](QByteArrayView piece) {
                    consume(reinterpret_cast<const std::uint8_t *>(piece.data()), static_cast<std::size_t>(piece.size()));
                },
                &why, pass == 0 ? PackageImageWriter::Reading::First : PackageImageWriter::Reading::Later, kReaders);
            if (!produced) {
                fail(error, kErrComplaint, source, why);
                throw Abandoned{};
            }
        };
        codec.encodeFrom(static_cast<std::size_t>(image.size()), produce, [&](const std::uint8_t *bytes, std::size_t size) {
            if (!file.write(viewOf(bytes, size)))
                throw Abandoned{};
        });
    } catch (const Abandoned &) {
        file.cancel();
        return file.error().isEmpty() ? false : packageNotWritten();
    } catch (const HuffmanError &e) {
        file.cancel();
        fail(error, e.number(), QString::fromStdString(e.source()), QString::fromStdString(e.description()));
        return false;
    } catch (const std::bad_alloc &) {
        file.cancel();
        fail(error, kErrOutOfMemory, source, kErrOutOfMemoryText);
        return false;
    } catch (const std::system_error &e) {
        file.cancel();
        fail(error, kErrComplaint, source, QStringLiteral("The files could not be read: no thread could be started (%1).").arg(QString::fromLocal8Bit(e.what())));
        return false;
    }
    if (!file.commit())
        return packageNotWritten();
    return true;
}

bool readPackageFile(const QString &path, const ProgressCallback &progress, const ImagePieceConsumer &consume,
                     PackageFileError *error)
{
    const QString source = QStringLiteral("ExtractPack");
    if (const QString why = whyNotARegularFile(path); !why.isEmpty()) {
        fail(error, kErrFileNotFound, source, QStringLiteral("%1 cannot be read: it %2").arg(path, why));
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        fail(error, kErrFileNotFound, source, QStringLiteral("%1 cannot be read: %2").arg(path, file.errorString()));
        return false;
    }
    if (file.size() > std::numeric_limits<std::int32_t>::max()) {
        fail(error, kErrComplaint, source, QStringLiteral("%1 is larger than a package can be.").arg(path));
        return false;
    }
    struct Stopped {};
    try {
        Huffman codec = codecReporting(progress);
        codec.decodeFrom(
            static_cast<std::size_t>(file.size()),
            [&](std::uint8_t *buffer, std::size_t capacity) {
                const qint64 got = file.read(reinterpret_cast<char *>(buffer), static_cast<qint64>(capacity));
                if (got < 0) {
                    fail(error, kErrDeviceIo, source, QStringLiteral("%1 cannot be read: %2").arg(path, file.errorString()));
                    throw Abandoned{};
                }
                return static_cast<std::size_t>(got);
            },
            [&](const std::uint8_t *bytes, std::size_t size) {
                if (!consume(viewOf(bytes, size)))
                    throw Stopped{};
            });
    } catch (const Stopped &) {
        return false;
    } catch (const Abandoned &) {
        return false;
    } catch (const HuffmanError &e) {
        fail(error, e.number(), QString::fromStdString(e.source()), QString::fromStdString(e.description()));
        return false;
    } catch (const std::bad_alloc &) {
        fail(error, kErrOutOfMemory, source, kErrOutOfMemoryText);
        return false;
    }
    return true;
}

bool startsAsHe3Stream(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = file.read(4);
    return head.size() == 4 && head[0] == 'H' && head[1] == 'E' && head[3] == '\r';
}

bool readPackageImageFile(const QString &path, PackageImageParser::Handler &handler, const ProgressCallback &progress,
                          PackageFileError *error)
{
    PackageImageParser parser(handler);
    const bool read = readPackageFile(path, progress, [&parser](QByteArrayView piece) { return parser.feed(piece); }, error);
    if (parser.failed() || (read && !parser.finish())) {
        fail(error, kErrComplaint, QStringLiteral("pckLoad"), parser.error());
        return false;
    }
    return read;
}

} // namespace fendrel
