#include "package/NetworkConfiguration.h"
#include "package/PackageCompiler.h"
#include "startup/LanguageTable.h"
#include "support/PackageFixture.h"

#include <QRandomGenerator>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include <fcntl.h>
#include <sys/stat.h>

using namespace fendrel;
using test::PackageFixture;
using test::readFile;
using test::writeFile;

namespace {

QStringList namesOf(const QList<PackageMember> &members)
{
    QStringList names;
    for (const PackageMember &m : members)
        names << m.name + (m.hasContent() ? QString() : QStringLiteral(" (name only)"));
    return names;
}

QByteArray hex(const char *spaced)
{
    return QByteArray::fromHex(QByteArray(spaced).replace(' ', ""));
}

} // namespace

TEST(PackageImage, OneLabImageByteForByte)
{
    PackageFixture f;
    f.section(QStringLiteral("S"));
    f.lab(QStringLiteral("S"), QStringLiteral("L"),
          PackageFixture::record(f.file(QStringLiteral("a.htm"), "abc"), f.file(QStringLiteral("t.top"), "")));
    const QString package = f.dir.path() + QStringLiteral("/one.lab");
    ASSERT_EQ(compileCatalogue(f.catalogue, package, f.prompter), CompileOutcome::Written);

    const QByteArray ini = readFile(f.catalogue.iniPath());
    QByteArray expected = hex("0000 0100 04000000 00000000 0000 0B00") + "Fendrel.ini" + hex("0500") + "a.htm"
        + hex("0500") + "t.top" + hex("0000 0100 04000000 00000000 0000 0100");
    const quint32 iniSize = static_cast<quint32>(ini.size());
    expected += QByteArray(reinterpret_cast<const char *>(&iniSize), 4) + hex("00000000") + ini;
    expected += hex("0100 03000000 00000000 616263 0100 00000000 00000000");
    const std::vector<std::uint8_t> decoded = test::decodedPackage(package);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char *>(decoded.data()), static_cast<qsizetype>(decoded.size())), expected);
    EXPECT_TRUE(readFile(package).startsWith("HE"));
}

TEST(PackageImage, ReaderRefusesDamagedImagesWithoutReadingPastTheEnd)
{
    QList<PackageMember> members = {{QStringLiteral("Fendrel.ini"), QByteArray("[GENERAL]\r\n")},
                                    {QStringLiteral("doc.pdf"), QByteArray("%PDF")},
                                    {QStringLiteral("doc.pdf"), std::nullopt}};
    QString error;
    const ImageBytes bytes = buildPackageImage(QList<PackageMember>(members), &error);
    const QByteArray image = viewOf(bytes).toByteArray();
    auto read = readPackageImage(image, &error);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->names, QStringList({QStringLiteral("Fendrel.ini"), QStringLiteral("doc.pdf"), QStringLiteral("doc.pdf")}));
    ASSERT_EQ(read->data.size(), 3);
    EXPECT_EQ(*read->data[1], QByteArrayView("%PDF"));
    EXPECT_FALSE(read->data[2].has_value());

    for (qsizetype cut = 0; cut < image.size(); ++cut) {
        error.clear();
        EXPECT_FALSE(readPackageImage(image.left(cut), &error)) << "cut " << cut;
        EXPECT_FALSE(error.isEmpty());
    }
    QByteArray twoDimensions = image;
    twoDimensions[2] = 2;
    EXPECT_FALSE(readPackageImage(twoDimensions, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("2 dimensions")));
    QByteArray hugeCount = image;
    hugeCount[7] = '\x7F'; // names list claims 2 billion entries
    EXPECT_FALSE(readPackageImage(hugeCount, &error));
    QByteArray hugeMember = image;
    const qsizetype pdfCount = image.indexOf("%PDF") - 8;
    hugeMember[pdfCount + 3] = '\x7F';
    EXPECT_FALSE(readPackageImage(hugeMember, &error));
}

namespace {

// What a parser reported, member by member, and how it ended.
struct Parsed : PackageImageParser::Handler {
    QList<QString> names;
    QList<std::optional<QByteArray>> data;
    bool ok = false;
    QString error;
    void namesRead(MemberNames read) override { names = read.toList(); }
    void memberBegins(qint64 index, qint64 size) override
    {
        EXPECT_EQ(index, data.size() + 1);
        data.append(size < 0 ? std::nullopt : std::optional<QByteArray>(QByteArray()));
    }
    void memberBytes(QByteArrayView bytes) override { data.last()->append(bytes); }

    static Parsed of(QByteArrayView image, qsizetype piece)
    {
        Parsed parsed;
        PackageImageParser parser(parsed);
        bool fed = true;
        for (qsizetype at = 0; fed && at < image.size(); at += piece)
            fed = parser.feed(image.sliced(at, std::min(piece, image.size() - at)));
        parsed.ok = fed && parser.finish();
        parsed.error = parser.error();
        return parsed;
    }
};

} // namespace

TEST(PackageImage, ParserFindsTheSameInAnyPiecesAsInTheWholeImage)
{
    QRandomGenerator random(11);
    for (int round = 0; round < 40; ++round) {
        QList<PackageMember> members;
        for (int m = random.bounded(1, 12); m > 0; --m) {
            PackageMember member{QStringLiteral("f%1 \u00e9.%2").arg(m).arg(random.bounded(1000)), {}, {}};
            if (random.bounded(4) != 0) {
                QByteArray data(random.bounded(0, 3000), Qt::Uninitialized);
                for (char &c : data)
                    c = static_cast<char>(random.bounded(256));
                member.data = data;
            }
            members.append(member);
        }
        QString error;
        const QByteArray image = viewOf(buildPackageImage(QList<PackageMember>(members), &error)).toByteArray();
        ASSERT_FALSE(image.isEmpty()) << error.toStdString();

        for (qsizetype piece : {qsizetype(1), qsizetype(3), qsizetype(random.bounded(4, 500)), image.size()}) {
            const Parsed parsed = Parsed::of(image, piece);
            ASSERT_TRUE(parsed.ok) << parsed.error.toStdString();
            ASSERT_EQ(parsed.names.size(), members.size());
            ASSERT_EQ(parsed.data.size(), members.size());
            for (qsizetype i = 0; i < members.size(); ++i) {
                EXPECT_EQ(parsed.names[i], members[i].name);
                EXPECT_EQ(parsed.data[i], members[i].data) << "member " << i << " in pieces of " << piece;
            }
        }

        // Damage ends the same way however the image arrives.
        QByteArray damaged = image.left(random.bounded(static_cast<int>(image.size())));
        if (random.bounded(2) != 0 && !damaged.isEmpty())
            damaged[random.bounded(static_cast<int>(damaged.size()))] = static_cast<char>(random.bounded(256));
        const Parsed whole = Parsed::of(damaged, std::max<qsizetype>(damaged.size(), 1));
        const Parsed bytewise = Parsed::of(damaged, 1);
        EXPECT_EQ(whole.ok, bytewise.ok);
        EXPECT_EQ(whole.error, bytewise.error);
        EXPECT_EQ(whole.names, bytewise.names);
        EXPECT_EQ(whole.data, bytewise.data);
    }
}

TEST(PackageImage, KeptMembersReplayTheFirstReadingAndOthersAreReadAgain)
{
    // Small files around two that are too large to keep, so that kept and re-read batches
    // alternate between the readers; data members ride in both.
    PackageFixture f;
    QList<PackageMember> members{{QStringLiteral("Fendrel.ini"), QByteArray("[GENERAL]\r\n")}};
    QStringList sources;
    for (int i = 0; i < 60; ++i) {
        const qsizetype size = i == 20 ? (1 << 20) + 5 : i == 41 ? 70000 : 16384 + i * 500;
        QByteArray content(size, Qt::Uninitialized);
        for (qsizetype b = 0; b < size; ++b)
            content[b] = static_cast<char>((b * 31 + i * 7) % 251);
        sources << f.file(QStringLiteral("m%1.pdf").arg(i), content);
        const FileStatus status = fileStatus(sources.last());
        members.append({QStringLiteral("m%1.pdf").arg(i), {}, sources.last(), status.size, status.modified});
        if (i % 9 == 0)
            members.append({QStringLiteral("d%1.rtr").arg(i), QByteArray(i * 100, 'd')});
    }
    QString error;
    const ImageBytes expected = buildPackageImage(QList<PackageMember>(members), &error);
    ASSERT_FALSE(expected.empty()) << error.toStdString();

    const auto twoReadings = [&](qint64 budget, int readers, const std::function<void()> &between, ImageBytes *later) {
        PackageImageWriter writer;
        EXPECT_TRUE(writer.plan(members, &error, budget));
        EXPECT_LE(writer.keptSize(), budget);
        ImageBytes first;
        const auto into = [](ImageBytes &image) {
            return [&image](QByteArrayView piece) { image.insert(image.end(), piece.begin(), piece.end()); };
        };
        EXPECT_TRUE(writer.produce(into(first), &error, PackageImageWriter::Reading::First, readers));
        EXPECT_EQ(first, expected);
        between();
        const bool read = writer.produce(into(*later), &error, PackageImageWriter::Reading::Later, readers);
        return std::pair{read, writer.keptSize()};
    };
    for (const int readers : {0, 2}) {
        // Nothing kept, some (the budget ends part-way), all that may be.
        qint64 previous = -1;
        for (const qint64 budget : {qint64(0), qint64(600000), qint64(64) << 20}) {
            ImageBytes later;
            const auto [read, kept] = twoReadings(budget, readers, [] {}, &later);
            EXPECT_TRUE(read) << error.toStdString();
            EXPECT_EQ(later, expected) << "budget " << budget << ", readers " << readers;
            EXPECT_GT(kept, previous);
            previous = kept;
        }
        EXPECT_LT(previous, qint64(expected.size()) - (1 << 20)); // the two large files stay out

        // A kept file rewritten between the readings is handed on as the first reading found it;
        // one read again is refused.
        const QString small = sources[3];
        const QString large = sources[41];
        const std::vector<std::pair<QString, QByteArray>> originals{{small, readFile(small)}, {large, readFile(large)}};
        const auto restore = [&](const QString &path, const QByteArray &bytes) {
            const qint64 modified = std::find_if(members.cbegin(), members.cend(), [&](const PackageMember &m) {
                                        return m.source == path;
                                    })->sourceModified;
            writeFile(path, bytes);
            const timespec times[2] = {{modified / 1000000000, modified % 1000000000}, {modified / 1000000000, modified % 1000000000}};
            ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
        };
        ImageBytes later;
        // Same size, another time: only the time tells a re-read file changed.
        const auto rewrite = [](const QString &path) {
            QByteArray bytes = readFile(path);
            bytes[0] = static_cast<char>(bytes[0] + 1);
            writeFile(path, bytes);
            const timespec times[2] = {{2000000000, 0}, {2000000000, 0}};
            ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0);
        };
        EXPECT_TRUE(twoReadings(qint64(64) << 20, readers, [&] { rewrite(small); }, &later).first);
        EXPECT_EQ(later, expected);
        restore(small, originals[0].second);
        later.clear();
        EXPECT_FALSE(twoReadings(qint64(64) << 20, readers, [&] { rewrite(small); rewrite(large); }, &later).first);
        EXPECT_TRUE(error.contains(QStringLiteral("m41.pdf changed while the package was written"))) << error.toStdString();
        for (const auto &[path, before] : originals)
            restore(path, before);
    }

    // Planning reads no file: an image of 40 MiB or more may be kept whole, one between 24 and
    // 40 MiB in part, and never more than the budget.
    const auto keptOf = [&](int count, qint64 budget) {
        QList<PackageMember> large;
        for (int i = 0; i < count; ++i)
            large.append({QStringLiteral("l%1.pdf").arg(i), {}, QStringLiteral("/nowhere/l%1.pdf").arg(i), 50000, 1});
        PackageImageWriter planned;
        EXPECT_TRUE(planned.plan(large, &error, budget));
        return std::pair{planned.keptSize(), planned.size()};
    };
    const auto [whole, wholeImage] = keptOf(1200, qint64(128) << 20); // 57 MiB
    EXPECT_GE(whole, wholeImage - 65536);
    const auto [part, partImage] = keptOf(640, qint64(128) << 20); // 30.5 MiB
    EXPECT_GT(part, partImage / 2);
    EXPECT_LT(part, partImage - (qint64(8) << 20));
    EXPECT_LE(keptOf(1200, qint64(20) << 20).first, qint64(20) << 20);
}

TEST(PackageCompiler, MemberOrderNameOnlyDocumentsAndRepeatedFiles)
{
    PackageFixture f;
    f.section(QStringLiteral("One"));
    f.section(QStringLiteral("Two"));
    const QString doc = f.file(QStringLiteral("docs/doc.pdf"), "%PDF-1.4");
    const QString upper = f.file(QStringLiteral("docs/Doc.PDF"), "%PDF-upper");
    const QString top = f.file(QStringLiteral("net.top"), "topology");
    const QString picture = f.file(QStringLiteral("p.jpg"), "JPEG");
    const QString nwc = f.configuration(QStringLiteral("cfg/lab.nwc"), 2);
    f.lab(QStringLiteral("One"), QStringLiteral("A"), PackageFixture::record(doc, top, picture, nwc, nwc));
    f.lab(QStringLiteral("One"), QStringLiteral("B"), PackageFixture::record(doc, top, picture));
    f.lab(QStringLiteral("Two"), QStringLiteral("C"), PackageFixture::record(upper, top));
    f.catalogue.insertLab(f.catalogue.tree().nodeByKey(sectionKey(QStringLiteral("Two"))), QStringLiteral("No record"), std::nullopt);

    PackageCompiler compiler(f.prompter);
    ASSERT_TRUE(compiler.gatherMembers(f.catalogue, f.data));
    EXPECT_EQ(namesOf(compiler.members()),
              QStringList({QStringLiteral("Fendrel.ini (name only)"), // no catalogue saved in this test
                           QStringLiteral("doc.pdf"), QStringLiteral("net.top"), QStringLiteral("p.jpg"),
                           QStringLiteral("lab.nwc"), QStringLiteral("lab1.rtr"), QStringLiteral("lab2.rtr"),
                           QStringLiteral("lab.nwcl"), QStringLiteral("lab1.rtr"), QStringLiteral("lab2.rtr"),
                           QStringLiteral("doc.pdf (name only)"), QStringLiteral("net.top"),
                           QStringLiteral("p.jpg (name only)"), QStringLiteral("Doc.PDF"), QStringLiteral("net.top")}));
    EXPECT_EQ(compiler.members()[7].data, readFile(nwc)); // as the check read it, not read again
    EXPECT_EQ(compiler.members()[9].source, f.files + QStringLiteral("cfg/lab2.rtr"));
    // The missing catalogue file and the lab without a record were both told to the user.
    ASSERT_EQ(f.prompter.shown.size(), 2);
    EXPECT_TRUE(f.prompter.shown[0].text.contains(QStringLiteral("Fendrel.ini")));
    EXPECT_EQ(f.prompter.shown[1].text, langText(LangEntry::LabLeftOutMessage));

    // The whole compilation saves the catalogue beside the gathering: what the saving says comes
    // after the gathering's own messages, and nothing of it is lost.
    f.prompter.shown.clear();
    ASSERT_EQ(compileCatalogue(f.catalogue, f.dir.path() + QStringLiteral("/out.lab"), f.prompter), CompileOutcome::Written);
    QStringList told;
    for (const auto &shown : f.prompter.shown)
        told << shown.text;
    EXPECT_EQ(told, QStringList({langText(LangEntry::LabLeftOutMessage), langText(LangEntry::LabNotSavedMessage)}));
}

TEST(NetworkConfiguration, CountsCommentsDevicesAndEmptyFiles)
{
    PackageFixture f;
    const auto write = [&](const char *content) { return f.file(QStringLiteral("cfg/lab.nwc"), content); };
    f.file(QStringLiteral("cfg/lab1.rtr"), "r1");
    f.file(QStringLiteral("cfg/lab2.rtr"), "r2");

    const QString path = write("Number of Devices = 2\r\nnumber of routers=1\r\nNUMBER OF SWITCHES = 1\r\nnumber of pcs = 0");
    NetworkConfigurationCheck check = checkNetworkConfiguration(path);
    EXPECT_EQ(check.result, NetworkConfigurationCheck::Result::Valid);
    EXPECT_EQ(check.devicePaths, QStringList({f.files + QStringLiteral("cfg/lab1.rtr"), f.files + QStringLiteral("cfg/lab2.rtr")}));

    using Result = NetworkConfigurationCheck::Result;
    const std::pair<const char *, Result> cases[] = {
        {"number of devices=2\r\n# made by hand\r\nnumber of routers=2\r\n", Result::UnknownLine},
        {"number of devices=2\r\nnumber of routers=2\r\n\r\n# made by hand\r\n", Result::Valid},
        {"\r\n\r\n", Result::Valid},
        {"number of devices=0\r\n \t\r\nnumber of routers=0\r\n", Result::UnknownLine},
        {"number of devices=0\r\n \t\r\n", Result::Valid},
        {"number of devices=2\r\nnumber of routers=1\r\nnumber of pcs = 1\r\nnumber of switches=1", Result::CountMismatch},
        {"number of devices=three\r\n", Result::ReadFailure},
        {"number of devices=3\r\nnumber of routers=3\r\n", Result::MissingDevice},
    };
    for (const auto &[content, result] : cases) {
        write(content);
        check = checkNetworkConfiguration(path);
        EXPECT_EQ(check.result, result) << content;
    }
    EXPECT_EQ(check.missingDeviceName, QStringLiteral("lab3.rtr"));
    EXPECT_EQ(deviceFileName(QStringLiteral("Lab.NWC"), 4), QStringLiteral("Lab4.rtr"));

    // What the user is told, and the one log line per refusal.
    test::ScopedErrorLog log;
    EXPECT_FALSE(verifyAndCollectRtr(path, f.prompter));
    EXPECT_EQ(f.prompter.shown.last().text, QStringLiteral("lab3.rtr") + langText(LangEntry::NwcDeviceFileMissingMessage) + u'\r' + langText(LangEntry::NwcDeviceFilesMessage));
    write("number of devices=2\r\n# made by hand\r\nnumber of routers=2\r\n");
    EXPECT_FALSE(verifyAndCollectRtr(path, f.prompter));
    EXPECT_EQ(f.prompter.shown.last().text, path + QStringLiteral("\r\n") + langText(LangEntry::NwcUnknownLineMessage));
    write("");
    f.prompter.answers = {MessageAnswer::No, MessageAnswer::Yes};
    EXPECT_FALSE(verifyAndCollectRtr(path, f.prompter));
    EXPECT_EQ(f.prompter.shown.last().text, path + langText(LangEntry::NwcEmptyQuestion));
    EXPECT_EQ(f.prompter.shown.last().buttons, MessageButtons::YesNoDefaultNo);
    QStringList devices{QStringLiteral("stale")};
    EXPECT_TRUE(verifyAndCollectRtr(path, f.prompter, &devices));
    EXPECT_TRUE(devices.isEmpty());
    EXPECT_EQ(log.entries(), QStringList(2, u"[Verify and Collect RTR][Create Pack] - 0 - "_qs)
                                 + QStringList(2, u"[Verify and Collect RTR][Create Pack] - 62 - Input past end of file"_qs));
}

TEST(PackageCompiler, RefusalsAbortsAndFailedWritesKeepAnExistingPackage)
{
    test::ScopedErrorLog log;
    PackageFixture f;
    const QString package = f.dir.path() + QStringLiteral("/out.lab");
    EXPECT_EQ(compileCatalogue(f.catalogue, package, f.prompter), CompileOutcome::NothingToCompile);
    EXPECT_EQ(f.prompter.shown.last().text, langText(LangEntry::NothingToCompileMessage));
    EXPECT_FALSE(QFileInfo::exists(package));

    writeFile(package, "the old package");
    f.section(QStringLiteral("S"));
    const QString bad = f.file(QStringLiteral("bad.nwc"), "number of devices=1\r\nnumber of routers=0\r\n");
    f.lab(QStringLiteral("S"), QStringLiteral("L"),
          PackageFixture::record(f.file(QStringLiteral("a.pdf"), "a"), f.file(QStringLiteral("t.top"), "t"), {}, bad));
    EXPECT_EQ(compileCatalogue(f.catalogue, package, f.prompter), CompileOutcome::Aborted);
    EXPECT_EQ(readFile(package), QByteArray("the old package"));
    EXPECT_TRUE(QFileInfo::exists(f.catalogue.iniPath())); // saved before the check, as the command does
    EXPECT_EQ(log.entries(), (QStringList{u"[Verify and Collect RTR][Create Pack] - 0 - "_qs,
                                          u"[Save Lab Pack - Click][frmAddLabs] - 0 - "_qs}));

    // A package path in a folder that does not exist cannot be written: logged, nothing shown.
    LabRecord fixed;
    fixed.key = QStringLiteral("K1");
    fixed.nwcFile = f.configuration(QStringLiteral("good.nwc"), 1);
    f.catalogue.updateRecord(fixed);
    const qsizetype shown = f.prompter.shown.size();
    EXPECT_EQ(compileCatalogue(f.catalogue, f.dir.path() + QStringLiteral("/missing/out.lab"), f.prompter),
              CompileOutcome::WriteFailed);
    EXPECT_EQ(f.prompter.shown.size(), shown);
    EXPECT_TRUE(log.lines().last().contains(QStringLiteral("[Saving][Create Pack]")));

    // The package carries the catalogue as it was saved; one that cannot be saved (a folder
    // stands in its place) stops the compilation before any package is written.
    ASSERT_EQ(compileCatalogue(f.catalogue, package, f.prompter), CompileOutcome::Written);
    const std::vector<std::uint8_t> image = test::decodedPackage(package);
    QString error;
    const std::optional<PackageImage> members = readPackageImage(viewOf(image), &error);
    ASSERT_TRUE(members && !members->data.isEmpty()) << error.toStdString();
    EXPECT_EQ(members->data[0]->toByteArray(), readFile(f.catalogue.iniPath()));
    writeFile(package, "the old package");
    ASSERT_TRUE(QFile::remove(f.catalogue.iniPath()) && QDir().mkdir(f.catalogue.iniPath()));
    QString failure;
    EXPECT_EQ(compileCatalogue(f.catalogue, package, f.prompter, nullptr, &failure), CompileOutcome::CatalogueNotSaved);
    EXPECT_FALSE(failure.isEmpty());
    EXPECT_EQ(readFile(package), QByteArray("the old package"));
    EXPECT_TRUE(log.lines().last().contains(QStringLiteral("[Save Lab Pack - Click]"))) << log.lines().last().toStdString();

    // A compilation that only packages the catalogue leaves the path alone and carries the same bytes.
    ASSERT_EQ(compileCatalogue(f.catalogue, package, f.prompter, nullptr, nullptr, nullptr, CatalogueSaving::PackageOnly),
              CompileOutcome::Written);
    EXPECT_TRUE(QFileInfo(f.catalogue.iniPath()).isDir());
    const std::vector<std::uint8_t> carried = test::decodedPackage(package);
    const std::optional<PackageImage> carriedMembers = readPackageImage(viewOf(carried), &error);
    ASSERT_TRUE(carriedMembers && !carriedMembers->data.isEmpty()) << error.toStdString();
    EXPECT_EQ(carriedMembers->data[0]->toByteArray(), members->data[0]->toByteArray());
}

TEST(PackageCompiler, AFullDiskKeepsTheOldPackageAndSaysWhy)
{
    test::ScopedErrorLog log;
    PackageFixture f;
    f.section(QStringLiteral("S"));
    QByteArray noise(6000, Qt::Uninitialized);
    for (qsizetype i = 0; i < noise.size(); ++i)
        noise[i] = static_cast<char>((i * 7919 + i / 13) % 251);
    const QString doc = f.file(QStringLiteral("a.pdf"), noise);
    f.lab(QStringLiteral("S"), QStringLiteral("L"), PackageFixture::record(doc, f.file(QStringLiteral("t.top"), "t")));
    const QString package = f.dir.path() + QStringLiteral("/out.lab");
    ASSERT_EQ(compileCatalogue(f.catalogue, package, f.prompter), CompileOutcome::Written);
    const QByteArray good = readFile(package);

    // Room for the scratch image but not for the package: the write fails part-way, as on a
    // disk that is full, and the good package stays.
    std::reverse(noise.begin(), noise.end());
    writeFile(doc, noise);
    const qint64 image = static_cast<qint64>(test::decodedPackage(package).size());
    ASSERT_GT(good.size(), image);
    {
        const test::FileSizeLimit full(image + (good.size() - image) / 2);
        EXPECT_EQ(compileCatalogue(f.catalogue, package, f.prompter), CompileOutcome::WriteFailed);
    }
    EXPECT_EQ(readFile(package), good);
    ASSERT_FALSE(log.lines().isEmpty());
    EXPECT_TRUE(log.lines().last().contains(QStringLiteral("out.lab cannot be written: the file would be larger than "
                                                           "this system lets a file be")))
        << log.lines().last().toStdString();
}

TEST(PackageCompiler, NothingButThePackageIsWrittenAndAFileThatChangesStopsIt)
{
    test::ScopedErrorLog log;
    PackageFixture f;
    f.section(QStringLiteral("S"));
    const QString doc = f.file(QStringLiteral("a.pdf"), QByteArray(70000, 'a'));
    f.lab(QStringLiteral("S"), QStringLiteral("L"), PackageFixture::record(doc, f.file(QStringLiteral("t.top"), "t")));
    const QString out = f.dir.path() + QStringLiteral("/out/");
    QDir().mkpath(out);
    const auto filesInOut = [&] { return QDir(out).entryList(QDir::Files | QDir::Hidden | QDir::System); };

    ASSERT_EQ(compileCatalogue(f.catalogue, out + QStringLiteral("ccna.lab"), f.prompter), CompileOutcome::Written);
    EXPECT_EQ(filesInOut(), QStringList{QStringLiteral("ccna.lab")});
    const QByteArray written = readFile(out + QStringLiteral("ccna.lab"));

    // The document grows after it was listed: the package already there stays as it was.
    PackageCompiler compiler(f.prompter);
    ASSERT_TRUE(compiler.gatherMembers(f.catalogue, QFileInfo(f.catalogue.iniPath()).path()));
    writeFile(doc, QByteArray(70001, 'a'));
    EXPECT_FALSE(compiler.writePackage(out + QStringLiteral("ccna.lab")));
    EXPECT_EQ(readFile(out + QStringLiteral("ccna.lab")), written);
    EXPECT_EQ(filesInOut(), QStringList{QStringLiteral("ccna.lab")});
    ASSERT_FALSE(log.lines().isEmpty());
    EXPECT_TRUE(log.lines().last().contains(QStringLiteral("a.pdf changed while the package was written")))
        << log.lines().last().toStdString();

    // And one that shrinks.
    ASSERT_TRUE(compiler.gatherMembers(f.catalogue, QFileInfo(f.catalogue.iniPath()).path()));
    writeFile(doc, "a");
    EXPECT_FALSE(compiler.writePackage(out + QStringLiteral("ccna.lab")));
    EXPECT_EQ(readFile(out + QStringLiteral("ccna.lab")), written);
    EXPECT_TRUE(log.lines().last().contains(QStringLiteral("a.pdf could not be read whole")));

    // Changed to the same size between the two readings: refused for its modification time, and
    // with that time put back, by the codec, which meets a byte the first reading did not have.
    const timespec before[2] = {{1000000000, 0}, {1000000000, 0}};
    for (const bool timePutBack : {false, true}) {
        writeFile(doc, QByteArray(70000, 'a'));
        ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(doc).constData(), before, 0), 0);
        ASSERT_TRUE(compiler.gatherMembers(f.catalogue, QFileInfo(f.catalogue.iniPath()).path()));
        bool changed = false;
        const auto changeAfterCounting = [&](int percent) {
            if (percent <= 7 || std::exchange(changed, true))
                return;
            writeFile(doc, QByteArray(69999, 'a') + '\xff');
            if (timePutBack)
                ::utimensat(AT_FDCWD, QFile::encodeName(doc).constData(), before, 0);
        };
        QString failure;
        EXPECT_FALSE(compiler.writePackage(out + QStringLiteral("ccna.lab"), changeAfterCounting, &failure));
        EXPECT_TRUE(changed);
        EXPECT_EQ(readFile(out + QStringLiteral("ccna.lab")), written);
        EXPECT_EQ(filesInOut(), QStringList{QStringLiteral("ccna.lab")});
        EXPECT_TRUE(failure.contains(timePutBack ? QStringLiteral("The data changed while it was read")
                                                 : QStringLiteral("a.pdf changed while the package was written")))
            << failure.toStdString();
    }

    // Stopped while the codec works (as on SIGINT): the same, and nothing is logged.
    writeFile(doc, QByteArray(70000, 'b'));
    struct Stopping : CompileObserver {
        bool compressing = false;
        void compressingStarted() override { compressing = true; }
        bool cancelled() const override { return compressing; }
    } stopping;
    const qsizetype logged = log.lines().size();
    EXPECT_EQ(compileCatalogue(f.catalogue, out + QStringLiteral("ccna.lab"), f.prompter, &stopping),
              CompileOutcome::Interrupted);
    EXPECT_EQ(readFile(out + QStringLiteral("ccna.lab")), written);
    EXPECT_EQ(filesInOut(), QStringList{QStringLiteral("ccna.lab")});
    EXPECT_EQ(log.lines().size(), logged);
}
