#include "cli/CliRunner.h"
#include "codec/Huffman.h"
#include "support/PackageFixture.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

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
};

QStringList withoutCatalogueLine(const QByteArray &listing)
{
    QStringList lines = QString::fromUtf8(listing).split(u'\n', Qt::SkipEmptyParts);
    if (!lines.isEmpty())
        lines.removeFirst();
    return lines;
}

} // namespace

TEST(PackageCli, CompileListExtractAndCompileAgain)
{
    Author a;
    const QString doc = a.file(QStringLiteral("files/ospf.pdf"), "%PDF-1.4 body");
    const QString top = a.file(QStringLiteral("files/ospf.top"), "topology");
    const QString nwc = a.file(QStringLiteral("files/cfg/ospf.nwc"), "number of devices=1\r\nnumber of routers=1\r\n");
    a.file(QStringLiteral("files/cfg/ospf1.rtr"), "hostname R1\r\n");
    const QByteArray catalogue = QStringLiteral("[GENERAL]\r\ntabtitle=My Labs\r\n[SECTION0]\r\nsectionname=Routing\r\n"
                                                "numberofentries=2\r\nlab0=OSPF\r\nlink0=%1\r\ntopfile0=%2\r\nnwcfile0=%3\r\n"
                                                "lab1=Again\r\nlink1=%1\r\ntopfile1=%2\r\n")
                                     .arg(doc, top, nwc)
                                     .toUtf8();
    const QString input = a.file(QStringLiteral("my.ini"), catalogue);

    // A package that cannot be written says which and why, not where to look.
    CliRun r = runCli({QStringLiteral("compile"), input, QStringLiteral("-o"), a.path(QStringLiteral("no/such/out.lab"))},
                      a.data());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("no/such/out.lab cannot be written: its folder does not exist")))
        << qPrintable(r.err);

    r = runCli({QStringLiteral("compile"), input, QStringLiteral("-o"), a.path(QStringLiteral("out.lab"))}, a.data());
    ASSERT_EQ(r.exitCode, 0) << qPrintable(r.err);
    EXPECT_EQ(test::readFile(input), catalogue);

    r = runCli({QStringLiteral("list"), a.path(QStringLiteral("out.lab"))}, a.data());
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
    r = runCli({QStringLiteral("list"), a.path(QStringLiteral("again.lab"))}, a.data());
    EXPECT_EQ(withoutCatalogueLine(r.out), first);
}

TEST(PackageCli, ProblemsAreReportedTogetherAndNothingIsWritten)
{
    Author a;
    const QString top = a.file(QStringLiteral("t.top"), "t");
    const QString bad = a.file(QStringLiteral("bad.nwc"), "number of devices=2\r\nnumber of routers=1\r\n");
    const QString empty = a.file(QStringLiteral("empty.nwc"), "");
    const QString input = a.file(QStringLiteral("my.ini"),
                                 QStringLiteral("[GENERAL]\r\ntabtitle=T\r\n[SECTION0]\r\nsectionname=S\r\nnumberofentries=2\r\n"
                                                "lab0=One\r\nlink0=/nowhere/a.pdf\r\ntopfile0=%1\r\nnwcfile0=%2\r\n"
                                                "lab1=Two\r\nlink1=%1\r\ntopfile1=%1\r\nloadnwcfile1=%3\r\n")
                                     .arg(top, bad, empty)
                                     .toUtf8());
    const QString out = a.path(QStringLiteral("out.lab"));
    CliRun r = runCli({QStringLiteral("compile"), input, QStringLiteral("-o"), out}, a.data());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("3 problem(s)"))) << qPrintable(r.err);
    EXPECT_TRUE(r.err.contains(QStringLiteral("S / One: the lab document /nowhere/a.pdf does not exist")));
    EXPECT_TRUE(r.err.contains(QStringLiteral("counts 2 devices but 1 routers")));
    EXPECT_TRUE(r.err.contains(QStringLiteral("empty.nwc is empty")));
    EXPECT_FALSE(QFileInfo::exists(out));

    // --force follows the compile button: the bad configuration stops it, still nothing written.
    r = runCli({QStringLiteral("--yes"), QStringLiteral("compile"), input, QStringLiteral("-o"), out, QStringLiteral("--force")}, a.data());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_FALSE(QFileInfo::exists(out));

    r = runCli({QStringLiteral("check-nwc"), bad, empty}, a.data());
    EXPECT_EQ(r.exitCode, 1);
    r = runCli({QStringLiteral("--yes"), QStringLiteral("check-nwc"), empty}, a.data());
    EXPECT_EQ(r.exitCode, 0) << qPrintable(r.err);
    r = runCli({QStringLiteral("list"), input}, a.data());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("not a readable lab package"))) << qPrintable(r.err);
    r = runCli({QStringLiteral("compile"), input}, a.data());
    EXPECT_EQ(r.exitCode, 2);

    // A count the catalogue file cannot carry loads as no labs; it never compiles, --force or not.
    const QString huge = a.file(QStringLiteral("huge.ini"),
                                QStringLiteral("[GENERAL]\r\ntabtitle=T\r\n[SECTION0]\r\nsectionname=Big\r\nnumberofentries=40000\r\n"
                                               "lab0=One\r\nlink0=%1\r\ntopfile0=%1\r\n")
                                    .arg(top)
                                    .toUtf8());
    r = runCli({QStringLiteral("compile"), huge, QStringLiteral("-o"), out, QStringLiteral("--force")}, a.data());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("Section \"Big\" counts 40000 labs, more than a catalogue file can carry")))
        << qPrintable(r.err);
    EXPECT_FALSE(QFileInfo::exists(out));
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
        const CliRun r = runCli(command, a.data());
        EXPECT_EQ(r.exitCode, 1) << qPrintable(command.join(u' '));
        EXPECT_TRUE(r.err.contains(pipe + QStringLiteral(" is a named pipe, not a file"))
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
    const CliRun r = runCli({QStringLiteral("list"), package}, a.data());
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

    const CliRun r = runCli({QStringLiteral("extract"), package}, a.data());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("short.lab is incomplete or damaged"))) << qPrintable(r.err);
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
