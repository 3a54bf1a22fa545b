// Compiling and opening packages from the main window, as a person does it: through the buttons,
// the save and open dialogs and the questions, checked on the files and on the window.

#include "catalogue/CatalogueRecovery.h"
#include "catalogue/Ini.h"
#include "gui/PackageInspector.h"
#include "gui/ProblemsList.h"
#include "package/PackageCompiler.h"
#include "startup/Folders.h"
#include "startup/LanguageTable.h"
#include "support/GuiTestSupport.h"
#include "text/TextHelpers.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QStatusBar>
#include <QTableView>
#include <QTimer>
#include <QTreeView>
#include <QTreeWidget>

using namespace fendrel;
using namespace fendrel::test;
using fendrel::gui::ProblemsList;
using fendrel::gui::ProblemsModel;

namespace {

// A catalogue of two sections and three labs over real files, one with a valid configuration.
QByteArray catalogueOverFiles(MainWindowHarness &h)
{
    const QString doc = h.makeFile(QStringLiteral("docs/ospf.pdf"), "%PDF-1.4 ospf");
    const QString top = h.makeFile(QStringLiteral("top/ospf.top"), "topology");
    const QString nwc = h.makeFile(QStringLiteral("cfg/ospf.nwc"), "number of devices=1\r\nnumber of routers=1\r\n");
    h.makeFile(QStringLiteral("cfg/ospf1.rtr"), "hostname R1\r\n");
    const QString vlanDoc = h.makeFile(QStringLiteral("docs/vlan.txt"), "vlans");
    const QString vlanTop = h.makeFile(QStringLiteral("top/vlan.top"), "switches");
    return QStringLiteral("[GENERAL]\r\ntabtitle=My Labs\r\n"
                          "[SECTION0]\r\nsectionname=Routing\r\nnumberofentries=2\r\n"
                          "lab0=Ospf\r\nlink0=%1\r\nlinkpage0=4\r\ntopfile0=%2\r\nnwcfile0=%3\r\n"
                          "lab1=Ospf again\r\nlink1=%1\r\ntopfile1=%2\r\n"
                          "[SECTION1]\r\nsectionname=Switching\r\nnumberofentries=1\r\n"
                          "lab0=Vlans\r\nlink0=%4\r\ntopfile0=%5\r\n")
        .arg(doc, top, nwc, vlanDoc, vlanTop)
        .toUtf8();
}

// The window opened over that catalogue; the catalogue file's bytes.
QByteArray openOverFiles(MainWindowHarness &h)
{
    const QByteArray catalogue = catalogueOverFiles(h);
    writeFile(h.iniPath(), catalogue);
    h.open();
    return catalogue;
}

} // namespace

class PackageFlowsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void compiledPackageOpensInAFreshWindow();
    void aBadConfigurationStopsTheCompilation();
    void closingWithYesCompiles();
    void anInvalidPackageLeavesTheCatalogue();
    void aReadOnlyWindowWritesNothingToTheDataFolder();
    void quittingKeepsTheEditsUnlessToldOtherwise();
    void aCatalogueThatCannotBeSavedStopsTheCompile();
    void openingOverUnsavedChangesAsksFirst();
    void cancellingCompileOrOpenChangesNothing();
    void unsavedEditsAreOfferedAfterACrash();
    void aKilledWindowsEditIsRestored();
    void theProblemsListFollowsTheCatalogue();
    void aPagePastTheEndOfAPdfIsAWarning();
    void sectionsMergedAtLoadAreReportedUntilSaved();
    void theInspectorShowsAPackageAndSavesAMember();
};

void PackageFlowsTest::compiledPackageOpensInAFreshWindow()
{
    QTemporaryDir out;
    const QString package = out.filePath(QStringLiteral("My Labs.lab"));
    QStringList treeBefore;
    {
        MainWindowHarness h;
        openOverFiles(h);
        treeBefore = h.treeLines();
        QVERIFY(h.selectNode(QStringLiteral("Switching")));
        QVERIFY(h.click("cmdAddLab")); // an edit marks the catalogue changed; cancelled, it stays so
        QVERIFY(h.click("cmdCancel"));
        h.chooser.answers = {package};
        QVERIFY(h.click("cmdCreatePck"));
        QCOMPARE(h.takeMessageEntries(), QList<int>{});
        QVERIFY(QFileInfo(package).isFile());
        QCOMPARE(shownTitle(h.window()), langText(LangEntry::ProgramTitle) + QStringLiteral(" - My Labs.lab"));
        QVERIFY(!h.window().catalogueChanged());
        QCOMPARE(h.window().statusBar()->currentMessage(),
                 langText(LangEntry::PackageWrittenStatus).arg(package).arg(QFileInfo(package).size()).arg(3));
    }

    MainWindowHarness fresh;
    fresh.open();
    fresh.takeMessageEntries();
    fresh.chooser.answers = {package};
    QVERIFY(fresh.click("cmdLoadLabPck"));
    QCOMPARE(fresh.takeMessageEntries(), QList<int>{});
    QCOMPARE(fresh.treeLines(), treeBefore);
    QCOMPARE(shownTitle(fresh.window()), langText(LangEntry::ProgramTitle) + QStringLiteral(" - My Labs.lab"));
    QCOMPARE(fresh.window().statusBar()->currentMessage(), langText(LangEntry::PackageOpenedStatus).arg(package).arg(3).arg(2));
    const QString extracted = fresh.dataFolder() + QStringLiteral("CompilerLabs/My Labs/");
    const LabRecord &ospf = fresh.recordOf(QStringLiteral("Ospf"));
    QCOMPARE(ospf.link, extracted + QStringLiteral("Routing/common/ospf.pdf"));
    QCOMPARE(ospf.nwcFile, extracted + QStringLiteral("Routing/Ospf/ospf.nwc"));
    QCOMPARE(ospf.linkPage, QStringLiteral("4"));
    QCOMPARE(readFile(extracted + QStringLiteral("Routing/Ospf/ospf1.rtr")), QByteArray("hostname R1\r\n"));
    QCOMPARE(fresh.recordOf(QStringLiteral("Vlans")).topFile, extracted + QStringLiteral("Switching/Vlans/vlan.top"));
    QVERIFY(readFile(fresh.iniPath()).contains("CompilerLabs/My Labs/Switching/common/vlan.txt"));

    // Closing keeps the package folder the catalogue names, so a restart finds every file; a
    // package folder it no longer names goes.
    const QString unused = fresh.dataFolder() + QStringLiteral("CompilerLabs/Old Labs/S/common/old.pdf");
    QDir().mkpath(QFileInfo(unused).path());
    writeFile(unused, "old");
    fresh.close();
    QVERIFY(!QFileInfo::exists(fresh.dataFolder() + QStringLiteral("CompilerLabs/Old Labs")));
    MainWindowHarness restarted(fresh.dataFolder());
    restarted.open();
    QCOMPARE(restarted.treeLines(), treeBefore);
    QCOMPARE(readFile(restarted.recordOf(QStringLiteral("Ospf")).link), QByteArray("%PDF-1.4 ospf"));
    QCOMPARE(readFile(restarted.recordOf(QStringLiteral("Vlans")).topFile), QByteArray("switches"));
    {
        // Named from outside ("fendrel FILE.lab"): the same opening, no dialog; a folder is refused.
        MainWindowHarness named;
        named.open();
        named.takeMessageEntries();
        QVERIFY(!named.window().openPackage(out.path()));
        QCOMPARE(named.takeMessageEntries(), QList<int>{-1});
        QVERIFY(named.window().openPackage(package));
        QCOMPARE(named.treeLines(), treeBefore);
        QVERIFY(named.chooser.requests.isEmpty());
    }
}

void PackageFlowsTest::aBadConfigurationStopsTheCompilation()
{
    MainWindowHarness h;
    QByteArray catalogue = catalogueOverFiles(h);
    const QString bad = h.makeFile(QStringLiteral("cfg/bad.nwc"), "number of devices=2\r\nnumber of routers=1\r\n");
    catalogue.replace("lab0=Vlans\r\n", "lab0=Vlans\r\nloadnwcfile0=" + bad.toUtf8() + "\r\n");
    writeFile(h.iniPath(), catalogue);
    QTemporaryDir out;
    const QString package = out.filePath(QStringLiteral("bad.lab"));
    writeFile(package, "an older package");
    h.open();
    h.takeMessageEntries();
    QVERIFY(h.selectNode(QStringLiteral("Vlans")));
    QVERIFY(h.click("cmdDelete")); // answered Yes: the catalogue is changed
    h.takeMessageEntries();
    QVERIFY(h.window().catalogueChanged());
    writeFile(h.iniPath(), catalogue);
    h.window().createNewTree();
    h.chooser.answers = {package};
    QVERIFY(h.click("cmdCreatePck"));
    // Found before the save dialog, shown in the Problems list, and no override.
    QCOMPARE(h.takeMessageEntries(), QList<int>{static_cast<int>(LangEntry::CompileCannotBuildMessage)});
    QCOMPARE(h.chooser.answers, QStringList{package}); // no dialog was opened
    const QList<CatalogueProblem> &problems = h.window().problemsList()->problems();
    QCOMPARE(problems.size(), 1);
    QCOMPARE(problems[0].kind, ProblemKind::NwcCountMismatch);
    QCOMPARE(problems[0].details, QStringList({QStringLiteral("2"), QStringLiteral("1"), QStringLiteral("0"), QStringLiteral("0")}));
    QVERIFY(h.window().problemsList()->isVisible());
    QCOMPARE(readFile(package), QByteArray("an older package"));
    QCOMPARE(shownTitle(h.window()), langText(LangEntry::ProgramTitle));
    QVERIFY(h.window().catalogueChanged());
    h.takeMessageEntries();

    // The same configuration chosen with its browse button is refused on the spot.
    QVERIFY(h.selectNode(QStringLiteral("Ospf again")));
    QVERIFY(h.click("cmdEdit"));
    h.control<QTabBar>("TabStrip1")->setCurrentIndex(1);
    h.chooser.answers = {bad};
    QVERIFY(h.click("cmdBrowsenwc"));
    QCOMPARE(h.takeMessageEntries(), QList<int>{-1});
    QCOMPARE(h.caption("lblNwcFile"), QString());
    QCOMPARE(h.window().editBuffer().nwcFile, QString());
}

void PackageFlowsTest::closingWithYesCompiles()
{
    MainWindowHarness h;
    writeFile(h.iniPath(), catalogueOverFiles(h));
    QTemporaryDir out;
    const QString package = out.filePath(QStringLiteral("closing.lab"));
    h.open();
    QVERIFY(h.selectNode(QStringLiteral("Ospf again")));
    QVERIFY(h.click("cmdDelete"));
    h.takeMessageEntries();
    h.prompter.answers = {MessageAnswer::Yes};
    h.chooser.answers = {package};
    h.close();
    QCOMPARE(h.takeMessageEntries(), QList<int>{80});
    QVERIFY(QFileInfo(package).isFile());
    QVERIFY(!readFile(h.iniPath()).contains("Ospf again"));
}

void PackageFlowsTest::anInvalidPackageLeavesTheCatalogue()
{
    MainWindowHarness h;
    const QByteArray catalogue = catalogueOverFiles(h);
    writeFile(h.iniPath(), catalogue);
    QTemporaryDir out;
    const QString notAPackage = out.filePath(QStringLiteral("notes.lab"));
    writeFile(notAPackage, "these are notes, not a package");
    h.open();
    const QStringList tree = h.treeLines();
    h.takeMessageEntries();
    h.chooser.answers = {notAPackage};
    QVERIFY(h.click("cmdLoadLabPck"));
    QCOMPARE(h.prompter.shown.size(), 1);
    QCOMPARE(h.prompter.shown[0].text, QStringLiteral("notes.lab") + langText(LangEntry::NotAPackageMessage));
    QCOMPARE(h.prompter.shown[0].icon, MessageIcon::Critical);
    QCOMPARE(h.treeLines(), tree);
    QCOMPARE(readFile(h.iniPath()), catalogue);
    QCOMPARE(shownTitle(h.window()), langText(LangEntry::ProgramTitle) + QStringLiteral(" - notes.lab"));
}

// The second window on a data folder: it shows and edits in memory, but every command that
// would write to the folder says why it does nothing, and closing neither offers to compile nor
// removes the packages the other window extracted.
void PackageFlowsTest::aReadOnlyWindowWritesNothingToTheDataFolder()
{
    MainWindowHarness h;
    const QByteArray catalogue = catalogueOverFiles(h);
    writeFile(h.iniPath(), catalogue);
    const QString extracted = h.dataFolder() + QStringLiteral("CompilerLabs/theirs/S/common/a.pdf");
    QDir().mkpath(QFileInfo(extracted).path());
    writeFile(extracted, "theirs");
    h.open();
    h.window().setReadOnly(QStringLiteral("process 4242 (fendrel) on desk holds it"));
    QVERIFY(shownTitle(h.window()).endsWith(QStringLiteral("(read-only)")));
    QVERIFY(h.selectNode(QStringLiteral("Ospf again")));
    QVERIFY(h.click("cmdDelete"));
    h.takeMessageEntries();
    h.chooser.answers = {QStringLiteral("/nowhere/never.lab")};
    QVERIFY(h.click("cmdCreatePck"));
    QVERIFY(h.click("cmdLoadLabPck"));
    QCOMPARE(h.window().showWizard(), nullptr);
    QCOMPARE(h.prompter.shown.size(), 3);
    for (const auto &shown : h.prompter.shown)
        QVERIFY(shown.text.contains(QStringLiteral("read-only: process 4242 (fendrel) on desk holds it.")));
    QCOMPARE(h.chooser.answers.size(), 1); // no dialog was opened
    h.takeMessageEntries();
    h.close();
    QCOMPARE(h.takeMessageEntries(), QList<int>());
    QCOMPARE(readFile(h.iniPath()), catalogue);
    QCOMPARE(readFile(extracted), QByteArray("theirs"));
}

// The quit question after a change: Cancel, and a Yes whose compile does not happen, keep the
// window and the edit; Save Catalogue writes what compiling would save; No leaves the file alone.
void PackageFlowsTest::quittingKeepsTheEditsUnlessToldOtherwise()
{
    MainWindowHarness h;
    const QByteArray catalogue = openOverFiles(h);
    QVERIFY(h.selectNode(QStringLiteral("Ospf again")));
    h.prompter.answers = {MessageAnswer::Yes};
    QVERIFY(h.click("cmdDelete"));
    h.takeMessageEntries();

    h.prompter.answers = {MessageAnswer::Cancel};
    QVERIFY(!h.window().close());
    QCOMPARE(h.prompter.shown.last().buttons, MessageButtons::YesNoSaveCancel);
    QCOMPARE(h.takeMessageEntries(), QList<int>{80});
    h.prompter.answers = {MessageAnswer::Yes};
    h.chooser.answers = {QString()}; // the package dialog cancelled
    QVERIFY(!h.window().close());
    QVERIFY(h.window().catalogueChanged());
    QCOMPARE(readFile(h.iniPath()), catalogue);

    h.prompter.answers = {MessageAnswer::Save};
    QVERIFY(h.window().close());
    const QByteArray saved = readFile(h.iniPath());
    QVERIFY(!saved.contains("Ospf again"));
    QTemporaryDir out;
    QCOMPARE(compileCatalogue(h.catalogue(), out.filePath(QStringLiteral("p.lab")), h.prompter), CompileOutcome::Written);
    QCOMPARE(readFile(h.iniPath()), saved);

    MainWindowHarness other;
    writeFile(other.iniPath(), catalogue);
    other.open();
    QVERIFY(other.selectNode(QStringLiteral("Vlans")));
    other.prompter.answers = {MessageAnswer::Yes, MessageAnswer::No};
    QVERIFY(other.click("cmdDelete"));
    QVERIFY(other.window().close());
    QCOMPARE(readFile(other.iniPath()), catalogue);
}

// A package whose member 1 is an older catalogue than its labs is worse than none.
void PackageFlowsTest::aCatalogueThatCannotBeSavedStopsTheCompile()
{
    MainWindowHarness h;
    openOverFiles(h);
    QVERIFY(QFile::remove(h.iniPath()));
    QVERIFY(QDir().mkdir(h.iniPath())); // a folder where the catalogue file goes
    h.takeMessageEntries();
    QTemporaryDir out;
    const QString package = out.filePath(QStringLiteral("p.lab"));
    h.chooser.answers = {package};
    QVERIFY(h.click("cmdCreatePck"));
    QCOMPARE(h.prompter.shown.size(), 1);
    QVERIFY(h.prompter.shown[0].text.startsWith(h.iniPath() + QStringLiteral(" cannot be written: ")));
    QVERIFY(h.prompter.shown[0].text.contains(QStringLiteral("No package was written")));
    QCOMPARE(h.prompter.shown[0].icon, MessageIcon::Critical);
    QVERIFY(!QFileInfo::exists(package));

    // Save Catalogue says the same.
    h.prompter.shown.clear();
    QVERIFY(!h.window().saveCatalogue());
    QCOMPARE(h.prompter.shown.size(), 1);
    QVERIFY(h.prompter.shown[0].text.contains(QStringLiteral("The catalogue was not saved")));
}

// Open Package over unsaved changes: Cancel keeps them, Save saves them first, Discard drops them;
// the opened catalogue is shown with no field left open for editing.
void PackageFlowsTest::openingOverUnsavedChangesAsksFirst()
{
    QTemporaryDir out;
    const QString package = out.filePath(QStringLiteral("other.lab"));
    MainWindowHarness h;
    const QByteArray catalogue = openOverFiles(h);
    h.chooser.answers = {package};
    QVERIFY(h.click("cmdCreatePck"));
    QVERIFY(h.selectNode(QStringLiteral("Vlans")));
    h.prompter.answers = {MessageAnswer::Yes};
    QVERIFY(h.click("cmdDelete"));
    QVERIFY(h.click("cmdEditTab")); // the tab title left open for typing
    h.takeMessageEntries();

    h.prompter.answers = {MessageAnswer::Cancel};
    QVERIFY(h.click("cmdLoadLabPck"));
    QCOMPARE(h.prompter.shown.last().buttons, MessageButtons::SaveDiscardCancel);
    QCOMPARE(h.takeMessageEntries(), QList<int>{130});
    QCOMPARE(h.chooser.requests.size(), 1); // only the compile's dialog: Cancel opened none
    QVERIFY(!h.treeLines().contains(QStringLiteral("    Vlans")));

    h.prompter.answers = {MessageAnswer::Save};
    QVERIFY(h.click("cmdLoadLabPck")); // refused: the tab title is still being edited
    QCOMPARE(h.takeMessageEntries(), (QList<int>{130, 98}));
    QVERIFY(h.click("cmdEditTab"));
    h.prompter.answers = {MessageAnswer::Save};
    h.chooser.answers = {package};
    QVERIFY(h.click("cmdLoadLabPck"));
    QVERIFY(h.treeLines().contains(QStringLiteral("    Vlans"))); // the package's catalogue
    QVERIFY(!h.window().catalogueChanged());
    QVERIFY(!h.control<QLineEdit>("txtTab")->isEnabled());
    QVERIFY(readFile(h.iniPath()).contains("CompilerLabs/other/Switching/Vlans/vlan.top"));
}

namespace {

// Clicks Cancel on the named progress window as soon as it lets events through.
void cancelOnceShown(const char *windowName)
{
    // Tried at every turn of the event loop until the window shows: the compile first waits for
    // its check, with events running.
    auto *poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, name = QString::fromLatin1(windowName)] {
        for (QWidget *window : QApplication::topLevelWidgets()) {
            if (window->objectName() == name && window->isVisible()) {
                poll->stop();
                poll->deleteLater();
                QVERIFY(clickIn(window, "cmdCancel"));
            }
        }
    });
    poll->start(0);
}

} // namespace

void PackageFlowsTest::cancellingCompileOrOpenChangesNothing()
{
    QTemporaryDir out;
    const QString package = out.filePath(QStringLiteral("p.lab"));
    MainWindowHarness h;
    const QByteArray catalogue = openOverFiles(h);
    h.chooser.answers = {package};
    QVERIFY(h.click("cmdCreatePck"));
    const QByteArray compiled = readFile(package);
    const QByteArray saved = readFile(h.iniPath());
    QVERIFY(h.selectNode(QStringLiteral("Vlans")));
    h.prompter.answers = {MessageAnswer::Yes};
    QVERIFY(h.click("cmdDelete"));
    const QStringList tree = h.treeLines();
    h.takeMessageEntries();

    h.chooser.answers = {package};
    cancelOnceShown("frmSaveStatus");
    QVERIFY(h.click("cmdCreatePck"));
    QCOMPARE(readFile(package), compiled);
    QCOMPARE(readFile(h.iniPath()), saved);
    QVERIFY(h.window().catalogueChanged());
    QCOMPARE(h.takeMessageEntries(), QList<int>());

    h.prompter.answers = {MessageAnswer::Discard};
    h.chooser.answers = {package};
    cancelOnceShown("frmProgress");
    QVERIFY(h.click("cmdLoadLabPck"));
    QCOMPARE(h.treeLines(), tree);
    QCOMPARE(readFile(h.iniPath()), saved);
    QVERIFY(!QFileInfo::exists(h.dataFolder() + QStringLiteral("CompilerLabs")));
}

// The recovery file follows the edits; a window that starts after a crash offers them back
// (Restore keeps them unsaved, Discard drops them), and saving or a clean quit removes it.
void PackageFlowsTest::unsavedEditsAreOfferedAfterACrash()
{
    MainWindowHarness crashed;
    const QByteArray catalogue = catalogueOverFiles(crashed);
    writeFile(crashed.iniPath(), catalogue);
    crashed.open();
    QVERIFY(crashed.selectNode(QStringLiteral("Vlans")));
    crashed.prompter.answers = {MessageAnswer::Yes};
    QVERIFY(crashed.click("cmdDelete"));
    const QStringList edited = crashed.treeLines();
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(recoveryFile(crashed.dataFolder())), 5000); // its timer, unprompted
    QCOMPARE(readFile(crashed.iniPath()), catalogue);

    {
        MainWindowHarness readOnly(crashed.dataFolder());
        readOnly.open();
        readOnly.window().setReadOnly(QStringLiteral("process 1 holds it"));
        QVERIFY(!readOnly.window().offerRecovery()); // the recovery is the holder's
        QVERIFY(readOnly.prompter.shown.isEmpty());
        readOnly.close();
    }
    QVERIFY(QFileInfo::exists(recoveryFile(crashed.dataFolder())));

    MainWindowHarness discarded(crashed.dataFolder());
    discarded.open();
    discarded.prompter.answers = {MessageAnswer::Discard};
    QVERIFY(!discarded.window().offerRecovery());
    QCOMPARE(discarded.prompter.shown.last().buttons, MessageButtons::RestoreDiscard);
    QVERIFY(!QFileInfo::exists(recoveryFile(crashed.dataFolder())));
    QVERIFY(discarded.treeLines() != edited);

    crashed.window().keepRecovery();
    MainWindowHarness restored(crashed.dataFolder());
    restored.open();
    restored.prompter.answers = {MessageAnswer::Restore};
    QVERIFY(restored.window().offerRecovery());
    QCOMPARE(restored.treeLines(), edited);
    QVERIFY(restored.window().catalogueChanged());
    QCOMPARE(readFile(restored.iniPath()), catalogue);
    QVERIFY(restored.window().saveCatalogue());
    QVERIFY(!QFileInfo::exists(recoveryFile(crashed.dataFolder())));
    QVERIFY(!readFile(restored.iniPath()).contains("Vlans"));
}

// The whole round: a running window makes an edit and is killed outright 3 s later; the next
// window offers the edit and restores it.
void PackageFlowsTest::aKilledWindowsEditIsRestored()
{
    MainWindowHarness h;
    const QByteArray catalogue = catalogueOverFiles(h);
    writeFile(h.iniPath(), catalogue);
    QProcess child;
    child.start(QStringLiteral(FENDREL_RECOVERY_CHILD), {h.dataFolder(), QStringLiteral("Vlans")});
    QVERIFY(child.waitForStarted());
    QVERIFY(child.waitForReadyRead(30000));
    QCOMPARE(child.readAllStandardOutput().trimmed(), QByteArray("edited"));
    QTest::qWait(3000);
    child.kill();
    QVERIFY(child.waitForFinished());
    QCOMPARE(child.exitStatus(), QProcess::CrashExit);
    QCOMPARE(readFile(h.iniPath()), catalogue);

    h.open();
    h.prompter.answers = {MessageAnswer::Restore};
    QVERIFY(h.window().offerRecovery());
    QCOMPARE(h.takeMessageEntries(), QList<int>{139});
    QVERIFY(!h.treeLines().contains(QStringLiteral("    Vlans")));
    QVERIFY(h.treeLines().contains(QStringLiteral("    Ospf again")));
    QVERIFY(h.window().catalogueChanged());
}

// The Problems list: filled at start, kept current by edits that mend and make problems, and
// leading from a row to the lab's field; Compile asks before it builds a package that opens wrong.
void PackageFlowsTest::theProblemsListFollowsTheCatalogue()
{
    MainWindowHarness h;
    const QByteArray catalogue = catalogueOverFiles(h);
    writeFile(h.iniPath(), catalogue);
    const QString doc = QString::fromUtf8(catalogue.mid(catalogue.indexOf("link0=") + 6)).section(u'\r', 0, 0);
    const QString vlanTop = QString::fromUtf8(catalogue.mid(catalogue.lastIndexOf("topfile0=") + 9)).section(u'\r', 0, 0);
    QVERIFY(QFile::remove(doc));
    QVERIFY(QFile::remove(vlanTop));
    QVERIFY(QDir().mkdir(vlanTop));
    h.open();
    ProblemsList &list = *h.window().problemsList();
    list.waitUntilCurrent();
    const auto rows = [&list] {
        QStringList lines;
        for (const CatalogueProblem &p : list.problems())
            lines << QStringLiteral("%1|%2|%3|%4").arg(severityId(severityOf(p)), p.lab, fileNameOfPath(p.file), kindId(p.kind));
        return lines;
    };
    QCOMPARE(rows(), QStringList({QStringLiteral("opens-wrong|Ospf|ospf.pdf|file-not-there"),
                                  QStringLiteral("opens-wrong|Ospf again|ospf.pdf|file-not-there"),
                                  QStringLiteral("opens-wrong|Vlans|vlan.top|not-a-file")}));
    QVERIFY(h.takeMessageEntries().isEmpty()); // the list tells; no message box
    QCOMPARE(h.control<QLabel>("lblProblemCount")->accessibleName(), langText(LangEntry::ProblemsStatusText).arg(3));
    QCOMPARE(list.view()->model()->data(list.view()->model()->index(2, ProblemsModel::CauseColumn)).toString(),
             QStringLiteral("is a folder, not a file"));

    // An edit that mends a problem: Vlans gets a topology file that is there.
    QVERIFY(h.selectNode(QStringLiteral("Vlans")));
    QVERIFY(h.click("cmdEdit"));
    h.chooser.answers = {h.makeFile(QStringLiteral("top/vlan2.top"), "switches")};
    QVERIFY(h.click("cmdBrowseTop"));
    QVERIFY(h.click("cmdEdit"));
    list.waitUntilCurrent();
    QCOMPARE(rows().size(), 2);
    // One that makes one: a section without labs.
    QVERIFY(h.click("cmdAddSection"));
    QVERIFY(h.type("txtSection", QStringLiteral("Security")));
    QVERIFY(h.click("cmdAddSection"));
    list.waitUntilCurrent();
    QCOMPARE(rows().last(), QStringLiteral("warning|||section-without-labs"));
    QCOMPARE(list.problems().last().section, QStringLiteral("Security"));

    // Double-click on a row: its lab selected and opened for editing, the document's Browse focused.
    QTableView *view = list.view();
    const QRect cell = view->visualRect(view->model()->index(1, ProblemsModel::LabColumn));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, cell.center());
    QCOMPARE(h.currentNodeText(), QStringLiteral("Ospf again"));
    QCOMPARE(h.caption("cmdEdit"), langText(LangEntry::SaveLabCaption));
    QCOMPARE(QApplication::focusWidget(), h.control<QPushButton>("cmdBrowse"));
    QVERIFY(h.click("cmdCancel"));
    // A renamed section is re-checked with its labs, whose rows carry its name.
    QVERIFY(h.selectNode(QStringLiteral("Routing")));
    QVERIFY(h.click("cmdAddSection"));
    QVERIFY(h.type("txtSection", QStringLiteral("Routing protocols")));
    QVERIFY(h.click("cmdAddSection"));
    list.waitUntilCurrent();
    QCOMPARE(list.problems().size(), 3);
    QCOMPARE(list.problems()[0].section, QStringLiteral("Routing protocols"));
    QCOMPARE(list.problems()[1].section, QStringLiteral("Routing protocols"));

    // Compile: a package that would open wrong is asked about; Cancel writes nothing.
    QTemporaryDir out;
    const QString package = out.filePath(QStringLiteral("p.lab"));
    h.takeMessageEntries();
    h.chooser.requests.clear();
    h.prompter.answers = {MessageAnswer::Cancel};
    QVERIFY(h.click("cmdCreatePck"));
    QCOMPARE(h.prompter.shown.last().buttons, MessageButtons::CompileAnywayCancel);
    QCOMPARE(h.takeMessageEntries(), QList<int>{static_cast<int>(LangEntry::CompileOpensWrongQuestion)});
    QVERIFY(h.chooser.requests.isEmpty());
    QVERIFY(!QFileInfo::exists(package));
    // Compile Anyway builds it, saying each missing member (both labs name the document) as the
    // compiler always has.
    h.prompter.answers = {MessageAnswer::CompileAnyway};
    h.chooser.answers = {package};
    QVERIFY(h.click("cmdCreatePck"));
    QVERIFY(QFileInfo(package).isFile());
    QCOMPARE(h.takeMessageEntries(), QList<int>({static_cast<int>(LangEntry::CompileOpensWrongQuestion), -1, -1}));
}

// The page count comes from the viewer's own PDF reader, on the list's worker thread.
void PackageFlowsTest::aPagePastTheEndOfAPdfIsAWarning()
{
    MainWindowHarness h;
    const QByteArray catalogue = catalogueOverFiles(h); // Ospf opens its document at page 4
    const QString doc = QString::fromUtf8(catalogue.mid(catalogue.indexOf("link0=") + 6)).section(u'\r', 0, 0);
    {
        QPdfWriter pdf(doc);
        QPainter painter(&pdf);
        painter.drawText(100, 100, QStringLiteral("page one"));
        pdf.newPage();
        painter.drawText(100, 100, QStringLiteral("page two"));
    }
    writeFile(h.iniPath(), catalogue);
    h.open();
    h.window().problemsList()->waitUntilCurrent();
    const QList<CatalogueProblem> &problems = h.window().problemsList()->problems();
    QCOMPARE(problems.size(), 1);
    QCOMPARE(problems[0].kind, ProblemKind::PageBeyondEnd);
    QCOMPARE(problems[0].lab, QStringLiteral("Ospf"));
    QCOMPARE(problemCause(problems[0]), QStringLiteral("opens at page 4, but the document has 2 pages"));
    QCOMPARE(severityOf(problems[0]), ProblemSeverity::Warning);
}

// Two sections named alike but for letter case are one after the load; saving makes the file so.
void PackageFlowsTest::sectionsMergedAtLoadAreReportedUntilSaved()
{
    MainWindowHarness h;
    QByteArray catalogue = catalogueOverFiles(h);
    catalogue.replace("sectionname=Switching", "sectionname=ROUTING");
    writeFile(h.iniPath(), catalogue);
    h.open();
    ProblemsList &list = *h.window().problemsList();
    list.waitUntilCurrent();
    QCOMPARE(list.problems().size(), 1);
    QCOMPARE(list.problems()[0].kind, ProblemKind::SectionsMerged);
    QCOMPARE(list.problems()[0].section, QStringLiteral("Routing"));
    QCOMPARE(list.problems()[0].details, QStringList{QStringLiteral("ROUTING")});
    QVERIFY(h.window().saveCatalogue());
    list.waitUntilCurrent();
    QVERIFY(list.problems().isEmpty());
    QVERIFY(!readFile(h.iniPath()).contains("ROUTING"));
}

// File > Inspect Package: the package's labs and members without importing it; a name-only
// member saves the content it stands for.
void PackageFlowsTest::theInspectorShowsAPackageAndSavesAMember()
{
    QTemporaryDir out;
    const QString package = out.filePath(QStringLiteral("p.lab"));
    MainWindowHarness h;
    const QByteArray catalogue = openOverFiles(h);
    h.chooser.answers = {package};
    QVERIFY(h.click("cmdCreatePck"));
    const QByteArray saved = readFile(h.iniPath());

    h.chooser.answers = {package};
    gui::PackageInspector *inspector = h.window().inspectPackage();
    QVERIFY(inspector);
    QVERIFY(inspector->lblSummary->text().contains(langText(LangEntry::InspectorSoundText)));
    const QTreeWidgetItem *tab = inspector->tvMembers->topLevelItem(0);
    QCOMPARE(tab->text(0), QStringLiteral("My Labs"));
    QCOMPARE(tab->childCount(), 3); // the catalogue and two sections
    const QTreeWidgetItem *again = tab->child(1)->child(1);
    QCOMPARE(again->text(0), QStringLiteral("Ospf again"));
    QCOMPARE(again->child(0)->text(1), langText(LangEntry::MemberNameOnlyText));
    QCOMPARE(tab->child(2)->child(0)->child(1)->text(1), QStringLiteral("8 bytes")); // vlan.top

    QVERIFY(!inspector->cmdSaveMember->isEnabled());
    inspector->tvMembers->setCurrentItem(again->child(0));
    QVERIFY(inspector->cmdSaveMember->isEnabled());
    const QString target = out.filePath(QStringLiteral("saved.pdf"));
    h.chooser.answers = {target};
    QVERIFY(clickIn(inspector, "cmdSaveMember"));
    QCOMPARE(readFile(target), QByteArray("%PDF-1.4 ospf"));
    QCOMPARE(readFile(h.iniPath()), saved);
    QVERIFY(!QFileInfo::exists(h.dataFolder() + QStringLiteral("CompilerLabs")));
    inspector->close();
}

FENDREL_GUI_TEST_MAIN(PackageFlowsTest)
#include "PackageFlowsTest.moc"
