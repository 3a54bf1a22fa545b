// The bytes other programs read, recorded once from a known-good build and compared ever after:
// a restructuring that moves one byte of a catalogue file or a package fails here.
// FENDREL_RECORD_GOLDEN=1 rewrites the recorded files instead of comparing.

#include "catalogue/Catalogue.h"
#include "catalogue/CatalogueEditing.h"
#include "catalogue/CatalogueFile.h"
#include "catalogue/WizardCatalogue.h"
#include "loader/PackageLoader.h"
#include "package/PackageCompiler.h"
#include "support/PackageFixture.h"

#include <QCryptographicHash>
#include <QDirIterator>

#include <gtest/gtest.h>

using namespace fendrel;
using test::readFile;
using test::writeFile;

namespace {

void expectGolden(const QString &name, const QByteArray &actual)
{
    const QString path = QStringLiteral(FENDREL_GOLDEN_DIR "/") + name;
    if (qEnvironmentVariableIsSet("FENDREL_RECORD_GOLDEN")) {
        writeFile(path, actual);
        return;
    }
    const QByteArray expected = readFile(path);
    ASSERT_FALSE(expected.isEmpty()) << "no recorded " << qPrintable(path);
    EXPECT_TRUE(actual == expected) << qPrintable(name) << " differs from what was recorded";
}

// Paths in an extracted catalogue are absolute; the recorded form names the data folder by a mark.
QByteArray withDataFolderMarked(QByteArray bytes, const QString &dataFolder)
{
    return bytes.replace(dataFolder.toLocal8Bit(), "<DATA>/");
}

// Every file below a folder with its size and a digest, in name order.
QByteArray treeListing(const QString &folder)
{
    QStringList rows;
    QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QByteArray bytes = readFile(path);
        rows << QStringLiteral("%1\t%2\t%3")
                    .arg(QDir(folder).relativeFilePath(path))
                    .arg(bytes.size())
                    .arg(QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex()));
    }
    rows.sort();
    return rows.join(u'\n').toUtf8() + '\n';
}

struct GoldenRun : test::PackageFixture {
    test::ScopedErrorLog log;
    QString previousFolder = QDir::currentPath();

    // Relative paths keep the recorded catalogues free of this run's temporary folder.
    GoldenRun() { QDir::setCurrent(files); }
    ~GoldenRun() { QDir::setCurrent(previousFolder); }

    void load(const QString &folder)
    {
        catalogue.keyArrayInitialize();
        catalogue.createNewTree(prompter, folder);
    }
    QByteArray saved()
    {
        EXPECT_TRUE(saveIni(catalogue, prompter));
        return readFile(catalogue.iniPath());
    }
    CatalogueNode *storeLab(const QString &section, const QString &name, const LabRecord &buffer,
                            const QString &description = {}, bool testSim = false)
    {
        const LabStoreResult stored = catalogue.addLab(buffer, {name, section, description, testSim, {}}, prompter);
        EXPECT_EQ(stored.outcome, LabStore::Stored) << qPrintable(name);
        return stored.node;
    }
};

TEST(GoldenBytes, EditedCatalogueItsPackageAndItsExtraction)
{
    GoldenRun run;
    run.file(QStringLiteral("docs/ospf.pdf"), "%PDF-1.4\nospf area zero\n%%EOF\n");
    run.file(QStringLiteral("docs/shared.txt"), QByteArray("shared lab text\r\n").repeated(40));
    run.file(QStringLiteral("ospf.top"), "topology ospf\r\n");
    run.file(QStringLiteral("rip.top"), "topology rip\r\n");
    run.file(QStringLiteral("bgp.top"), "topology bgp\r\n");
    run.file(QStringLiteral("pics/net.png"), QByteArray("\x89PNG\r\n\x1a\n", 8) + QByteArray(64, '\x11'));
    run.configuration(QStringLiteral("cfg/grade.nwc"), 2);
    run.configuration(QStringLiteral("cfg/load.nwc"), 1);
    run.load(run.data);

    run.catalogue.setTabTitle(QStringLiteral("routing labs"));
    for (const char *name : {"ospf basics", "bgp", "scratch", "temp"})
        ASSERT_TRUE(run.catalogue.addSection(QString::fromLatin1(name)));
    LabRecord full = test::PackageFixture::record(QStringLiteral("docs/ospf.pdf"), QStringLiteral("ospf.top"),
                                                  QStringLiteral("pics/net.png"), QStringLiteral("cfg/grade.nwc"),
                                                  QStringLiteral("cfg/load.nwc"));
    full.linkPage = QStringLiteral("3");
    full.examsCovered = QStringLiteral("bsci,icnd1");
    run.storeLab(QStringLiteral("Ospf basics"), QStringLiteral("area zero"), full, QStringLiteral("Single area"), true);
    CatalogueNode *rip = run.storeLab(QStringLiteral("Ospf basics"), QStringLiteral("rip"),
                                      test::PackageFixture::record(QStringLiteral("docs/shared.txt"), QStringLiteral("rip.top")));
    run.storeLab(QStringLiteral("Bgp"), QStringLiteral("peering"),
                 test::PackageFixture::record(QStringLiteral("docs/shared.txt"), QStringLiteral("bgp.top"), {},
                                              QStringLiteral("cfg/grade.nwc")));
    CatalogueNode *doomed = run.storeLab(QStringLiteral("Temp"), QStringLiteral("gone"),
                                         test::PackageFixture::record(QStringLiteral("docs/ospf.pdf"), QStringLiteral("rip.top")));

    LabRecord edit;
    const LabStoreResult edited = run.catalogue.editLab(edit, rip->index(),
                                          {QStringLiteral("rip fallback"), QStringLiteral("Ospf basics"),
                                           QStringLiteral("When OSPF is down"), false, QStringLiteral("shared.txt")},
                                          run.prompter);
    ASSERT_EQ(edited.outcome, LabStore::Stored);
    ASSERT_TRUE(run.catalogue.renameSection(run.catalogue.tree().nodeByKey(sectionKey(QStringLiteral("Bgp"))),
                              QStringLiteral("bgp peering")));
    ASSERT_TRUE(run.catalogue.deleteNode(run.catalogue.tree().nodeByKey(sectionKey(QStringLiteral("Scratch"))),
                           run.prompter));
    ASSERT_TRUE(run.catalogue.deleteNode(doomed, run.prompter));

    expectGolden(QStringLiteral("edited.ini"), run.saved());
    const QString package = run.dir.path() + QStringLiteral("/routing.lab");
    ASSERT_EQ(compileCatalogue(run.catalogue, package, run.prompter), CompileOutcome::Written);
    expectGolden(QStringLiteral("edited.lab"), readFile(package));

    GoldenRun reloaded;
    QFile::copy(run.catalogue.iniPath(), reloaded.data + QStringLiteral("Fendrel.ini"));
    reloaded.load(reloaded.data);
    expectGolden(QStringLiteral("edited-reloaded.ini"), reloaded.saved());

    const QString opened = run.dir.path() + QStringLiteral("/opened/");
    ASSERT_EQ(extractPack(package, opened, run.prompter).status, ExtractResult::Status::Extracted);
    expectGolden(QStringLiteral("extracted.ini"),
                 withDataFolderMarked(readFile(opened + QStringLiteral("Fendrel.ini")), opened));
    expectGolden(QStringLiteral("extracted-files.txt"), treeListing(opened + QStringLiteral("CompilerLabs")));
}

TEST(GoldenBytes, HandWrittenAndWizardCataloguesAsLoadingLeavesThem)
{
    GoldenRun run;
    writeFile(run.data + QStringLiteral("Fendrel.ini"),
              "[general]\r\ntabtitle = Switching \r\n[Section0]\r\nSectionName=vlans\r\nNumberOfEntries=2\r\n"
              "Lab0=trunks\r\nLink0=a.pdf\r\nTopFile0=a.top\r\nSku0=0102005\r\nLab1=\r\nLab2=ignored\r\n"
              "[SECTION1]\r\nsectionname=VLANS\r\nnumberofentries=1\r\nlab0=merged\r\nlink0= b.txt \r\n"
              "OptFiles0=7\r\n[Section3]\r\nSectionName=after a gap\r\nNumberOfEntries=1\r\nLab0=never\r\n");
    run.load(run.data);
    expectGolden(QStringLiteral("hand-written-loaded.ini"), run.saved());

    WizardLab lab;
    lab.tabTitle = QStringLiteral("Wizard tab");
    lab.sectionName = QStringLiteral("First steps");
    lab.labTitle = QStringLiteral("Hello router");
    lab.link = QStringLiteral("docs/hello.pdf");
    lab.topFile = QStringLiteral("hello.top");
    lab.loadNwcFile = QStringLiteral("cfg/load.nwc");
    lab.description = QStringLiteral("A first lab");
    const QString wizardFolder = run.dir.path() + QStringLiteral("/wizard/");
    QDir().mkpath(wizardFolder);
    ASSERT_TRUE(writeWizardCatalogue(wizardFolder + QStringLiteral("Fendrel.ini"), lab));
    expectGolden(QStringLiteral("wizard.ini"), readFile(wizardFolder + QStringLiteral("Fendrel.ini")));
    run.load(wizardFolder);
    expectGolden(QStringLiteral("wizard-loaded.ini"), run.saved());

    run.catalogue.deleteAll();
    EXPECT_FALSE(QFileInfo::exists(wizardFolder + QStringLiteral("Fendrel.ini")));
}

} // namespace
