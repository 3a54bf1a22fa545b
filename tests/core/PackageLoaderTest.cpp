#include "catalogue/CatalogueFile.h"
#include "catalogue/Ini.h"
#include "catalogue/ProductSku.h"
#include "loader/PackageLoader.h"
#include "package/PackageCompiler.h"
#include "startup/LanguageTable.h"
#include "support/PackageFixture.h"

#include <QDirIterator>

#include <algorithm>

#include <gtest/gtest.h>

using namespace fendrel;
using test::PackageFixture;
using test::readFile;
using test::writeFile;

namespace {

// Every file below a folder, relative to it.
QStringList filesBelow(const QString &folder)
{
    QStringList files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << QDir(folder).relativeFilePath(it.next());
    files.sort();
    return files;
}

struct Loaded {
    Catalogue catalogue;
    ExtractResult result;
};

std::unique_ptr<Loaded> open(const QString &package, const QString &data, Prompter &prompter)
{
    auto loaded = std::make_unique<Loaded>();
    loaded->result = openLabPackage(loaded->catalogue, package, data, prompter);
    return loaded;
}

const LabRecord &recordOf(const Loaded &l, const QString &section, const QString &lab)
{
    const CatalogueNode *sectionNode = l.catalogue.tree().nodeByKey(sectionKey(section));
    for (const CatalogueNode *node : sectionNode->children()) {
        if (node->text() == lab)
            return *l.catalogue.recordOf(*node);
    }
    static const LabRecord none;
    return none;
}

// A package of one lab (document and topology file) compiled from a catalogue kept apart from
// the data folder; empty when it could not be written.
QString compileOneLab(PackageFixture &f, const QByteArray &document, const QString &packageName)
{
    f.section(QStringLiteral("S"));
    f.lab(QStringLiteral("S"), QStringLiteral("L"),
          PackageFixture::record(f.file(QStringLiteral("a.pdf"), document), f.file(QStringLiteral("t.top"), "t")));
    f.catalogue.setIniPath(f.dir.path() + QStringLiteral("/work/Fendrel.ini"));
    QDir().mkpath(f.dir.path() + QStringLiteral("/work"));
    const QString package = f.dir.path() + u'/' + packageName;
    return compileCatalogue(f.catalogue, package, f.prompter) == CompileOutcome::Written ? package : QString();
}

} // namespace

// Pictures, both configurations and documents shared across sections are in the golden
// extraction; here, the names that cannot be folder names and an empty section.
TEST(PackageLoader, CompileThenExtractGivesBackEveryFileUnderRewrittenKeys)
{
    PackageFixture f;
    for (const char *name : {"Routing", "Empty", "Switching", "WAN"})
        f.section(QString::fromLatin1(name));
    const QString shared = f.file(QStringLiteral("docs/shared.txt"), "shared text");
    const QString top = f.file(QStringLiteral("net.top"), "topology");
    const QString grading = f.configuration(QStringLiteral("cfg/x.nwc"), 2);
    f.lab(QStringLiteral("Routing"), QStringLiteral("A/B"), PackageFixture::record(shared, f.file(QStringLiteral("ab.top"), "ab")));
    f.lab(QStringLiteral("Switching"), QStringLiteral("VLAN"), PackageFixture::record(shared, top));
    f.lab(QStringLiteral("WAN"), QStringLiteral(".."), PackageFixture::record(f.file(QStringLiteral("w.doc"), "DOC"), top, {}, grading));
    const QString package = f.dir.path() + QStringLiteral("/Net.lab.lab");
    ASSERT_EQ(compileCatalogue(f.catalogue, package, f.prompter), CompileOutcome::Written);

    const QString data = f.dir.path() + QStringLiteral("/fresh/");
    writeFile(data + QStringLiteral("Fendrel.ini"), "[GENERAL]\r\ntabtitle=old\r\n");
    test::ScriptedPrompter prompter;
    auto loaded = open(package, data, prompter);
    ASSERT_EQ(loaded->result.status, ExtractResult::Status::Extracted);
    EXPECT_TRUE(prompter.shown.isEmpty());
    const QString root = data + QStringLiteral("CompilerLabs/Net/");
    EXPECT_EQ(loaded->result.packageFolder, root);
    EXPECT_EQ(filesBelow(root),
              QStringList({QStringLiteral("Routing/AB/ab.top"), QStringLiteral("Routing/common/shared.txt"),
                           QStringLiteral("Switching/VLAN/net.top"), QStringLiteral("Switching/common/shared.txt"),
                           QStringLiteral("WAN/_/net.top"), QStringLiteral("WAN/_/x.nwc"), QStringLiteral("WAN/_/x1.rtr"),
                           QStringLiteral("WAN/_/x2.rtr"), QStringLiteral("WAN/common/w.doc")}));
    EXPECT_EQ(recordOf(*loaded, QStringLiteral("Routing"), QStringLiteral("A/B")).topFile, root + QStringLiteral("Routing/AB/ab.top"));
    EXPECT_EQ(recordOf(*loaded, QStringLiteral("WAN"), QStringLiteral("..")).nwcFile, root + QStringLiteral("WAN/_/x.nwc"));
    EXPECT_EQ(loaded->catalogue.tree().root()->childCount(), 4);
    EXPECT_EQ(readIni(QStringLiteral("General"), QStringLiteral("NumOfSections"), data + QStringLiteral("Fendrel.ini")),
              QStringLiteral("3"));
    EXPECT_EQ(loaded->catalogue.tabTitle(), QStringLiteral("Tab"));
}

TEST(PackageLoader, PackageTitleDecidesThePackageFolder)
{
    EXPECT_EQ(packageFolderName(QStringLiteral("/x/Net.lab.lab")), QStringLiteral("Net"));
    EXPECT_EQ(packageFolderName(QStringLiteral("/x/Net.LAB")), QStringLiteral("Net.LAB"));
    EXPECT_EQ(packageFolderName(QStringLiteral("C:\\labs\\My Labs.lab")), QStringLiteral("My Labs"));
    EXPECT_EQ(packageFolderName(QStringLiteral("/x/.lab")), QStringLiteral("_"));
    EXPECT_EQ(packageFolderName(QStringLiteral("/x/...lab")), QStringLiteral("_.."));
}

TEST(PackageLoader, InvalidDamagedAndCraftedPackagesWriteNothingOutside)
{
    PackageFixture f;
    const QString catalogueFile = f.data + QStringLiteral("Fendrel.ini");
    const QByteArray catalogue = "[GENERAL]\r\ntabtitle=Mine\r\n";
    writeFile(catalogueFile, catalogue);
    test::ScopedErrorLog log;
    // One critical message, and every file as it was.
    const auto refused = [&](const QString &package, const QString &which) {
        f.prompter.shown.clear();
        const ExtractResult result = open(package, f.data, f.prompter)->result;
        EXPECT_TRUE(f.prompter.shown.size() == 1 && f.prompter.shown[0].icon == MessageIcon::Critical) << qPrintable(which);
        EXPECT_EQ(readFile(catalogueFile), catalogue) << qPrintable(which);
        EXPECT_FALSE(QFileInfo::exists(f.data + QStringLiteral("CompilerLabs"))) << qPrintable(which);
        return result;
    };

    // Member 1 is no catalogue.
    const QString notCatalogue = f.dir.path() + QStringLiteral("/text.lab");
    test::writeCraftedPackage(notCatalogue, {{QStringLiteral("readme.txt"), QByteArray("hi")},
                                              {QStringLiteral("Fendrel.ini"), catalogue}});
    EXPECT_EQ(refused(notCatalogue, QStringLiteral("no catalogue")).status, ExtractResult::Status::Invalid);
    EXPECT_EQ(f.prompter.texts(), QStringList{QStringLiteral("text.lab") + langText(LangEntry::NotAPackageMessage)});

    // Packages that do not fit their catalogue: a second catalogue, by data or by a name of its
    // own; names no file can have here; a counted member beyond the last lab; a catalogue member
    // without content.
    const QByteArray oneLab = "[GENERAL]\r\ntabtitle=T\r\n[SECTION0]\r\nsectionname=S\r\nnumberofentries=1\r\nlab0=L\r\n";
    const PackageMember pdf{QStringLiteral("a.pdf"), QByteArray("x")};
    const PackageMember top{QStringLiteral("a.top"), QByteArray("x")};
    const QList<QList<PackageMember>> unfit{
        {{QStringLiteral("Fendrel.ini"), oneLab}, pdf, {QStringLiteral("other.ini"), QByteArray("x")}, top},
        {{QStringLiteral("Fendrel.ini"), oneLab}, pdf, top, {QStringLiteral("Fendrel.ini"), QByteArray("[GENERAL]")}},
        {{QStringLiteral("Fendrel.ini"), oneLab}, pdf, top, {QStringLiteral("other.ini"), std::nullopt}},
        {{QStringLiteral("Fendrel.ini"), oneLab}, pdf, top, {QString(300, u'n') + QStringLiteral(".rtr"), QByteArray("x")}},
        {{QStringLiteral("Fendrel.ini"), oneLab}, pdf, {QStringLiteral("x/.."), QByteArray("x")}, top},
        {{QStringLiteral("Fendrel.ini"), oneLab}, pdf, top, {QStringLiteral("b.top"), QByteArray("x")}},
        {{QStringLiteral("Fendrel.ini"), std::nullopt}, pdf, top}};
    for (const QList<PackageMember> &members : unfit) {
        const QString package = f.dir.path() + QStringLiteral("/unfit.lab");
        test::writeCraftedPackage(package, members);
        const QString which = members.last().name.left(12);
        const ExtractResult result = refused(package, which);
        EXPECT_EQ(result.status, ExtractResult::Status::Invalid) << qPrintable(which);
        EXPECT_FALSE(result.misfit.isEmpty()) << qPrintable(which); // said with MisfitPackageMessage
    }

    // Truncated and corrupted packages of a real compilation.
    const QString good = compileOneLab(f, QByteArray(5000, 'a'), QStringLiteral("good.lab"));
    ASSERT_FALSE(good.isEmpty());
    const QByteArray bytes = readFile(good);
    // Damage the format is sure to notice (a flipped data bit may slip past its one-byte checksum).
    QByteArray badChecksum = bytes;
    badChecksum[4] = static_cast<char>(badChecksum[4] ^ 0x10);
    QByteArray badForm = bytes;
    badForm[2] = '5';
    for (const QByteArray &damaged : {bytes.left(bytes.size() / 2), bytes.left(6), badChecksum, badForm,
                                      QByteArray("HE3\r"), QByteArray("not a package at all")}) {
        const QString path = f.dir.path() + QStringLiteral("/damaged.lab");
        writeFile(path, damaged);
        EXPECT_EQ(refused(path, QString::number(damaged.size())).status, ExtractResult::Status::Unreadable);
        EXPECT_TRUE(log.lines().last().contains(QStringLiteral("[Load Lab Pack - Click][frmAddLabs]")));
    }

    // Member names that try to leave the package folder.
    const QString crafted = f.dir.path() + QStringLiteral("/crafted.lab");
    const QByteArray craftedCatalogue = "[GENERAL]\r\ntabtitle=T\r\n[SECTION0]\r\nsectionname=../../S\r\n"
                                        "numberofentries=1\r\nlab0=/etc\r\noptfiles0=1\r\n";
    test::writeCraftedPackage(crafted, {{QStringLiteral("../Fendrel.ini"), craftedCatalogue},
                                        {QStringLiteral("../../escape.pdf"), QByteArray("x")},
                                        {QStringLiteral("a/b.top"), QByteArray("x")},
                                        {QStringLiteral("/tmp/abs.nwc"), QByteArray("x")},
                                        {QStringLiteral("C:\\Windows\\win.rtr"), QByteArray("x")}});
    const QStringList before = filesBelow(f.dir.path());
    EXPECT_EQ(open(crafted, f.data, f.prompter)->result.status, ExtractResult::Status::Extracted);
    QStringList added;
    for (const QString &file : filesBelow(f.dir.path())) {
        if (!before.contains(file))
            added << file;
    }
    // Separators are dropped from section and lab names; member names keep only their file name.
    EXPECT_EQ(added, QStringList({QStringLiteral("data/CompilerLabs/crafted/....S/common/escape.pdf"),
                                  QStringLiteral("data/CompilerLabs/crafted/....S/etc/abs.nwc"),
                                  QStringLiteral("data/CompilerLabs/crafted/....S/etc/b.top"),
                                  QStringLiteral("data/CompilerLabs/crafted/....S/etc/win.rtr")}));
    EXPECT_FALSE(QFileInfo::exists(QStringLiteral("/tmp/abs.nwc")));

    // A catalogue member that carries no data stands for the catalogue already written.
    const QString repeated = f.dir.path() + QStringLiteral("/repeated.lab");
    test::writeCraftedPackage(repeated, {{QStringLiteral("Fendrel.ini"), QByteArray("[GENERAL]\r\ntabtitle=Kept\r\n")},
                                         {QStringLiteral("Fendrel.ini"), std::nullopt}});
    EXPECT_EQ(open(repeated, f.data, f.prompter)->result.status, ExtractResult::Status::Extracted);
    EXPECT_TRUE(readFile(catalogueFile).contains("tabtitle=Kept")) << readFile(catalogueFile).constData();
}

// A member that cannot be written stops the extraction before any file changes: the files of an
// earlier extraction of the package keep their content and no staging folder stays behind.
TEST(PackageLoader, AMemberThatCannotBeWrittenChangesNoFile)
{
    PackageFixture f;
    const QString package = compileOneLab(f, QByteArray(100, 'a'), QStringLiteral("p.lab"));
    ASSERT_FALSE(package.isEmpty());
    ASSERT_EQ(extractPack(package, f.data, f.prompter).status, ExtractResult::Status::Extracted);
    const QString folder = f.data + QStringLiteral("CompilerLabs/p/");
    const QStringList files = filesBelow(folder);
    ASSERT_EQ(files, QStringList({QStringLiteral("S/L/t.top"), QStringLiteral("S/common/a.pdf")}));
    const QByteArray catalogue = readFile(f.data + QStringLiteral("Fendrel.ini"));

    // The same package with a document too large to be written here.
    f.file(QStringLiteral("a.pdf"), QByteArray(70000, 'b'));
    f.file(QStringLiteral("t.top"), "new topology");
    f.catalogue.setTabTitle(QStringLiteral("Changed"));
    ASSERT_EQ(compileCatalogue(f.catalogue, package, f.prompter), CompileOutcome::Written);
    ExtractResult result;
    {
        const test::FileSizeLimit full(65536);
        result = extractPack(package, f.data, f.prompter);
    }
    EXPECT_EQ(result.status, ExtractResult::Status::NotWritten);
    EXPECT_TRUE(result.failure.contains(QStringLiteral("a.pdf cannot be written: the file would be larger"))) << qPrintable(result.failure);
    EXPECT_EQ(filesBelow(folder), files);
    EXPECT_EQ(readFile(folder + QStringLiteral("S/common/a.pdf")), QByteArray(100, 'a'));
    EXPECT_EQ(readFile(folder + QStringLiteral("S/L/t.top")), QByteArray("t"));
    EXPECT_EQ(readFile(f.data + QStringLiteral("Fendrel.ini")), catalogue);

    // A file where a folder must go: said, and still nothing changed.
    QDir(folder + QStringLiteral("S/L")).removeRecursively();
    writeFile(folder + QStringLiteral("S/L"), "in the way");
    result = extractPack(package, f.data, f.prompter);
    EXPECT_EQ(result.status, ExtractResult::Status::NotWritten);
    EXPECT_TRUE(result.failure.contains(QStringLiteral("S/L/ cannot be created"))) << qPrintable(result.failure);
    EXPECT_EQ(readFile(folder + QStringLiteral("S/common/a.pdf")), QByteArray(100, 'a'));
    EXPECT_EQ(readFile(f.data + QStringLiteral("Fendrel.ini")), catalogue);
    EXPECT_EQ(QDir(folder).entryList(QDir::Hidden | QDir::AllEntries | QDir::NoDotAndDotDot), QStringList({QStringLiteral("S")}));
}

TEST(PackageLoader, ACatalogueThatCannotBeWrittenKeepsTheOldOneAndSaysWhy)
{
    PackageFixture f;
    const QString package = compileOneLab(f, "a", QStringLiteral("p.lab"));
    ASSERT_FALSE(package.isEmpty());
    const QString catalogueFile = f.data + QStringLiteral("Fendrel.ini");
    writeFile(catalogueFile, "[GENERAL]\r\ntabtitle=Mine\r\n");
    const qint64 member = readFile(f.dir.path() + QStringLiteral("/work/Fendrel.ini")).size();

    // Room for every member but not for the catalogue rewritten with the longer extracted paths.
    ExtractResult result;
    {
        const test::FileSizeLimit full(member + 8);
        result = extractPack(package, f.data, f.prompter);
    }
    EXPECT_EQ(result.status, ExtractResult::Status::NotWritten);
    EXPECT_TRUE(result.failure.contains(QStringLiteral("Fendrel.ini cannot be written: the file would be larger")))
        << qPrintable(result.failure);
    ASSERT_FALSE(f.prompter.shown.isEmpty());
    EXPECT_EQ(f.prompter.shown.last().icon, MessageIcon::Critical);
    EXPECT_EQ(readFile(catalogueFile), QByteArray("[GENERAL]\r\ntabtitle=Mine\r\n"));
}

// Inputs the package fuzzer kept: each is an image (first byte even, given a stored-form stream)
// or, after an odd first byte, a whole package file, named .img or .lab after that. None may place a file outside the
// extraction root or the catalogue file.
TEST(PackageLoader, SavedFuzzInputsStayInsideTheExtractionRoot)
{
    const QDir corpus(QStringLiteral(FENDREL_PACKAGE_CORPUS));
    const QStringList inputs = corpus.entryList(QDir::Files);
    ASSERT_GE(inputs.size(), 10);
    int extracted = 0;
    for (const QString &input : inputs) {
        const QByteArray bytes = readFile(corpus.filePath(input));
        QTemporaryDir root;
        const QString package = root.filePath(QStringLiteral("fuzz.lab"));
        const bool packageFile = !bytes.isEmpty() && (bytes[0] & 1);
        EXPECT_EQ(packageFile, input.endsWith(u".lab")) << qPrintable(input) << ": .img for an image, .lab for a package";
        writeFile(package, packageFile ? bytes.mid(1) : "HE0\r" + bytes);
        const QString data = root.filePath(QStringLiteral("data"));
        test::ScriptedPrompter prompter;
        prompter.answers = {MessageAnswer::No};
        extractPack(package, data, prompter);
        for (const QString &file : filesBelow(root.path())) {
            EXPECT_TRUE(file == u"fuzz.lab" || file == u"data/Fendrel.ini" || file.startsWith(u"data/CompilerLabs/"))
                << qPrintable(input) << ": " << qPrintable(file);
            extracted += file.startsWith(u"data/CompilerLabs/");
        }
    }
    EXPECT_GT(extracted, 20); // the inputs do reach extraction, not only the refusals
}

// An extraction stopped part-way, by its observer or by a kill, changes no file; what a killed run
// staged is removed by the next one, while a live process's staging folder is left to it.
TEST(PackageLoader, StoppedRunsLeaveNothingAndStaleStagingIsRemoved)
{
    PackageFixture f;
    const QString package = compileOneLab(f, QByteArray(200000, 'a'), QStringLiteral("p.lab"));
    ASSERT_FALSE(package.isEmpty());
    const QString catalogueFile = f.data + QStringLiteral("Fendrel.ini");
    writeFile(catalogueFile, "[GENERAL]\r\ntabtitle=Mine\r\n");

    struct Cancelling : ExtractObserver {
        bool stop = false;
        void progress(int) override { stop = true; }
        bool cancelled() const override { return stop; }
    } observer;
    EXPECT_EQ(extractPack(package, f.data, f.prompter, &observer).status, ExtractResult::Status::Interrupted);
    EXPECT_TRUE(observer.stop);
    EXPECT_EQ(readFile(catalogueFile), QByteArray("[GENERAL]\r\ntabtitle=Mine\r\n"));
    EXPECT_FALSE(QFileInfo::exists(f.data + QStringLiteral("CompilerLabs")));

    // Staged beside the files of a package opened before, or as a whole new package folder.
    const qint64 gonePid = test::pidOfAnEndedProcess();
    const QString root = f.data + QStringLiteral("CompilerLabs/");
    const QString folder = root + QStringLiteral("p/");
    const QString stale = folder + QStringLiteral(".fendrel-staging-%1").arg(gonePid);
    const QString staleNewFolder = root + QStringLiteral(".fendrel-staging-%1").arg(gonePid);
    const QString live = folder + QStringLiteral(".fendrel-staging-1");
    QDir().mkpath(stale);
    QDir().mkpath(live);
    writeFile(stale + QStringLiteral("/3"), "half a member");
    writeFile(staleNewFolder + QStringLiteral("/S/common/a.pdf"), "half a member");
    writeFile(live + QStringLiteral("/3"), "another run's member");

    // The progress of a whole extraction runs once from 0 to 100.
    struct Recording : ExtractObserver {
        QList<int> percents;
        void progress(int percent) override { percents.append(percent); }
    } recording;
    EXPECT_EQ(extractPack(package, f.data, f.prompter, &recording).status, ExtractResult::Status::Extracted);
    EXPECT_EQ(filesBelow(root), QStringList({QStringLiteral("p/.fendrel-staging-1/3"), QStringLiteral("p/S/L/t.top"),
                                             QStringLiteral("p/S/common/a.pdf")}));
    ASSERT_FALSE(recording.percents.isEmpty());
    EXPECT_TRUE(std::is_sorted(recording.percents.begin(), recording.percents.end())) << recording.percents.size();
    EXPECT_GE(recording.percents.first(), 0);
    EXPECT_EQ(recording.percents.last(), 100);
    EXPECT_EQ(recording.percents.count(100), 1);
}
