#include "cli/CliApp.h"
#include "cli/CliRunner.h"
#include "codec/Huffman.h"
#include "support/PackageFixture.h"
#include "support/TestSupport.h"

#include "io/FolderLock.h"
#include "startup/Folders.h"
#include "startup/LanguageTable.h"
#include "text/TextHelpers.h"

#include <QCoreApplication>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSysInfo>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>

#include <sys/stat.h>
#include <unistd.h>

using namespace fendrel;
using namespace fendrel::cli;
using test::CliRun;
using test::readFile;
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
        env.insert(u"FENDREL_DATA_DIR"_qs, path(u"data"_qs));
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

// A catalogue file of one section S holding the labs that entries give.
QByteArray oneSection(int labs, const QString &entries, const QString &title = u"T"_qs)
{
    return u"[GENERAL]\r\ntabtitle=%1\r\n[SECTION0]\r\nsectionname=S\r\nnumberofentries=%2\r\n%3"_qs
        .arg(title, QString::number(labs), entries)
        .toUtf8();
}

// Two labs over one document and topology; the first has a grading configuration with one device
// file, and secondLab adds keys to the second. The catalogue file's bytes.
QByteArray ospfCatalogue(const Author &a, const QString &secondLab = {})
{
    const QString doc = a.file(u"files/ospf.pdf"_qs, "%PDF-1.4 body");
    const QString top = a.file(u"files/ospf.top"_qs, "topology");
    const QString nwc = a.file(u"files/cfg/ospf.nwc"_qs, "number of devices=1\r\nnumber of routers=1\r\n");
    a.file(u"files/cfg/ospf1.rtr"_qs, "hostname R1\r\n");
    return u"[GENERAL]\r\ntabtitle=My Labs\r\n[SECTION0]\r\nsectionname=Routing\r\nnumberofentries=2\r\n"
           "lab0=OSPF\r\nlink0=%1\r\ntopfile0=%2\r\nnwcfile0=%3\r\nlab1=Again\r\nlink1=%1\r\ntopfile1=%2\r\n%4"_qs
        .arg(doc, top, nwc, secondLab.isEmpty() ? QString() : secondLab.arg(nwc))
        .toUtf8();
}


// Records what it was given, so the option parsing can be checked from the outside.
class ProbeCommand : public Command {
public:
    QString name() const override { return u"probe"_qs; }
    QString arguments() const override { return u"[ARGS]"_qs; }
    QString summary() const override { return u"test probe"_qs; }
    int run(const QStringList &args, CliContext &context) override
    {
        seenArgs = args;
        seenQuiet = context.quiet;
        seenAnswer = context.answer;
        return 0;
    }
    QStringList seenArgs;
    bool seenQuiet = false;
    std::optional<bool> seenAnswer;
};

} // namespace

// A package compiled, listed, shown by info without extracting (a shared document name-only in
// the second lab, a loading configuration with its device file), extracted into a fresh data
// folder and compiled again from there: the same members each time. info tells damaged from
// foreign files.
TEST(PackageCli, CompileListInfoExtractCompileAgainAndLeaveNoTemporaryFolder)
{
    Author a;
    const QByteArray catalogue = ospfCatalogue(a, u"loadnwcfile1=%1\r\n"_qs);
    const QString input = a.file(u"my.ini"_qs, catalogue);
    const QString package = a.path(u"out.lab"_qs);

    // A package that cannot be written says which and why, not where to look.
    EXPECT_TRUE(endedWith(a.run({u"compile"_qs, input, u"-o"_qs, a.path(u"no/such/out.lab"_qs)}), 1,
                          u"no/such/out.lab cannot be written: its folder does not exist"_qs));

    ASSERT_TRUE(endedWith(a.run({u"compile"_qs, input, u"-o"_qs, package}), 0));
    EXPECT_EQ(readFile(input), catalogue);

    CliRun r = a.run({u"list"_qs, package});
    ASSERT_EQ(r.exitCode, 0) << qPrintable(r.err);
    const QStringList first = withoutCatalogueLine(r.out);
    EXPECT_EQ(first, QStringList({u"2\tospf.pdf\t13"_qs, u"3\tospf.top\t8"_qs, u"4\tospf.nwc\t42"_qs,
                                  u"5\tospf1.rtr\t13"_qs, u"6\tospf.pdf\tname-only"_qs, u"7\tospf.top\t8"_qs,
                                  u"8\tospf.nwcl\t42"_qs, u"9\tospf1.rtr\t13"_qs}));

    r = a.run({u"info"_qs, package, u"--json"_qs});
    ASSERT_EQ(r.exitCode, 0) << qPrintable(r.err);
    const QJsonObject info = QJsonDocument::fromJson(r.out).object();
    EXPECT_EQ(info.value(u"verdict"_qs).toString(), u"sound"_qs);
    EXPECT_EQ(info.value(u"tabTitle"_qs).toString(), u"My Labs"_qs);
    const QJsonArray labs = info.value(u"sections"_qs).toArray().at(0).toObject().value(u"labs"_qs).toArray();
    ASSERT_EQ(labs.size(), 2);
    const auto membersOf = [&](int lab) {
        QStringList members;
        for (const QJsonValue &m : labs.at(lab).toObject().value(u"members"_qs).toArray()) {
            const QJsonObject o = m.toObject();
            members << o.value(u"name"_qs).toString()
                    + (o.value(u"nameOnly"_qs).toBool() ? u" (name-only)"_qs
                                                        : u" %1"_qs.arg(o.value(u"size"_qs).toInt()));
        }
        return members;
    };
    EXPECT_EQ(membersOf(0), QStringList({u"ospf.pdf 13"_qs, u"ospf.top 8"_qs, u"ospf.nwc 42"_qs, u"ospf1.rtr 13"_qs}));
    EXPECT_EQ(membersOf(1),
              QStringList({u"ospf.pdf (name-only)"_qs, u"ospf.top 8"_qs, u"ospf.nwcl 42"_qs, u"ospf1.rtr 13"_qs}));
    EXPECT_FALSE(QFileInfo::exists(a.path(u"data/CompilerLabs"_qs)));

    r = a.run({u"info"_qs, package});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.out.contains("Section: Routing\n  Lab: OSPF\n    2\tospf.pdf\t13\n")) << r.out.constData();

    const QString cut = a.file(u"cut.lab"_qs, readFile(package).left(120));
    EXPECT_TRUE(endedWith(a.run({u"info"_qs, cut}), 1, u"cut.lab is damaged"_qs));
    EXPECT_TRUE(endedWith(a.run({u"info"_qs, input}), 1, u"my.ini is not a lab package"_qs));

    r = runCli({u"--data-dir"_qs, a.path(u"fresh"_qs), u"extract"_qs, package});
    ASSERT_EQ(r.exitCode, 0) << qPrintable(r.err);
    EXPECT_TRUE(QFileInfo(a.path(u"fresh/CompilerLabs/out/Routing/OSPF/ospf1.rtr"_qs)).isFile());
    EXPECT_TRUE(readFile(a.path(u"fresh/Fendrel.ini"_qs)).contains("CompilerLabs/out/Routing/common/ospf.pdf"));

    r = runCli({u"--data-dir"_qs, a.path(u"fresh"_qs), u"compile"_qs, u"-o"_qs, a.path(u"again.lab"_qs)});
    ASSERT_EQ(r.exitCode, 0) << qPrintable(r.err);
    EXPECT_EQ(withoutCatalogueLine(a.run({u"list"_qs, a.path(u"again.lab"_qs)}).out), first);

    // Relative paths name files beside the catalogue, whatever folder the script runs in.
    const QString relative =
        a.file(u"rel.ini"_qs, QByteArray(catalogue).replace(QFile::encodeName(a.dir.path() + u'/'), ""));
    const QString elsewhere = a.path(u"files/cfg"_qs);
    r = runCli({u"check"_qs, u"../../rel.ini"_qs}, a.data(), elsewhere);
    EXPECT_EQ(r.exitCode, 0) << qPrintable(r.err);
    for (const QString &folder : {a.dir.path(), elsewhere}) {
        r = runCli({u"compile"_qs, relative, u"-o"_qs, folder + u"/rel.lab"_qs}, a.data(), folder);
        ASSERT_EQ(r.exitCode, 0) << qPrintable(r.err);
    }
    EXPECT_EQ(readFile(elsewhere + u"/rel.lab"_qs), readFile(a.path(u"rel.lab"_qs)));
    EXPECT_EQ(withoutCatalogueLine(a.run({u"list"_qs, elsewhere + u"/rel.lab"_qs}).out), first);

    // A compile works in a temporary folder of its own and removes it; one a killed compile left
    // behind is removed by the next, one a running compile uses is not.
    const QString oneDoc = a.file(u"d.txt"_qs, "d");
    const QString oneLabEntries = u"lab0=One\r\nlink0=%1\r\ntopfile0=%2\r\n"_qs.arg(oneDoc, a.file(u"t.top"_qs, "t"));
    const QString oneLab = a.file(u"one.ini"_qs, oneSection(1, oneLabEntries));
    a.file(u"tmp/fendrel-cli-%1-AbCdEf/Fendrel.ini"_qs.arg(test::pidOfAnEndedProcess()), "left behind");
    a.file(u"tmp/fendrel-cli-1-AbCdEf/Fendrel.ini"_qs, "in use");
    QProcessEnvironment environment = a.data();
    environment.insert(u"TMPDIR"_qs, a.path(u"tmp"_qs));
    ASSERT_TRUE(endedWith(runCli({u"compile"_qs, oneLab, u"-o"_qs, a.path(u"one.lab"_qs)}, environment), 0));
    EXPECT_EQ(QDir(a.path(u"tmp"_qs)).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              QStringList({u"fendrel-cli-1-AbCdEf"_qs}));
}

// Every problem is reported at once, and what cannot build is never written, --force or not.
TEST(PackageCli, ProblemsAreReportedTogetherAndSeveritiesDecideWhatCompiles)
{
    Author a;
    const QString top = a.file(u"t.top"_qs, "t");
    const QString bad = a.file(u"bad.nwc"_qs, "number of devices=2\r\nnumber of routers=1\r\n");
    const QString empty = a.file(u"empty.nwc"_qs, "");
    const QString fake = a.file(u"fake.gif"_qs, "text");
    const QString input = a.file(u"my.ini"_qs, oneSection(3, u"lab0=One\r\nlink0=/nowhere/a.pdf\r\ntopfile0=%1\r\n"
                                                              "nwcfile0=%2\r\nlab1=Two\r\nlink1=%4\r\ntopfile1=%1\r\n"
                                                              "loadnwcfile1=%3\r\nlab2=Three\r\nlink2=%1\r\n"
                                                              "topfile2=%1\r\npicture2=%5\r\n"_qs
                                                                  .arg(top, bad, empty, a.dir.path() + u'/', fake)));
    const QString out = a.path(u"out.lab"_qs);
    CliRun r = a.run({u"compile"_qs, input, u"-o"_qs, out});
    EXPECT_TRUE(endedWith(r, 1, u"6 problem(s)"_qs));
    // One line each, worst cases named so; files of the wrong kind would land in the wrong place
    // when the package is opened again.
    for (const QString &line :
         {u"  opens wrong: S / Three: %1: is not a lab document (.pdf, .doc or .txt)\n"_qs.arg(top),
          u"  opens wrong: S / Three: %1: is not a picture that Fendrel can read"_qs.arg(fake),
          u"  opens wrong: S / One: /nowhere/a.pdf: is not there\n"_qs,
          u"  opens wrong: S / Two: %1/: is a folder, not a file\n"_qs.arg(a.dir.path()),
          u"  cannot build: S / One: %1: counts 2 devices, but 1 routers, 0 switches and 0 PCs\n"_qs.arg(bad),
          u"  warning: S / Two: %1: is empty"_qs.arg(empty), u"\"cannot build\" must be mended first"_qs})
        EXPECT_TRUE(r.err.contains(line)) << qPrintable(line) << " not in: " << qPrintable(r.err);
    EXPECT_FALSE(QFileInfo::exists(out));

    // --force overrides no problem that cannot build.
    EXPECT_TRUE(endedWith(a.run({u"--yes"_qs, u"compile"_qs, input, u"-o"_qs, out, u"--force"_qs}), 1));
    EXPECT_FALSE(QFileInfo::exists(out));

    EXPECT_TRUE(endedWith(a.run({u"check-nwc"_qs, bad, empty}), 1));
    EXPECT_TRUE(endedWith(a.run({u"--yes"_qs, u"check-nwc"_qs, empty}), 0));
    EXPECT_TRUE(endedWith(a.run({u"list"_qs, input}), 1, u"not a readable lab package"_qs));
    EXPECT_TRUE(endedWith(a.run({u"compile"_qs, input}), 2));

    // A count the catalogue file cannot carry loads as no labs; it never compiles, --force or not.
    const QByteArray huge = oneSection(40000, u"lab0=One\r\nlink0=%1\r\ntopfile0=%1\r\n"_qs.arg(top));
    EXPECT_TRUE(endedWith(a.run({u"compile"_qs, a.file(u"huge.ini"_qs, huge), u"-o"_qs, out, u"--force"_qs}), 1,
                          u"  cannot build: S: the catalogue file counts 40000 labs in this section, "
                          "more than it can carry (32767)"_qs));
    EXPECT_FALSE(QFileInfo::exists(out));

    // Each severity compiles as far as it allows: a package that would open wrong only with
    // --force, an empty configuration only when --yes answers its question; --json says the same.
    const QString doc = a.file(u"d.pdf"_qs, "%PDF");
    const QString catalogue = u"[GENERAL]\r\ntabtitle=T\r\n[SECTION0]\r\nsectionname=Routing\r\nnumberofentries=1\r\n"
                              "lab0=One\r\nlink0=%1\r\ntopfile0=%2\r\nloadnwcfile0=%3\r\n[SECTION1]\r\n"
                              "sectionname=routing\r\nnumberofentries=1\r\nlab0=Two\r\nlink0=%1\r\ntopfile0=%2\r\n"
                              "[SECTION2]\r\nsectionname=Later\r\nnumberofentries=0\r\n"_qs;
    const QString merged = a.file(u"merged.ini"_qs, catalogue.arg(doc, top, empty).toUtf8());

    r = a.run({u"check"_qs, merged, u"--json"_qs});
    EXPECT_EQ(r.exitCode, 1);
    const QJsonObject report = QJsonDocument::fromJson(r.out).object();
    EXPECT_EQ(report.value(u"compiles"_qs), QJsonValue(false));
    QStringList seen;
    for (const QJsonValue &problem : report.value(u"problems"_qs).toArray()) {
        const QJsonObject p = problem.toObject();
        seen << QStringList{p[u"severity"_qs].toString(), p[u"kind"_qs].toString(), p[u"section"_qs].toString(),
                                            p[u"lab"_qs].toString(), p[u"field"_qs].toString(),
                            fileNameOfPath(p[u"file"_qs].toString())}
                    .join(u'|');
    }
    EXPECT_EQ(seen, QStringList({u"opens-wrong|sections-merged|Routing|||"_qs,
                                 u"warning|configuration-empty|Routing|One|loading-configuration|empty.nwc"_qs,
                                 u"warning|section-without-labs|Later|||"_qs}))
        << r.out.constData();

    // Opens wrong: refused without --force; with it, the empty configuration's question decides.
    EXPECT_TRUE(endedWith(a.run({u"compile"_qs, merged, u"-o"_qs, out}), 1, u"--force compiles anyway"_qs));
    EXPECT_TRUE(endedWith(a.run({u"--no"_qs, u"compile"_qs, merged, u"-o"_qs, out, u"--force"_qs}), 1,
                          u"[answered No]"_qs));
    EXPECT_FALSE(QFileInfo::exists(out));
    r = a.run({u"--yes"_qs, u"compile"_qs, merged, u"-o"_qs, out, u"--force"_qs, u"--json"_qs});
    EXPECT_EQ(r.exitCode, 0) << qPrintable(r.err);
    EXPECT_EQ(QJsonDocument::fromJson(r.out).object().value(u"written"_qs), QJsonValue(true)) << r.out.constData();
    EXPECT_TRUE(QFileInfo(out).isFile());

    // Warnings alone never stop it, and a clean catalogue has nothing to say.
    QString sections = catalogue.arg(doc, top, QString());
    sections.replace(u"sectionname=routing"_qs, u"sectionname=Switching"_qs);
    const QString warned = a.file(u"warned.ini"_qs, sections.toUtf8());
    EXPECT_TRUE(endedWith(a.run({u"compile"_qs, warned, u"-o"_qs, a.path(u"w.lab"_qs)}), 0,
                          u"  warning: Later: the section holds no labs"_qs));
    sections.remove(u"[SECTION2]\r\nsectionname=Later\r\nnumberofentries=0\r\n"_qs);
    const QString clean = a.file(u"clean.ini"_qs, sections.toUtf8());
    r = a.run({u"check"_qs, clean});
    EXPECT_EQ(r.exitCode, 0) << qPrintable(r.err);
    EXPECT_EQ(r.out, u"%1: no problems\n"_qs.arg(clean).toUtf8());
}

TEST(PackageCli, NamedPipesAreRefusedAtOnceAndNamesThatWouldForgeLinesAreEscaped)
{
    Author a;
    const QString pipe = a.path(u"pipe.nwc"_qs);
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    const QString top = a.file(u"t.top"_qs, "t");
    const QString lab = u"lab0=One\r\nlink0=%1\r\ntopfile0=%1\r\nnwcfile0=%2\r\n"_qs.arg(top, pipe);
    const QString input = a.file(u"my.ini"_qs, oneSection(1, lab));
    // Each of these waited for a writer that never came.
    const QList<QStringList> commands{{u"check-nwc"_qs, pipe},
                                      {u"list"_qs, pipe},
                                      {u"extract"_qs, pipe},
                                      {u"compile"_qs, pipe, u"-o"_qs, a.path(u"a.lab"_qs)},
                                      {u"--yes"_qs, u"compile"_qs, input, u"-o"_qs, a.path(u"b.lab"_qs),
                                       u"--force"_qs}};
    for (const QStringList &command : commands) {
        const CliRun r = a.run(command);
        EXPECT_EQ(r.exitCode, 1) << qPrintable(command.join(u' '));
        EXPECT_TRUE(r.err.contains(pipe + u" is a named pipe, not a file"_qs)
                    || r.err.contains(pipe + u": is a named pipe, not a file"_qs)
                    || r.err.contains(u"it is a named pipe, not a file"_qs))
            << qPrintable(command.join(u' ')) << ": " << qPrintable(r.err);
    }
    EXPECT_FALSE(QFileInfo::exists(a.path(u"b.lab"_qs)));

    // A listing escapes member names that would forge lines.
    const QString forged = a.path(u"forged.lab"_qs);
    test::writeCraftedPackage(forged, {{u"Fendrel.ini"_qs, {}, {}}, {u"a\tb\n3\tevil.pdf\\x"_qs, {}, {}}});
    const CliRun r = a.run({u"list"_qs, forged});
    ASSERT_EQ(r.exitCode, 0) << qPrintable(r.err);
    EXPECT_EQ(QString::fromUtf8(r.out), u"1\tFendrel.ini\tname-only\n2\ta\\x09b\\x0a3\\x09evil.pdf\\\\x\tname-only\n"_qs);
}

// One extraction at a time per data folder: a held folder is refused with the holder named, a
// lock left by a process that is gone is taken over. A data folder extraction cannot write to is
// refused with the reason, the catalogue unchanged; the superuser writes to read-only folders, so
// for it a file stands where the extraction folder goes.
TEST(PackageCli, ExtractionIntoAHeldOrUnwritableDataFolderIsRefused)
{
    Author a;
    const QString package = a.path(u"p.lab"_qs);
    test::writeCraftedPackage(package, {{u"Fendrel.ini"_qs, oneSection(1, u"lab0=L\r\n"_qs, u"Mine"_qs)},
                                        {u"a.pdf"_qs, QByteArray("document")},
                                        {u"a.top"_qs, QByteArray("topology")}});
    QDir().mkpath(a.path(u"data"_qs));
    {
        FolderLock held(a.path(u"data"_qs));
        ASSERT_EQ(held.tryLock(), FolderLock::Outcome::Held);
        EXPECT_TRUE(endedWith(a.run({u"extract"_qs, package}), 1,
                              u"is in use by process %1"_qs.arg(QCoreApplication::applicationPid())));
        EXPECT_FALSE(QFileInfo::exists(a.path(u"data/Fendrel.ini"_qs)));
    }
    const QString lockFile = a.path(u"data/"_qs + FolderLock::kLockFileName);
    const QByteArray host = QSysInfo::machineHostName().toUtf8();
    writeFile(lockFile, QByteArray::number(test::pidOfAnEndedProcess()) + "\nfendrel-cli\n" + host + "\n");
    EXPECT_TRUE(endedWith(a.run({u"extract"_qs, package}), 0));

    // A lock file that names nobody (its writer was killed at once) is taken over a moment later.
    QFile unnamed(lockFile);
    ASSERT_TRUE(unnamed.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_TRUE(unnamed.setFileTime(QDateTime::currentDateTime().addSecs(-5), QFileDevice::FileModificationTime));
    unnamed.close();
    EXPECT_TRUE(endedWith(a.run({u"extract"_qs, package}), 0));
    EXPECT_TRUE(readFile(a.path(u"data/Fendrel.ini"_qs)).contains("tabtitle=Mine"));

    ASSERT_TRUE(QDir(a.path(u"data/CompilerLabs"_qs)).removeRecursively());
    const QByteArray other = "[GENERAL]\r\ntabtitle=Other\r\n";
    writeFile(a.path(u"data/Fendrel.ini"_qs), other);
    const bool superuser = ::geteuid() == 0;
    if (superuser)
        a.file(u"data/CompilerLabs"_qs, "in the way");
    else
        ::chmod(QFile::encodeName(a.path(u"data"_qs)).constData(), 0555);
    const CliRun r = a.run({u"extract"_qs, package});
    ::chmod(QFile::encodeName(a.path(u"data"_qs)).constData(), 0755);
    EXPECT_TRUE(endedWith(r, 1, superuser ? u"a file stands where a folder of its path goes"_qs
                                          : u"permission to write there is denied"_qs));
    EXPECT_EQ(readFile(a.path(u"data/Fendrel.ini"_qs)), other);
}

// A file that is no package, a damaged package and one that does not fit its catalogue are told
// apart, since the author's next step differs. One whose image ends before a member's data is
// extracted as far as it goes and fails.
TEST(PackageCli, ExtractTellsForeignDamagedMisfitAndIncompleteFilesApart)
{
    Author a;
    const QByteArray catalogue = oneSection(1, u"lab0=L\r\n"_qs);
    const QString misfit = a.path(u"misfit.lab"_qs);
    test::writeCraftedPackage(misfit, {{u"Fendrel.ini"_qs, catalogue}, {u"a.pdf"_qs, QByteArray("x")},
                                       {u"a.top"_qs, QByteArray("t")}, {u"b.top"_qs, QByteArray("t")}});
    const QString damaged = a.file(u"damaged.lab"_qs, readFile(misfit).left(40));
    const QString foreign = a.file(u"notes.lab"_qs, "notes, not a package");
    EXPECT_TRUE(endedWith(a.run({u"extract"_qs, foreign}), 1,
                          u"notes.lab: this file is not a valid Fendrel lab package"_qs));
    EXPECT_TRUE(endedWith(a.run({u"extract"_qs, damaged}), 1,
                          u"damaged.lab is a lab package, but it is damaged and cannot be opened"_qs));
    EXPECT_TRUE(endedWith(a.run({u"extract"_qs, misfit}), 1,
                          u"misfit.lab is a lab package whose files do not fit its own catalogue: "
                          "b.top belongs to no lab of its catalogue"_qs));
    EXPECT_FALSE(QFileInfo::exists(a.path(u"data/CompilerLabs"_qs)));

    // Two names but one data entry: the image ends before a.txt's data.
    QByteArray image = QByteArray::fromHex("0000" "0100" "03000000" "00000000" "0000" "0b00") + "Fendrel.ini"
        + QByteArray::fromHex("0500") + "a.txt" + QByteArray::fromHex("0000" "0100" "02000000" "00000000" "0000" "0100");
    const auto size = static_cast<quint32>(catalogue.size());
    image += QByteArray(1, char(size & 0xff)) + QByteArray(1, char(size >> 8)) + QByteArray(6, '\0') + catalogue;
    std::vector<std::uint8_t> stream(image.begin(), image.end());
    Huffman().encodeByte(stream, static_cast<std::int32_t>(stream.size()));
    const QString incomplete = a.file(u"short.lab"_qs, QByteArray(reinterpret_cast<const char *>(stream.data()),
                                                                  static_cast<qsizetype>(stream.size())));
    EXPECT_TRUE(endedWith(a.run({u"extract"_qs, incomplete}), 1, u"short.lab is incomplete or damaged"_qs));
    EXPECT_TRUE(readFile(a.path(u"data/Fendrel.ini"_qs)).contains("tabtitle=T"));
}

// Extractions killed or stopped at any moment: every file is as it was or as the package has it,
// the catalogue file is whole (old or new), and a stopped run leaves no staging folder.
TEST(PackageCli, KilledOrStoppedExtractionsNeverLeaveAHalfWrittenFile)
{
    Author a;
    const auto makePackage = [&](char fill, const QString &title) {
        QString labs;
        for (int lab = 0; lab < 40; ++lab)
            labs += u"lab%1=L%1\r\n"_qs.arg(lab);
        QList<PackageMember> members{{u"Fendrel.ini"_qs, oneSection(40, labs, title)}};
        for (int lab = 0; lab < 40; ++lab) {
            // Content that differs from byte to byte, so that the codec has work to do.
            QByteArray body(400000, fill);
            for (qsizetype i = 0; i < body.size(); i += 7)
                body[i] = static_cast<char>((i * 31 + lab) & 0xff);
            members.append({u"d%1.pdf"_qs.arg(lab), body});
            members.append({u"t%1.top"_qs.arg(lab), body.left(1000 + lab)});
        }
        const QString path = a.path(u"build-%1.lab"_qs.arg(fill));
        test::writeCraftedPackage(path, members);
        return readFile(path);
    };
    const QByteArray packages[2] = {makePackage('a', u"First"_qs), makePackage('b', u"Second"_qs)};
    const QString package = a.path(u"p.lab"_qs);
    const QString folder = a.path(u"data/CompilerLabs/p"_qs);

    // The whole of each, as a finished run leaves it.
    QHash<QString, QByteArray> contents[2];
    QByteArray catalogues[2];
    QElapsedTimer fullRun;
    for (int v = 0; v < 2; ++v) {
        writeFile(package, packages[v]);
        fullRun.start();
        ASSERT_TRUE(endedWith(a.run({u"extract"_qs, package}), 0));
        for (QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories); it.hasNext();) {
            const QString file = it.next();
            contents[v].insert(file, readFile(file));
        }
        catalogues[v] = readFile(a.path(u"data/Fendrel.ini"_qs));
    }
    ASSERT_EQ(contents[0].size(), 80);
    // The kills are spread over the time a whole run takes here, start-up included.
    const qint64 runMicroseconds = fullRun.nsecsElapsed() / 1000;

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(a.data());
    for (int round = 0; round < 16; ++round) {
        writeFile(package, packages[round % 2]);
        // Every third run opens the package for the first time: its folder comes whole or not at all.
        const bool newFolder = round % 3 == 1;
        if (newFolder)
            QDir(folder).removeRecursively();
        QProcess run;
        run.setProcessEnvironment(environment);
        run.start(QStringLiteral(FENDREL_CLI_PATH), {u"--quiet"_qs, u"extract"_qs, package});
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
            EXPECT_TRUE(QDir(folder).entryList({u".fendrel-staging-*"_qs}, QDir::Dirs | QDir::Hidden).isEmpty());
        }
        QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        int files = 0;
        while (it.hasNext()) {
            const QString file = it.next();
            if (file.contains(u"/.fendrel-staging-"_qs))
                continue;
            ++files;
            const QByteArray bytes = readFile(file);
            EXPECT_TRUE(bytes == contents[0].value(file) || bytes == contents[1].value(file))
                << "round " << round << ": " << qPrintable(file) << " holds " << bytes.size() << " bytes";
        }
        EXPECT_TRUE(!newFolder || files == 0 || files == 80) << "round " << round << ": " << files << " files";
        const QByteArray catalogue = readFile(a.path(u"data/Fendrel.ini"_qs));
        EXPECT_TRUE(catalogue == catalogues[0] || catalogue == catalogues[1]) << "round " << round;
    }
    // What the killed runs staged goes with the next run.
    ASSERT_TRUE(endedWith(a.run({QStringLiteral("extract"), package}), 0));
    QDirIterator staged(a.path(QStringLiteral("data/CompilerLabs")), {QStringLiteral(".fendrel-staging-*")},
                        QDir::Dirs | QDir::Hidden, QDirIterator::Subdirectories);
    EXPECT_FALSE(staged.hasNext()) << qPrintable(staged.next());
}

TEST(Cli, HelpVersionWrongCommandLinesGlobalOptionsAndAMissingLanguageFile)
{
    const CliRun help = runCli({u"--help"_qs});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.contains("--data-dir DIR"));
    const CliRun version = runCli({u"--version"_qs});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out.trimmed(), QByteArray("fendrel-cli " FENDREL_VERSION));

    for (const QStringList &wrong : {QStringList{}, {u"--bogus"_qs}, {u"--data-dir"_qs}, {u"frobnicate"_qs}}) {
        const CliRun r = runCli(wrong);
        EXPECT_EQ(r.exitCode, 2) << qPrintable(wrong.join(u' '));
        EXPECT_TRUE(r.err.startsWith(u"fendrel-cli: "_qs)) << qPrintable(r.err);
    }

    QTemporaryDir dir;
    auto owned = std::make_unique<ProbeCommand>();
    ProbeCommand *probe = owned.get();
    CliApp app;
    app.addCommand(std::move(owned));
    CliContext context;
    const QString data = dir.path() + u"/data"_qs;
    const QStringList args{u"--quiet"_qs, u"--no"_qs, u"--data-dir"_qs, data, u"probe"_qs, u"a"_qs, u"--yes"_qs};
    ASSERT_EQ(app.run(args, context), 0);
    EXPECT_EQ(probe->seenArgs, QStringList({u"a"_qs, u"--yes"_qs}));
    EXPECT_TRUE(probe->seenQuiet);
    ASSERT_TRUE(probe->seenAnswer.has_value());
    EXPECT_FALSE(*probe->seenAnswer);
    EXPECT_EQ(folders().appData, data + u'/');
    EXPECT_TRUE(QFileInfo(data + u"/log/fendrel_error.log"_qs).isFile());
    EXPECT_EQ(langText(LangEntry::AddLabCaption), u"Add Lab"_qs);
    EXPECT_TRUE(app.helpText().contains(u"probe [ARGS]"_qs));

    // Without its language file the program says so and stops.
    Author a;
    const QString copy = a.path(u"bin/fendrel-cli"_qs);
    QDir().mkpath(a.path(u"bin"_qs));
    ASSERT_TRUE(QFile::copy(QStringLiteral(FENDREL_CLI_PATH), copy));
    QProcess process;
    process.start(copy, {u"--data-dir"_qs, a.path(u"data"_qs), u"check-nwc"_qs, copy});
    process.waitForFinished(30000);
    EXPECT_EQ(process.exitCode(), 1);
    EXPECT_TRUE(QString::fromLocal8Bit(process.readAllStandardError()).contains(u"language file lclang.bdb"_qs));
}
