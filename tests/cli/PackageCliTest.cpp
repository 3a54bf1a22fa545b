#include "cli/CliRunner.h"
#include "codec/Huffman.h"
#include "support/PackageFixture.h"
#include "support/TestSupport.h"

#include "io/FolderLock.h"
#include "text/TextHelpers.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QThread>
#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <csignal>

#include <sys/stat.h>
#include <unistd.h>

using namespace fendrel;
using test::CliRun;
using test::runCli;
using test::writeFile;

namespace {

struct Author {
    QTemporaryDir dir;
    QString path(const QString &relative) const { return dir.filePath(relative); }
    QString file(const QString &relative, const QByteArray &content) const
    {
        QDir().mkpath(QFileInfo(path(relative)).path());
        writeFile(path(relative), content);
        return path(relative);
    }
    // The data folder a script sets in the environment.
    QProcessEnvironment data() const
    {
        QProcessEnvironment env;
        env.insert(QStringLiteral("FENDREL_DATA_DIR"), path(QStringLiteral("data")));
        return env;
    }
    CliRun run(const QStringList &args) const { return runCli(args, data()); }
};

// A run that ended with this exit status, having said this among its errors.
testing::AssertionResult endedWith(const CliRun &r, int exitCode, const QString &said = {})
{
    if (r.exitCode == exitCode && r.err.contains(said))
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << "exit status " << r.exitCode << ", said: " << qPrintable(r.err);
}

QStringList withoutCatalogueLine(const QByteArray &listing)
{
    QStringList lines = QString::fromUtf8(listing).split(u'\n', Qt::SkipEmptyParts);
    if (!lines.isEmpty())
        lines.removeFirst();
    return lines;
}

// Two labs over one document and topology; the first has a grading configuration with one device
// file, and secondLab adds keys to the second. The catalogue file's bytes.
QByteArray ospfCatalogue(const Author &a, const QString &secondLab = {})
{
    const QString doc = a.file(QStringLiteral("files/ospf.pdf"), "%PDF-1.4 body");
    const QString top = a.file(QStringLiteral("files/ospf.top"), "topology");
    const QString nwc = a.file(QStringLiteral("files/cfg/ospf.nwc"), "number of devices=1\r\nnumber of routers=1\r\n");
    a.file(QStringLiteral("files/cfg/ospf1.rtr"), "hostname R1\r\n");
    return QStringLiteral("[GENERAL]\r\ntabtitle=My Labs\r\n[SECTION0]\r\nsectionname=Routing\r\n"
                          "numberofentries=2\r\nlab0=OSPF\r\nlink0=%1\r\ntopfile0=%2\r\nnwcfile0=%3\r\n"
                          "lab1=Again\r\nlink1=%1\r\ntopfile1=%2\r\n%4")
        .arg(doc, top, nwc, secondLab.isEmpty() ? QString() : secondLab.arg(nwc))
        .toUtf8();
}

} // namespace

TEST(PackageCli, CompileListExtractAndCompileAgain)
{
    Author a;
    const QByteArray catalogue = ospfCatalogue(a);
    const QString input = a.file(QStringLiteral("my.ini"), catalogue);

    // A package that cannot be written says which and why, not where to look.
    EXPECT_TRUE(endedWith(a.run({QStringLiteral("compile"), input, QStringLiteral("-o"), a.path(QStringLiteral("no/such/out.lab"))}),
                          1, QStringLiteral("no/such/out.lab cannot be written: its folder does not exist")));

    ASSERT_TRUE(endedWith(a.run({QStringLiteral("compile"), input, QStringLiteral("-o"), a.path(QStringLiteral("out.lab"))}), 0));
    EXPECT_EQ(test::readFile(input), catalogue);

    CliRun r = a.run({QStringLiteral("list"), a.path(QStringLiteral("out.lab"))});
    ASSERT_EQ(r.exitCode, 0) << qPrintable(r.err);
    EXPECT_EQ(withoutCatalogueLine(r.out), QStringList({QStringLiteral("2\tospf.pdf\t13"), QStringLiteral("3\tospf.top\t8"),
                                                        QStringLiteral("4\tospf.nwc\t42"), QStringLiteral("5\tospf1.rtr\t13"),
                                                        QStringLiteral("6\tospf.pdf\tname-only"), QStringLiteral("7\tospf.top\t8")}));
    const QStringList first = withoutCatalogueLine(r.out);

    r = runCli({QStringLiteral("--data-dir"), a.path(QStringLiteral("fresh")), QStringLiteral("extract"),
                a.path(QStringLiteral("out.lab"))});
    ASSERT_EQ(r.exitCode, 0) << qPrintable(r.err);
    EXPECT_TRUE(QFileInfo(a.path(QStringLiteral("fresh/CompilerLabs/out/Routing/OSPF/ospf1.rtr"))).isFile());
    EXPECT_TRUE(test::readFile(a.path(QStringLiteral("fresh/Fendrel.ini"))).contains("CompilerLabs/out/Routing/common/ospf.pdf"));

    r = runCli({QStringLiteral("--data-dir"), a.path(QStringLiteral("fresh")), QStringLiteral("compile"), QStringLiteral("-o"),
                a.path(QStringLiteral("again.lab"))});
    ASSERT_EQ(r.exitCode, 0) << qPrintable(r.err);
    EXPECT_EQ(withoutCatalogueLine(a.run({QStringLiteral("list"), a.path(QStringLiteral("again.lab"))}).out), first);

    // Relative paths name files beside the catalogue, whatever folder the script runs in.
    const QString relative =
        a.file(QStringLiteral("rel.ini"), QByteArray(catalogue).replace(QFile::encodeName(a.dir.path() + u'/'), ""));
    const QString elsewhere = a.path(QStringLiteral("files/cfg"));
    r = runCli({QStringLiteral("check"), QStringLiteral("../../rel.ini")}, a.data(), elsewhere);
    EXPECT_EQ(r.exitCode, 0) << qPrintable(r.err);
    for (const QString &folder : {a.dir.path(), elsewhere}) {
        r = runCli({QStringLiteral("compile"), relative, QStringLiteral("-o"), folder + QStringLiteral("/rel.lab")},
                   a.data(), folder);
        ASSERT_EQ(r.exitCode, 0) << qPrintable(r.err);
    }
    EXPECT_EQ(test::readFile(elsewhere + QStringLiteral("/rel.lab")), test::readFile(a.path(QStringLiteral("rel.lab"))));
    EXPECT_EQ(withoutCatalogueLine(a.run({QStringLiteral("list"), elsewhere + QStringLiteral("/rel.lab")}).out), first);
}

TEST(PackageCli, ProblemsAreReportedTogetherAndNothingIsWritten)
{
    Author a;
    const QString top = a.file(QStringLiteral("t.top"), "t");
    const QString bad = a.file(QStringLiteral("bad.nwc"), "number of devices=2\r\nnumber of routers=1\r\n");
    const QString empty = a.file(QStringLiteral("empty.nwc"), "");
    const QString input = a.file(QStringLiteral("my.ini"),
                                 QStringLiteral("[GENERAL]\r\ntabtitle=T\r\n[SECTION0]\r\nsectionname=S\r\nnumberofentries=3\r\n"
                                                "lab0=One\r\nlink0=/nowhere/a.pdf\r\ntopfile0=%1\r\nnwcfile0=%2\r\n"
                                                "lab1=Two\r\nlink1=%4\r\ntopfile1=%1\r\nloadnwcfile1=%3\r\n"
                                                "lab2=Three\r\nlink2=%1\r\ntopfile2=%1\r\npicture2=%5\r\n")
                                     .arg(top, bad, empty, a.dir.path(), a.file(QStringLiteral("fake.gif"), "text"))
                                     .toUtf8());
    const QString out = a.path(QStringLiteral("out.lab"));
    CliRun r = a.run({QStringLiteral("compile"), input, QStringLiteral("-o"), out});
    EXPECT_TRUE(endedWith(r, 1, QStringLiteral("6 problem(s)")));
    // One line each, worst cases named so; files of the wrong kind would land in the wrong place
    // when the package is opened again.
    EXPECT_TRUE(r.err.contains(QStringLiteral("  opens wrong: S / Three: %1: is not a lab document (.pdf, .doc or .txt)\n").arg(top)));
    EXPECT_TRUE(r.err.contains(QStringLiteral("  opens wrong: S / Three: %1: is not a picture that Fendrel can read").arg(a.path(QStringLiteral("fake.gif")))));
    EXPECT_TRUE(r.err.contains(QStringLiteral("  opens wrong: S / One: /nowhere/a.pdf: is not there\n")));
    EXPECT_TRUE(r.err.contains(QStringLiteral("  opens wrong: S / Two: %1: is a folder, not a file\n").arg(a.dir.path())));
    EXPECT_TRUE(r.err.contains(QStringLiteral("  cannot build: S / One: %1: counts 2 devices, but 1 routers, 0 switches and 0 PCs\n").arg(bad)));
    EXPECT_TRUE(r.err.contains(QStringLiteral("  warning: S / Two: %1: is empty").arg(empty)));
    EXPECT_TRUE(r.err.contains(QStringLiteral("\"cannot build\" must be mended first")));
    EXPECT_FALSE(QFileInfo::exists(out));

    // --force overrides no problem that cannot build.
    EXPECT_TRUE(endedWith(a.run({QStringLiteral("--yes"), QStringLiteral("compile"), input, QStringLiteral("-o"), out,
                                 QStringLiteral("--force")}),
                          1));
    EXPECT_FALSE(QFileInfo::exists(out));

    EXPECT_TRUE(endedWith(a.run({QStringLiteral("check-nwc"), bad, empty}), 1));
    EXPECT_TRUE(endedWith(a.run({QStringLiteral("--yes"), QStringLiteral("check-nwc"), empty}), 0));
    EXPECT_TRUE(endedWith(a.run({QStringLiteral("list"), input}), 1, QStringLiteral("not a readable lab package")));
    EXPECT_TRUE(endedWith(a.run({QStringLiteral("compile"), input}), 2));

    // A count the catalogue file cannot carry loads as no labs; it never compiles, --force or not.
    const QString huge = a.file(QStringLiteral("huge.ini"),
                                QStringLiteral("[GENERAL]\r\ntabtitle=T\r\n[SECTION0]\r\nsectionname=Big\r\nnumberofentries=40000\r\n"
                                               "lab0=One\r\nlink0=%1\r\ntopfile0=%1\r\n")
                                    .arg(top)
                                    .toUtf8());
    EXPECT_TRUE(endedWith(a.run({QStringLiteral("compile"), huge, QStringLiteral("-o"), out, QStringLiteral("--force")}), 1,
                          QStringLiteral("  cannot build: Big: the catalogue file counts 40000 labs in this section, "
                                         "more than it can carry (32767)")));
    EXPECT_FALSE(QFileInfo::exists(out));
}

// Each severity compiles as far as it allows: a package that would open wrong only with --force,
// an empty configuration only when --yes answers its question; --json says the same to a script.
TEST(PackageCli, SeveritiesDecideWhatCompilesAndJsonSaysIt)
{
    Author a;
    const QString top = a.file(QStringLiteral("t.top"), "t");
    const QString doc = a.file(QStringLiteral("d.pdf"), "%PDF");
    const QString empty = a.file(QStringLiteral("empty.nwc"), "");
    const QString catalogue = QStringLiteral("[GENERAL]\r\ntabtitle=T\r\n[SECTION0]\r\nsectionname=Routing\r\nnumberofentries=1\r\n"
                                             "lab0=One\r\nlink0=%1\r\ntopfile0=%2\r\nloadnwcfile0=%3\r\n"
                                             "[SECTION1]\r\nsectionname=routing\r\nnumberofentries=1\r\n"
                                             "lab0=Two\r\nlink0=%1\r\ntopfile0=%2\r\n"
                                             "[SECTION2]\r\nsectionname=Later\r\nnumberofentries=0\r\n");
    const QString merged = a.file(QStringLiteral("merged.ini"), catalogue.arg(doc, top, empty).toUtf8());
    const QString out = a.path(QStringLiteral("out.lab"));

    CliRun r = a.run({QStringLiteral("check"), merged, QStringLiteral("--json")});
    EXPECT_EQ(r.exitCode, 1);
    const QJsonObject report = QJsonDocument::fromJson(r.out).object();
    EXPECT_EQ(report.value(QStringLiteral("compiles")), QJsonValue(false));
    QStringList seen;
    for (const QJsonValue &problem : report.value(QStringLiteral("problems")).toArray()) {
        const QJsonObject p = problem.toObject();
        seen << QStringList{p[QStringLiteral("severity")].toString(), p[QStringLiteral("kind")].toString(),
                            p[QStringLiteral("section")].toString(), p[QStringLiteral("lab")].toString(),
                            p[QStringLiteral("field")].toString(), fileNameOfPath(p[QStringLiteral("file")].toString())}
                    .join(u'|');
    }
    EXPECT_EQ(seen, QStringList({QStringLiteral("opens-wrong|sections-merged|Routing|||"),
                                 QStringLiteral("warning|configuration-empty|Routing|One|loading-configuration|empty.nwc"),
                                 QStringLiteral("warning|section-without-labs|Later|||")}))
        << r.out.constData();

    // Opens wrong: refused without --force; with it, the empty configuration's question decides.
    EXPECT_TRUE(endedWith(a.run({QStringLiteral("compile"), merged, QStringLiteral("-o"), out}), 1,
                          QStringLiteral("--force compiles anyway")));
    EXPECT_TRUE(endedWith(a.run({QStringLiteral("--no"), QStringLiteral("compile"), merged, QStringLiteral("-o"), out,
                                 QStringLiteral("--force")}),
                          1, QStringLiteral("[answered No]")));
    EXPECT_FALSE(QFileInfo::exists(out));
    r = a.run({QStringLiteral("--yes"), QStringLiteral("compile"), merged, QStringLiteral("-o"), out, QStringLiteral("--force"),
               QStringLiteral("--json")});
    EXPECT_EQ(r.exitCode, 0) << qPrintable(r.err);
    EXPECT_EQ(QJsonDocument::fromJson(r.out).object().value(QStringLiteral("written")), QJsonValue(true)) << r.out.constData();
    EXPECT_TRUE(QFileInfo(out).isFile());

    // Warnings alone never stop it, and a clean catalogue has nothing to say.
    QString sections = catalogue.arg(doc, top, QString());
    sections.replace(QStringLiteral("sectionname=routing"), QStringLiteral("sectionname=Switching"));
    const QString warned = a.file(QStringLiteral("warned.ini"), sections.toUtf8());
    EXPECT_TRUE(endedWith(a.run({QStringLiteral("compile"), warned, QStringLiteral("-o"), a.path(QStringLiteral("w.lab"))}), 0,
                          QStringLiteral("  warning: Later: the section holds no labs")));
    sections.remove(QStringLiteral("[SECTION2]\r\nsectionname=Later\r\nnumberofentries=0\r\n"));
    const QString clean = a.file(QStringLiteral("clean.ini"), sections.toUtf8());
    r = a.run({QStringLiteral("check"), clean});
    EXPECT_EQ(r.exitCode, 0) << qPrintable(r.err);
    EXPECT_EQ(r.out, QStringLiteral("%1: no problems\n").arg(clean).toUtf8());
}

TEST(PackageCli, NamedPipesAreRefusedAtOnceAndSaidToBeOne)
{
    Author a;
    const QString pipe = a.path(QStringLiteral("pipe.nwc"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    const QString top = a.file(QStringLiteral("t.top"), "t");
    const QString input = a.file(QStringLiteral("my.ini"),
                                 QStringLiteral("[GENERAL]\r\ntabtitle=T\r\n[SECTION0]\r\nsectionname=S\r\nnumberofentries=1\r\n"
                                                "lab0=One\r\nlink0=%1\r\ntopfile0=%1\r\nnwcfile0=%2\r\n")
                                     .arg(top, pipe)
                                     .toUtf8());
    // Each of these waited for a writer that never came.
    const QList<QStringList> commands{{QStringLiteral("check-nwc"), pipe},
                                      {QStringLiteral("list"), pipe},
                                      {QStringLiteral("extract"), pipe},
                                      {QStringLiteral("compile"), pipe, QStringLiteral("-o"), a.path(QStringLiteral("a.lab"))},
                                      {QStringLiteral("--yes"), QStringLiteral("compile"), input, QStringLiteral("-o"),
                                       a.path(QStringLiteral("b.lab")), QStringLiteral("--force")}};
    for (const QStringList &command : commands) {
        const CliRun r = a.run(command);
        EXPECT_EQ(r.exitCode, 1) << qPrintable(command.join(u' '));
        EXPECT_TRUE(r.err.contains(pipe + QStringLiteral(" is a named pipe, not a file"))
                    || r.err.contains(pipe + QStringLiteral(": is a named pipe, not a file"))
                    || r.err.contains(QStringLiteral("it is a named pipe, not a file")))
            << qPrintable(command.join(u' ')) << ": " << qPrintable(r.err);
    }
    EXPECT_FALSE(QFileInfo::exists(a.path(QStringLiteral("b.lab"))));
}

TEST(PackageCli, ListingEscapesNamesThatWouldForgeLines)
{
    Author a;
    const QString package = a.path(QStringLiteral("forged.lab"));
    test::writeCraftedPackage(package, {{QStringLiteral("Fendrel.ini"), {}, {}},
                                        {QStringLiteral("a\tb\n3\tevil.pdf\\x"), {}, {}}});
    const CliRun r = a.run({QStringLiteral("list"), package});
    ASSERT_EQ(r.exitCode, 0) << qPrintable(r.err);
    EXPECT_EQ(QString::fromUtf8(r.out), QStringLiteral("1\tFendrel.ini\tname-only\n2\ta\\x09b\\x0a3\\x09evil.pdf\\\\x\tname-only\n"));
}

TEST(PackageCli, AnIncompletePackageIsExtractedAsFarAsItGoesAndFails)
{
    Author a;
    // Two names but one data entry: the image ends before a.txt's data.
    const QByteArray catalogue = "[GENERAL]\r\ntabtitle=T\r\n[SECTION0]\r\nsectionname=S\r\nnumberofentries=1\r\nlab0=L\r\n";
    QByteArray image = QByteArray::fromHex("0000" "0100" "03000000" "00000000" "0000" "0b00") + "Fendrel.ini"
        + QByteArray::fromHex("0500") + "a.txt" + QByteArray::fromHex("0000" "0100" "02000000" "00000000" "0000" "0100");
    const auto size = static_cast<quint32>(catalogue.size());
    image += QByteArray(1, char(size & 0xff)) + QByteArray(1, char(size >> 8)) + QByteArray(2, '\0') + QByteArray(4, '\0')
        + catalogue;
    std::vector<std::uint8_t> stream(image.begin(), image.end());
    Huffman().encodeByte(stream, static_cast<std::int32_t>(stream.size()));
    const QString package = a.file(QStringLiteral("short.lab"), QByteArray(reinterpret_cast<const char *>(stream.data()),
                                                                          static_cast<qsizetype>(stream.size())));

    EXPECT_TRUE(endedWith(a.run({QStringLiteral("extract"), package}), 1, QStringLiteral("short.lab is incomplete or damaged")));
    EXPECT_TRUE(test::readFile(a.path(QStringLiteral("data/Fendrel.ini"))).contains("tabtitle=T"));
}

TEST(PackageCli, WithoutItsLanguageFileTheProgramSaysSoAndStops)
{
    Author a;
    const QString copy = a.path(QStringLiteral("bin/fendrel-cli"));
    QDir().mkpath(a.path(QStringLiteral("bin")));
    ASSERT_TRUE(QFile::copy(QStringLiteral(FENDREL_CLI_PATH), copy));
    QProcess process;
    process.start(copy, {QStringLiteral("--data-dir"), a.path(QStringLiteral("data")), QStringLiteral("check-nwc"), copy});
    process.waitForFinished(30000);
    EXPECT_EQ(process.exitCode(), 1);
    EXPECT_TRUE(QString::fromLocal8Bit(process.readAllStandardError()).contains(QStringLiteral("language file lclang.bdb")));
}

// One extraction at a time per data folder: a held folder is refused with the holder named, a
// lock left by a process that is gone is taken over.
TEST(PackageCli, ASecondExtractionIntoAHeldDataFolderIsRefused)
{
    Author a;
    const QString package = a.path(QStringLiteral("p.lab"));
    test::writeCraftedPackage(package, {{QStringLiteral("Fendrel.ini"), QByteArray("[GENERAL]\r\ntabtitle=Mine\r\n")}});
    QDir().mkpath(a.path(QStringLiteral("data")));
    {
        FolderLock held(a.path(QStringLiteral("data")));
        ASSERT_EQ(held.tryLock(), FolderLock::Outcome::Held);
        EXPECT_TRUE(endedWith(a.run({QStringLiteral("extract"), package}), 1,
                              QStringLiteral("is in use by process %1").arg(QCoreApplication::applicationPid())));
        EXPECT_FALSE(QFileInfo::exists(a.path(QStringLiteral("data/Fendrel.ini"))));
    }
    const qint64 pid = test::pidOfAnEndedProcess();
    a.file(QStringLiteral("data/") + FolderLock::kLockFileName, QByteArray::number(pid) + "\nfendrel-cli\n" + QSysInfo::machineHostName().toUtf8() + "\n");
    EXPECT_TRUE(endedWith(a.run({QStringLiteral("extract"), package}), 0));

    // A lock file that names nobody (its writer was killed at once) is taken over a moment later.
    const QString lockFile = a.path(QStringLiteral("data/") + FolderLock::kLockFileName);
    QFile unnamed(lockFile);
    ASSERT_TRUE(unnamed.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_TRUE(unnamed.setFileTime(QDateTime::currentDateTime().addSecs(-5), QFileDevice::FileModificationTime));
    unnamed.close();
    EXPECT_TRUE(endedWith(a.run({QStringLiteral("extract"), package}), 0));
    EXPECT_TRUE(test::readFile(a.path(QStringLiteral("data/Fendrel.ini"))).contains("tabtitle=Mine"));
}

// A file that is no package, a damaged package and one that does not fit its catalogue are told
// apart, since the author's next step differs.
TEST(PackageCli, ExtractTellsForeignDamagedAndMisfitFilesApart)
{
    Author a;
    const QByteArray catalogue = "[GENERAL]\r\ntabtitle=T\r\n[SECTION0]\r\nsectionname=S\r\nnumberofentries=1\r\nlab0=L\r\n";
    const QString misfit = a.path(QStringLiteral("misfit.lab"));
    test::writeCraftedPackage(misfit, {{QStringLiteral("Fendrel.ini"), catalogue}, {QStringLiteral("a.pdf"), QByteArray("x")},
                                       {QStringLiteral("a.top"), QByteArray("t")}, {QStringLiteral("b.top"), QByteArray("t")}});
    const QString damaged = a.file(QStringLiteral("damaged.lab"), test::readFile(misfit).left(40));
    const QString foreign = a.file(QStringLiteral("notes.lab"), "notes, not a package");
    EXPECT_TRUE(endedWith(a.run({QStringLiteral("extract"), foreign}), 1,
                          QStringLiteral("notes.lab: this file is not a valid Fendrel lab package")));
    EXPECT_TRUE(endedWith(a.run({QStringLiteral("extract"), damaged}), 1,
                          QStringLiteral("damaged.lab is a lab package, but it is damaged and cannot be opened")));
    EXPECT_TRUE(endedWith(a.run({QStringLiteral("extract"), misfit}), 1,
                          QStringLiteral("misfit.lab is a lab package whose files do not fit its own catalogue: "
                                         "b.top belongs to no lab of its catalogue")));
    EXPECT_FALSE(QFileInfo::exists(a.path(QStringLiteral("data/CompilerLabs"))));
}

// A data folder extraction cannot write to: said with the reason, exit 1, nothing changed. The
// superuser writes to read-only folders, so for it a file stands where the extraction folder goes.
TEST(PackageCli, ExtractingIntoAFolderThatCannotBeWrittenSaysWhy)
{
    Author a;
    const QString package = a.path(QStringLiteral("p.lab"));
    test::writeCraftedPackage(package, {{QStringLiteral("Fendrel.ini"), QByteArray("[GENERAL]\r\ntabtitle=New\r\n[SECTION0]\r\n"
                                                                                   "sectionname=S\r\nnumberofentries=1\r\nlab0=L\r\n")},
                                        {QStringLiteral("a.pdf"), QByteArray("document")},
                                        {QStringLiteral("a.top"), QByteArray("topology")}});
    const QString catalogue = a.file(QStringLiteral("data/Fendrel.ini"), "[GENERAL]\r\ntabtitle=Mine\r\n");
    const bool superuser = ::geteuid() == 0;
    if (superuser)
        a.file(QStringLiteral("data/CompilerLabs"), "in the way");
    else
        ::chmod(QFile::encodeName(a.path(QStringLiteral("data"))).constData(), 0555);
    const CliRun r = a.run({QStringLiteral("extract"), package});
    ::chmod(QFile::encodeName(a.path(QStringLiteral("data"))).constData(), 0755);
    EXPECT_TRUE(endedWith(r, 1, superuser ? QStringLiteral("a file stands where a folder of its path goes")
                                          : QStringLiteral("permission to write there is denied")));
    EXPECT_EQ(test::readFile(catalogue), QByteArray("[GENERAL]\r\ntabtitle=Mine\r\n"));
}

// compile works in a temporary folder of its own and removes it; one a killed compile left
// behind is removed by the next, one a running compile uses is not.
TEST(PackageCli, CompileRemovesTheTemporaryFoldersOfKilledRuns)
{
    Author a;
    const QString top = a.file(QStringLiteral("t.top"), "t");
    const QString doc = a.file(QStringLiteral("d.txt"), "d");
    const QString input = a.file(QStringLiteral("my.ini"),
                                 QStringLiteral("[GENERAL]\r\ntabtitle=T\r\n[SECTION0]\r\nsectionname=S\r\nnumberofentries=1\r\n"
                                                "lab0=One\r\nlink0=%1\r\ntopfile0=%2\r\n")
                                     .arg(doc, top)
                                     .toUtf8());
    const QString killed = QStringLiteral("tmp/fendrel-cli-%1-AbCdEf").arg(test::pidOfAnEndedProcess());
    const QString running = QStringLiteral("tmp/fendrel-cli-1-AbCdEf");
    a.file(killed + QStringLiteral("/Fendrel.ini"), "left behind");
    a.file(running + QStringLiteral("/Fendrel.ini"), "in use");
    QProcessEnvironment environment = a.data();
    environment.insert(QStringLiteral("TMPDIR"), a.path(QStringLiteral("tmp")));
    ASSERT_TRUE(endedWith(runCli({QStringLiteral("compile"), input, QStringLiteral("-o"), a.path(QStringLiteral("out.lab"))},
                                 environment),
                          0));
    EXPECT_EQ(QDir(a.path(QStringLiteral("tmp"))).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              QStringList({QStringLiteral("fendrel-cli-1-AbCdEf")}));
}

// Extractions killed or stopped at any moment: every file is as it was or as the package has it,
// the catalogue file is whole (old or new), and a stopped run leaves no staging folder.
TEST(PackageCli, KilledOrStoppedExtractionsNeverLeaveAHalfWrittenFile)
{
    Author a;
    const auto makePackage = [&](char fill, const QString &title) {
        QList<PackageMember> members;
        QByteArray catalogue = QStringLiteral("[GENERAL]\r\ntabtitle=%1\r\n[SECTION0]\r\nsectionname=S\r\nnumberofentries=40\r\n")
                                   .arg(title)
                                   .toUtf8();
        for (int lab = 0; lab < 40; ++lab)
            catalogue += QStringLiteral("lab%1=L%1\r\n").arg(lab).toUtf8();
        members.append({QStringLiteral("Fendrel.ini"), catalogue});
        for (int lab = 0; lab < 40; ++lab) {
            // Content that differs from byte to byte, so that the codec has work to do.
            QByteArray body(400000, fill);
            for (qsizetype i = 0; i < body.size(); i += 7)
                body[i] = static_cast<char>((i * 31 + lab) & 0xff);
            members.append({QStringLiteral("d%1.pdf").arg(lab), body});
            members.append({QStringLiteral("t%1.top").arg(lab), body.left(1000 + lab)});
        }
        const QString path = a.path(QStringLiteral("build-%1.lab").arg(fill));
        test::writeCraftedPackage(path, members);
        return test::readFile(path);
    };
    const QByteArray first = makePackage('a', QStringLiteral("First"));
    const QByteArray second = makePackage('b', QStringLiteral("Second"));
    const QString package = a.path(QStringLiteral("p.lab"));
    const QString folder = a.path(QStringLiteral("data/CompilerLabs/p"));

    // The whole of each, as a finished run leaves it.
    QHash<QString, QByteArray> contents[2];
    QByteArray catalogues[2];
    QElapsedTimer fullRun;
    for (int v = 0; v < 2; ++v) {
        writeFile(package, v == 0 ? first : second);
        fullRun.start();
        ASSERT_TRUE(endedWith(a.run({QStringLiteral("extract"), package}), 0));
        QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString file = it.next();
            contents[v].insert(file, test::readFile(file));
        }
        catalogues[v] = test::readFile(a.path(QStringLiteral("data/Fendrel.ini")));
    }
    ASSERT_EQ(contents[0].size(), 80);
    // The kills are spread over the time a whole run takes here, start-up included.
    const qint64 runMicroseconds = fullRun.nsecsElapsed() / 1000;

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(a.data());
    for (int round = 0; round < 16; ++round) {
        writeFile(package, round % 2 == 0 ? first : second);
        // Every third run opens the package for the first time: its folder comes whole or not at all.
        const bool newFolder = round % 3 == 1;
        if (newFolder)
            QDir(folder).removeRecursively();
        QProcess run;
        run.setProcessEnvironment(environment);
        run.start(QStringLiteral(FENDREL_CLI_PATH), {QStringLiteral("--quiet"), QStringLiteral("extract"), package});
        ASSERT_TRUE(run.waitForStarted());
        QThread::usleep(static_cast<unsigned long>(runMicroseconds * (round + 1) / 16));
        const bool stop = round % 4 == 3;
        // A kill can land between the lock file's creation and its owner's name; such a lock is
        // taken over once it is a moment old, and this round's own exit status is checked.
        if (stop)
            QThread::msleep(FolderLock::kUnnamedLockGraceMs + 100);
        ::kill(static_cast<pid_t>(run.processId()), stop ? SIGTERM : SIGKILL);
        ASSERT_TRUE(run.waitForFinished(60000));
        if (stop && run.exitStatus() == QProcess::NormalExit) {
            EXPECT_TRUE(run.exitCode() == 130 || run.exitCode() == 0)
                << run.exitCode() << ": " << run.readAllStandardError().constData();
            EXPECT_TRUE(QDir(folder).entryList({QStringLiteral(".fendrel-staging-*")}, QDir::Dirs | QDir::Hidden).isEmpty());
        }
        QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        int files = 0;
        while (it.hasNext()) {
            const QString file = it.next();
            if (file.contains(QStringLiteral("/.fendrel-staging-")))
                continue;
            ++files;
            const QByteArray bytes = test::readFile(file);
            EXPECT_TRUE(bytes == contents[0].value(file) || bytes == contents[1].value(file))
                << "round " << round << ": " << qPrintable(file) << " holds " << bytes.size() << " bytes";
        }
        EXPECT_TRUE(!newFolder || files == 0 || files == 80) << "round " << round << ": " << files << " files";
        const QByteArray catalogue = test::readFile(a.path(QStringLiteral("data/Fendrel.ini")));
        EXPECT_TRUE(catalogue == catalogues[0] || catalogue == catalogues[1]) << "round " << round;
    }
    // What the killed runs staged goes with the next run.
    ASSERT_TRUE(endedWith(a.run({QStringLiteral("extract"), package}), 0));
    QDirIterator staged(a.path(QStringLiteral("data/CompilerLabs")), {QStringLiteral(".fendrel-staging-*")},
                        QDir::Dirs | QDir::Hidden, QDirIterator::Subdirectories);
    EXPECT_FALSE(staged.hasNext()) << qPrintable(staged.next());
}

// info shows each lab's members (a shared document name-only in the second lab, a loading
// configuration with its device file) without extracting, and tells damaged from foreign files.
TEST(PackageCli, InfoShowsEachLabsMembersWithoutExtracting)
{
    Author a;
    const QString input = a.file(QStringLiteral("my.ini"), ospfCatalogue(a, QStringLiteral("loadnwcfile1=%1\r\n")));
    const QString package = a.path(QStringLiteral("out.lab"));
    ASSERT_TRUE(endedWith(a.run({QStringLiteral("compile"), input, QStringLiteral("-o"), package}), 0));

    CliRun r = a.run({QStringLiteral("info"), package, QStringLiteral("--json")});
    ASSERT_EQ(r.exitCode, 0) << qPrintable(r.err);
    const QJsonObject info = QJsonDocument::fromJson(r.out).object();
    EXPECT_EQ(info.value(QStringLiteral("verdict")).toString(), QStringLiteral("sound"));
    EXPECT_EQ(info.value(QStringLiteral("tabTitle")).toString(), QStringLiteral("My Labs"));
    const QJsonArray labs = info.value(QStringLiteral("sections")).toArray().at(0).toObject().value(QStringLiteral("labs")).toArray();
    ASSERT_EQ(labs.size(), 2);
    const auto membersOf = [&](int lab) {
        QStringList members;
        for (const QJsonValue &m : labs.at(lab).toObject().value(QStringLiteral("members")).toArray()) {
            const QJsonObject o = m.toObject();
            members << o.value(QStringLiteral("name")).toString()
                    + (o.value(QStringLiteral("nameOnly")).toBool() ? QStringLiteral(" (name-only)")
                                                                    : QStringLiteral(" %1").arg(o.value(QStringLiteral("size")).toInt()));
        }
        return members;
    };
    EXPECT_EQ(membersOf(0), QStringList({QStringLiteral("ospf.pdf 13"), QStringLiteral("ospf.top 8"), QStringLiteral("ospf.nwc 42"),
                                         QStringLiteral("ospf1.rtr 13")}));
    EXPECT_EQ(membersOf(1), QStringList({QStringLiteral("ospf.pdf (name-only)"), QStringLiteral("ospf.top 8"),
                                         QStringLiteral("ospf.nwcl 42"), QStringLiteral("ospf1.rtr 13")}));
    EXPECT_FALSE(QFileInfo::exists(a.path(QStringLiteral("data/CompilerLabs"))));

    r = a.run({QStringLiteral("info"), package});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.out.contains("Section: Routing\n  Lab: OSPF\n    2\tospf.pdf\t13\n")) << r.out.constData();

    writeFile(a.path(QStringLiteral("cut.lab")), test::readFile(package).left(120));
    EXPECT_TRUE(endedWith(a.run({QStringLiteral("info"), a.path(QStringLiteral("cut.lab"))}), 1, QStringLiteral("cut.lab is damaged")));
    EXPECT_TRUE(endedWith(a.run({QStringLiteral("info"), input}), 1, QStringLiteral("my.ini is not a lab package")));
}
