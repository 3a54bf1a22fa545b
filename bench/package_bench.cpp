// Package speed and memory: compiling a large catalogue against the yardstick of reading the same
// files and HE3-encoding their total size alone, and extracting the package against the yardstick
// of HE3-decoding it and writing the same files (same folders, same sizes) alone.
// Every measurement runs in a child process, so its peak resident memory is its own; each is
// repeated, alternating with its yardstick, and the best time counts.
//
// Usage: package_bench [small|large|hostile|all]   (large writes about 1 GB of files to the temp folder)
//        package_bench generate labs|large DIR    (the catalogues that package_vs_tar.sh times)

#include "catalogue/Catalogue.h"
#include "catalogue/CatalogueFile.h"
#include "codec/Huffman.h"
#include "interaction/Prompter.h"
#include "loader/PackageLoader.h"
#include "package/PackageCompiler.h"
#include "package/PackageFile.h"
#include "package/PackageImage.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <cstdio>
#include <functional>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace fendrel;

namespace {

class SilentPrompter : public Prompter {
public:
    MessageAnswer show(const QString &, MessageIcon, MessageButtons, const QString &) override { return MessageAnswer::Yes; }
};

struct Measurement {
    double seconds = 0;
    double peakMiB = 0;
};

// Runs work in a child process; returns its wall time and peak resident memory. Work that times
// itself (to leave its preparation out) returns the seconds to count; otherwise it returns a
// negative number and the whole of it counts.
Measurement measureTimed(const std::function<double()> &work)
{
    int channel[2];
    if (pipe(channel) != 0)
        return {};
    const pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        const auto start = std::chrono::steady_clock::now();
        double seconds = work();
        if (seconds < 0)
            seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        (void)!write(channel[1], &seconds, sizeof seconds);
        _exit(0);
    }
    close(channel[1]);
    Measurement m;
    (void)!read(channel[0], &m.seconds, sizeof m.seconds);
    close(channel[0]);
    int status = 0;
    struct rusage usage {};
    wait4(child, &status, 0, &usage);
    m.peakMiB = static_cast<double>(usage.ru_maxrss) / 1024.0;
    return m;
}

Measurement measure(const std::function<void()> &work)
{
    return measureTimed([&work] {
        work();
        return -1.0;
    });
}

double secondsOf(const std::function<void()> &work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Text-like content: words of a small vocabulary, compressible about as well as lab documents.
// The section header that comes before lab i of labs laid out perSection to a section, or nothing
// inside a section.
QString sectionHeaderBefore(int i, int labs, int perSection)
{
    if (i % perSection != 0)
        return {};
    const int s = i / perSection;
    return QStringLiteral("[SECTION%1]\r\nsectionname=Section %1\r\nnumberofentries=%2\r\n")
        .arg(s)
        .arg(std::min(perSection, labs - s * perSection));
}

QByteArray textLike(qsizetype size, quint32 seed)
{
    static const char *words[] = {"router", "interface", "ospf", "area", "network", "configure", "terminal",
                                  "ip", "address", "255.255.255.0", "show", "running-config", "vlan", "switchport",
                                  "trunk", "access", "the", "and", "lab", "verify", "neighbor", "route", "exit"};
    QRandomGenerator random(seed);
    QByteArray out;
    out.reserve(size);
    while (out.size() < size) {
        out += words[random.bounded(static_cast<int>(std::size(words)))];
        out += random.bounded(9) == 0 ? "\r\n" : " ";
    }
    out.truncate(size);
    return out;
}

struct Scenario {
    QTemporaryDir dir;
    QString package() const { return dir.filePath(QStringLiteral("bench.lab")); }
    QStringList files;
    qint64 totalBytes = 0;

    QString write(const QString &relative, const QByteArray &content)
    {
        const QString path = dir.filePath(QStringLiteral("files/") + relative);
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.write(content);
        files << path;
        totalBytes += content.size();
        return path;
    }

    // A catalogue file naming labs * (document, topology, grading configuration with two devices).
    void build(int labs, qsizetype documentBytes, qsizetype topologyBytes)
    {
        QByteArray ini = "[GENERAL]\r\ntabtitle=Bench\r\n";
        const int perSection = 500;
        for (int i = 0; i < labs; ++i) {
            const int j = i % perSection;
            ini += sectionHeaderBefore(i, labs, perSection).toUtf8();
            const QString doc = write(QStringLiteral("docs/lab%1.pdf").arg(i), textLike(documentBytes, static_cast<quint32>(i)));
            const QString top = write(QStringLiteral("top/lab%1.top").arg(i), textLike(topologyBytes, static_cast<quint32>(i + 7)));
            const QString nwc = write(QStringLiteral("cfg/lab%1.nwc").arg(i), "number of devices=2\r\nnumber of routers=2\r\n");
            write(QStringLiteral("cfg/lab%1").arg(i) + QStringLiteral("1.rtr"), textLike(800, 1));
            write(QStringLiteral("cfg/lab%1").arg(i) + QStringLiteral("2.rtr"), textLike(800, 2));
            ini += QStringLiteral("lab%1=Lab %2\r\nlink%1=%3\r\ntopfile%1=%4\r\nnwcfile%1=%5\r\n")
                       .arg(j)
                       .arg(i)
                       .arg(doc, top, nwc)
                       .toUtf8();
        }
        QDir().mkpath(dir.filePath(QStringLiteral("data")));
        QFile file(dir.filePath(QStringLiteral("work/Fendrel.ini")));
        QDir().mkpath(dir.filePath(QStringLiteral("work")));
        if (file.open(QIODevice::WriteOnly))
            file.write(ini);
    }

    void compile() const
    {
        SilentPrompter prompter;
        Catalogue catalogue;
        catalogue.createNewTree(prompter, dir.filePath(QStringLiteral("data")), dir.filePath(QStringLiteral("work")));
        compileCatalogue(catalogue, package(), prompter);
    }

    void readAndEncode() const
    {
        std::vector<std::uint8_t> all = allFiles();
        Huffman().encodeByte(all, static_cast<std::int32_t>(all.size()));
    }

    // Writes every file the extraction wrote, with the same size, its content taken in turn from
    // source.
    void writeFiles(const QString &dataFolder, QByteArrayView source) const
    {
        qsizetype at = 0;
        for (const auto &[relative, size] : written) {
            const QString path = dataFolder + u'/' + relative;
            QDir().mkpath(QFileInfo(path).path());
            QFile out(path);
            if (!out.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
                continue;
            for (qint64 left = size; left > 0;) {
                if (at == source.size())
                    at = 0;
                const qint64 now = std::min<qint64>(left, source.size() - at);
                out.write(source.data() + at, now);
                at += now;
                left -= now;
            }
        }
    }

    QByteArray packageBytes() const
    {
        QFile file(package());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // The parts of the yardsticks alone, each in its leanest form, for a stricter comparison.
    void readAlone() const
    {
        QByteArray piece(1 << 20, Qt::Uninitialized);
        for (const QString &path : files) {
            QFile file(path);
            if (file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
                while (file.read(piece.data(), piece.size()) > 0) {
                }
        }
    }

    std::vector<std::uint8_t> allFiles() const
    {
        std::vector<std::uint8_t> all;
        all.reserve(static_cast<std::size_t>(totalBytes));
        for (const QString &path : files) {
            QFile file(path);
            if (file.open(QIODevice::ReadOnly)) {
                const QByteArray content = file.readAll();
                all.insert(all.end(), content.begin(), content.end());
            }
        }
        return all;
    }

    double encodeAlone() const
    {
        const std::vector<std::uint8_t> all = allFiles();
        return secondsOf([&] { Huffman().encodeTo(all.data(), all.size(), [](const std::uint8_t *, std::size_t) {}); });
    }

    double decodeAlone() const
    {
        const QByteArray content = packageBytes();
        return secondsOf([&] {
            std::size_t at = 0;
            Huffman().decodeFrom(
                static_cast<std::size_t>(content.size()),
                [&](std::uint8_t *buffer, std::size_t capacity) {
                    const std::size_t now = std::min(capacity, static_cast<std::size_t>(content.size()) - at);
                    std::memcpy(buffer, content.constData() + at, now);
                    at += now;
                    return now;
                },
                [](const std::uint8_t *, std::size_t) {});
        });
    }

    void writeAlone(const QString &dataFolder) const { writeFiles(dataFolder, textLike(1 << 20, 3)); }

    // The files an extraction wrote, relative to its data folder, with their sizes.
    QList<QPair<QString, qint64>> written;

    void listWritten(const QString &dataFolder)
    {
        written.clear();
        QDirIterator it(dataFolder, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QFileInfo info(it.next());
            written.append({QDir(dataFolder).relativeFilePath(info.filePath()), info.size()});
        }
    }

    void decodeAndWrite(const QString &dataFolder) const
    {
        const QByteArray content = packageBytes();
        std::vector<std::uint8_t> bytes(content.begin(), content.end());
        Huffman().decodeByte(bytes, static_cast<std::int32_t>(bytes.size()));
        writeFiles(dataFolder, viewOf(bytes));
    }

    void extract(const QString &dataFolder) const
    {
        SilentPrompter prompter;
        extractPack(package(), dataFolder, prompter);
    }
};

struct Best {
    double seconds = 1e300;
    double peakMiB = 0;
    void add(const Measurement &m)
    {
        seconds = std::min(seconds, m.seconds);
        peakMiB = std::max(peakMiB, m.peakMiB);
    }
};

// One operation against its yardstick, against the yardstick's two parts alone, and its memory.
void report(const char *operation, const char *yardstickName, const Best &yardstick, std::pair<const char *, Best> first,
            std::pair<const char *, Best> second, const Best &measured, double packageMiB)
{
    const double strict = first.second.seconds + second.second.seconds;
    std::printf("  %-26s %9.3f s  peak %8.1f MiB\n", yardstickName, yardstick.seconds, yardstick.peakMiB);
    std::printf("  %-26s %9.3f s  (%s %.3f s + %s %.3f s, each alone)\n", "  strict: parts alone", strict, first.first,
                first.second.seconds, second.first, second.second.seconds);
    std::printf("  %-26s %9.3f s  peak %8.1f MiB   time %.2fx (strict %.2fx), memory %.2fx package\n", operation,
                measured.seconds, measured.peakMiB, measured.seconds / yardstick.seconds, measured.seconds / strict,
                measured.peakMiB / packageMiB);
}

void run(const char *name, int labs, qsizetype documentBytes, qsizetype topologyBytes, int rounds)
{
    Scenario scenario;
    scenario.build(labs, documentBytes, topologyBytes);
    const Measurement idle = measure([] {});
    Best baseEncode, compile, baseDecode, extract, readPart, encodePart, decodePart, writePart;
    for (int round = 0; round < rounds; ++round) {
        baseEncode.add(measure([&] { scenario.readAndEncode(); }));
        compile.add(measure([&] { scenario.compile(); }));
        readPart.add(measure([&] { scenario.readAlone(); }));
        encodePart.add(measureTimed([&] { return scenario.encodeAlone(); }));
    }
    const double packageMiB = static_cast<double>(QFileInfo(scenario.package()).size()) / (1024.0 * 1024.0);
    for (int round = 0; round < rounds; ++round) {
        const QString extracted = scenario.dir.filePath(QStringLiteral("extracted%1").arg(round));
        extract.add(measure([&] { scenario.extract(extracted); }));
        if (round == 0)
            scenario.listWritten(extracted);
        const QString yardstick = scenario.dir.filePath(QStringLiteral("yardstick%1").arg(round));
        baseDecode.add(measure([&] { scenario.decodeAndWrite(yardstick); }));
        decodePart.add(measureTimed([&] { return scenario.decodeAlone(); }));
        const QString written = scenario.dir.filePath(QStringLiteral("written%1").arg(round));
        writePart.add(measure([&] { scenario.writeAlone(written); }));
    }

    std::printf("%s: %d labs, %.1f MiB of files, package %.1f MiB; best of %d\n", name, labs,
                static_cast<double>(scenario.totalBytes) / (1024.0 * 1024.0), packageMiB, rounds);
    std::printf("  %-26s %9s    peak %8.1f MiB\n", "program alone", "", idle.peakMiB);
    report("compile", "read + HE3 encode", baseEncode, {"read", readPart}, {"encode", encodePart}, compile, packageMiB);
    report("extract", "HE3 decode + write files", baseDecode, {"decode", decodePart}, {"write", writePart}, extract,
           packageMiB);
    std::fflush(stdout);
}

// A hostile package: a one-lab catalogue followed by 999,995 name-only members, each a device
// configuration of its own name. The routing admits them (device configurations are not counted),
// so extraction gives each an empty file; what is measured is that its memory follows the package.
void runHostile()
{
    QTemporaryDir dir;
    const QString package = dir.filePath(QStringLiteral("hostile.lab"));
    // Made in a child of its own, so that the member list is not part of every later child's memory.
    measure([&] {
        QList<PackageMember> members;
        members.append({QStringLiteral("Fendrel.ini"),
                        QByteArray("[GENERAL]\r\ntabtitle=T\r\n[SECTION0]\r\nsectionname=S\r\nnumberofentries=1\r\nlab0=L\r\n")});
        members.append({QStringLiteral("a.pdf"), QByteArray("document")});
        members.append({QStringLiteral("a.top"), QByteArray("topology")});
        for (int i = 0; i < 999995; ++i)
            members.append({QStringLiteral("x%1.rtr").arg(i)});
        PackageFileError error;
        if (!writePackageFile(package, std::move(members), {}, &error))
            std::printf("hostile: the package could not be written: %s\n", qPrintable(error.description));
    });
    if (!QFileInfo::exists(package))
        return;
    const double packageMiB = static_cast<double>(QFileInfo(package).size()) / (1024.0 * 1024.0);
    const Measurement idle = measure([] {});
    const Measurement extracted = measure([&] {
        SilentPrompter prompter;
        extractPack(package, dir.filePath(QStringLiteral("data")), prompter);
    });
    std::printf("hostile: 999,998 members, package %.1f MiB\n", packageMiB);
    std::printf("  %-26s %9s    peak %8.1f MiB\n", "program alone", "", idle.peakMiB);
    std::printf("  %-26s %9.3f s  peak %8.1f MiB   memory %.2fx package\n", "extract", extracted.seconds,
                extracted.peakMiB, extracted.peakMiB / packageMiB);
    std::fflush(stdout);
}

// A catalogue file in dir naming files below dir/files by relative paths, and dir/members.txt
// listing every file once (the catalogue first), relative to dir, for tar to take the same files.
// "labs": 4,000 labs in sections of 500, each with a document (16 KiB), a topology (4 KiB) and a
// grading configuration with two device configurations (800 bytes each); every second lab a
// loading configuration with two more, and 15 labs in 32 a picture (2 KiB): 27,875 files, 96.5 MB.
// "large": 20 labs, each a 50 MB document and a 4 KiB topology: 1 GB.
bool generate(const QString &which, const QString &dir)
{
    const bool large = which == u"large";
    if (!large && which != u"labs")
        return false;
    const int labs = large ? 20 : 4000;
    const int perSection = 500;
    QStringList members{QStringLiteral("Fendrel.ini")};
    const auto put = [&](const QString &relative, const QByteArray &content) {
        const QString path = dir + u'/' + relative;
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
            qFatal("cannot write %s", qPrintable(path));
        members << relative;
        return relative;
    };
    QByteArray picture = QByteArray("GIF89a\x40\x00\x30\x00", 10);
    QRandomGenerator random(5);
    while (picture.size() < 2048)
        picture.append(static_cast<char>(random.bounded(256)));

    QString ini = QStringLiteral("[GENERAL]\r\ntabtitle=Bench\r\n");
    for (int i = 0; i < labs; ++i) {
        const int s = i / perSection;
        const int j = i % perSection;
        ini += sectionHeaderBefore(i, labs, perSection);
        const QString folder = QStringLiteral("files/s%1/lab%2/").arg(s).arg(i);
        const auto seed = static_cast<quint32>(i);
        ini += QStringLiteral("lab%1=Lab %2\r\nlink%1=%3\r\ntopfile%1=%4\r\n")
                   .arg(j)
                   .arg(i)
                   .arg(put(folder + QStringLiteral("lab%1.pdf").arg(i), textLike(large ? 50000000 : 16 * 1024, seed)),
                        put(folder + QStringLiteral("lab%1.top").arg(i), textLike(4 * 1024, seed + 7)));
        if (large)
            continue;
        int optional = 0;
        if (i % 32 < 15) {
            ini += QStringLiteral("picture%1=%2\r\n").arg(j).arg(put(folder + QStringLiteral("lab%1.gif").arg(i), picture));
            ++optional;
        }
        for (const bool loading : {false, true}) {
            if (loading && i % 2 != 0)
                continue;
            const QString name = (loading ? QStringLiteral("load") : QStringLiteral("grade")) + QString::number(i);
            const QString nwc = put(folder + name + QStringLiteral(".nwc"),
                                    "number of devices=2\r\nnumber of routers=1\r\nnumber of switches=1\r\n");
            for (int device = 1; device <= 2; ++device)
                put(folder + name + QStringLiteral("%1.rtr").arg(device), textLike(800, seed * 2 + device));
            ini += (loading ? QStringLiteral("loadnwcfile") : QStringLiteral("nwcfile")) + QStringLiteral("%1=%2\r\n").arg(j).arg(nwc);
            ++optional;
        }
        ini += QStringLiteral("optfiles%1=%2\r\n").arg(j).arg(optional);
    }
    QFile catalogue(dir + QStringLiteral("/Fendrel.ini"));
    QFile list(dir + QStringLiteral("/members.txt"));
    if (!catalogue.open(QIODevice::WriteOnly) || catalogue.write(ini.toUtf8()) < 0 || !list.open(QIODevice::WriteOnly)
        || list.write((members.join(u'\n') + u'\n').toUtf8()) < 0)
        qFatal("cannot write the catalogue in %s", qPrintable(dir));
    std::printf("%s: %d labs, %lld files\n", qPrintable(dir), labs, static_cast<long long>(members.size()));
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc == 4 && std::strcmp(argv[1], "generate") == 0)
        return generate(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3])) ? 0 : 2;
    const QString which = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("small");
    if (which == u"small" || which == u"all")
        run("1,000 labs, small files", 1000, 16 * 1024, 4 * 1024, 5);
    if (which == u"large" || which == u"all")
        run("20 labs, 50 MB each", 20, 30 * 1000 * 1000, 20 * 1000 * 1000, 3);
    if (which == u"hostile" || which == u"all")
        runHostile();
    return 0;
}
