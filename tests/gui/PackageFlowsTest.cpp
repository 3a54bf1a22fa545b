// Compiling and opening packages from the main window, as a person does it: through the buttons,
// the save and open dialogs and the questions, checked on the files and on the window; and the
// file dialogs as the windows ask for them: their filter lists, the folder each kind starts in,
// the name the compile dialog suggests, and File > Open Recent.

#include "catalogue/CatalogueRecovery.h"
#include "gui/FileDialogs.h"
#include "gui/PackageInspector.h"
#include "gui/ProblemsList.h"
#include "gui/RecentPackages.h"
#include "startup/Folders.h"
#include "startup/LanguageTable.h"
#include "startup/Settings.h"
#include "support/GuiTestSupport.h"
#include "text/TextHelpers.h"

#include <functional>

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QPushButton>
#include <QStatusBar>
#include <QTableView>
#include <QTimer>
#include <QTreeWidget>

#include <functional>

using namespace fendrel;
using namespace fendrel::test;
using fendrel::gui::ProblemsList;
using fendrel::gui::ProblemsModel;

namespace {

// A catalogue of two sections and three labs over real files, one with a valid configuration.
QByteArray catalogueOverFiles(MainWindowHarness &h, const QString &title = u"My Labs"_qs)
{
    const QString doc = h.makeFile(u"docs/ospf.pdf"_qs, "%PDF-1.4 ospf");
    const QString top = h.makeFile(u"top/ospf.top"_qs, "topology");
    const QString nwc = h.makeFile(u"cfg/ospf.nwc"_qs, "number of devices=1\r\nnumber of routers=1\r\n");
    h.makeFile(u"cfg/ospf1.rtr"_qs, "hostname R1\r\n");
    const QString vlanDoc = h.makeFile(u"docs/vlan.txt"_qs, "vlans");
    const QString vlanTop = h.makeFile(u"top/vlan.top"_qs, "switches");
    return u"[GENERAL]\r\ntabtitle=%6\r\n[SECTION0]\r\nsectionname=Routing\r\nnumberofentries=2\r\n"
           "lab0=Ospf\r\nlink0=%1\r\nlinkpage0=4\r\ntopfile0=%2\r\nnwcfile0=%3\r\nlab1=Ospf again\r\nlink1=%1\r\n"
           "topfile1=%2\r\n[SECTION1]\r\nsectionname=Switching\r\nnumberofentries=1\r\nlab0=Vlans\r\nlink0=%4\r\n"
           "topfile0=%5\r\n"_qs.arg(doc, top, nwc, vlanDoc, vlanTop, title)
        .toUtf8();
}

// The window opened over that catalogue, its messages so far taken; the catalogue file's bytes.
QByteArray openOverFiles(MainWindowHarness &h, const QString &title = u"My Labs"_qs)
{
    const QByteArray catalogue = catalogueOverFiles(h, title);
    writeFile(h.iniPath(), catalogue);
    h.open();
    h.takeMessageEntries();
    return catalogue;
}

// "severity|lab|file|kind" of each problem the list shows.
QStringList problemRows(const ProblemsList &list)
{
    QStringList lines;
    for (const CatalogueProblem &p : list.problems())
        lines << u"%1|%2|%3|%4"_qs.arg(severityId(severityOf(p)), p.lab, fileNameOfPath(p.file), kindId(p.kind));
    return lines;
}

// Clicks Cancel on the named progress window as soon as it lets events through.
// Runs act at the first turn of the event loop that finds the window shown: the compile first
// waits for its check, with events running, and shows its window while its own thread waits.
void onceShown(const char *windowName, const std::function<void(QWidget *)> &act)
{
    auto *poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, act, name = QString::fromLatin1(windowName)] {
        for (QWidget *window : QApplication::topLevelWidgets()) {
            if (window->objectName() == name && window->isVisible()) {
                poll->stop();
                poll->deleteLater();
                act(window);
                return;
            }
        }
    });
    poll->start(0);
}

void cancelOnceShown(const char *windowName)
{
    onceShown(windowName, [](QWidget *window) { QVERIFY(clickIn(window, "cmdCancel")); });
}

// What is wrong with a request's filter list, or nothing: it must start with every pattern of the
// kinds between, offer pattern among them, and end with every file.
QString filterFault(const FileRequest &request, const QString &pattern)
{
    const QList<FileFilter> &filters = request.filters;
    if (filters.size() < 3)
        return u"only %1 filters"_qs.arg(filters.size());
    QStringList kinds;
    for (qsizetype i = 1; i + 1 < filters.size(); ++i) {
        if (filters[i].pattern == u"*" || filters[i].pattern == u"*.*")
            return u"every file offered among the kinds"_qs;
        kinds << filters[i].pattern.split(u';');
    }
    if (filters.first().description != langText(LangEntry::AllSupportedFilesFilter))
        return u"first filter is "_qs + filters.first().description;
    if (filters.first().pattern.split(u';') != kinds)
        return u"first filter offers %1, the kinds %2"_qs.arg(filters.first().pattern, kinds.join(u';'));
    if (!kinds.contains(pattern))
        return u"no kind offers "_qs + pattern;
    if (filters.last() != FileFilter{langText(LangEntry::AllFilesFilter), u"*"_qs})
        return u"last filter is %1 %2"_qs.arg(filters.last().description, filters.last().pattern);
    return {};
}

// The entries of File > Open Recent, as it lists them when opened.
QList<QAction *> recentEntries(gui::AddLabs &window)
{
    auto *menu = window.findChild<gui::RecentPackagesMenu *>(u"menuOpenRecent"_qs);
    if (!menu)
        return {};
    Q_EMIT menu->aboutToShow();
    QList<QAction *> entries;
    for (QAction *action : menu->actions()) {
        if (action->data().isValid())
            entries << action;
    }
    return entries;
}

QStringList recentListed(gui::AddLabs &window)
{
    QStringList listed;
    for (const QAction *action : recentEntries(window))
        listed << action->data().toString();
    return listed;
}

// The wizard on the page of the required files.
gui::Wizard *wizardAtRequiredFiles(MainWindowHarness &h)
{
    gui::Wizard *wizard = h.window().showWizard();
    const bool walked = clickIn(wizard, "cmdNext") && typeIn(wizard, "txtTabTitle", u"T"_qs) &&
                        clickIn(wizard, "cmdNext") && typeIn(wizard, "txtSection", u"S"_qs) &&
                        typeIn(wizard, "txtLabTitle", u"L"_qs) && clickIn(wizard, "cmdNext");
    return walked ? wizard : nullptr;
}

} // namespace

class PackageFlowsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void compiledPackageOpensInAFreshWindow();
    void aBadConfigurationOrAnUnsavableCatalogueStopsTheCompilation();
    void quittingKeepsTheEditsUnlessToldOtherwiseAndAReadOnlyWindowWritesNothing();
    void aPackageIsInspectedAndOpenedOverUnsavedChanges();
    void editsOfAKilledWindowAreOfferedBack();
    void theProblemsListFollowsTheCatalogueAndJudgesPagesAndMergedSections();
    void dialogsOfferTheirKindsStartWhereTheLastFileWasAndOpenRecentListsPackages();
};

void PackageFlowsTest::compiledPackageOpensInAFreshWindow()
{
    QTemporaryDir out;
    const QString package = out.filePath(u"My Labs.lab"_qs);
    QStringList treeBefore;
    {
        MainWindowHarness h;
        openOverFiles(h);
        treeBefore = h.treeLines();
        QVERIFY(h.selectNode(u"Switching"_qs));
        QVERIFY(h.click("cmdAddLab")); // an edit marks the catalogue changed; cancelled, it stays so
        QVERIFY(h.click("cmdCancel"));
        h.chooser.answers = {package};
        QVERIFY(h.click("cmdCreatePck"));
        QCOMPARE(h.takeMessageEntries(), QList<int>{});
        QCOMPARE(shownTitle(h.window()), langText(LangEntry::ProgramTitle) + u" - My Labs.lab"_qs);
        QVERIFY(!h.window().catalogueChanged());
        QCOMPARE(h.window().statusBar()->currentMessage(),
                 langText(LangEntry::PackageWrittenStatus).arg(package).arg(QFileInfo(package).size()).arg(3));
    }

    MainWindowHarness fresh;
    fresh.open();
    fresh.chooser.answers = {package};
    QVERIFY(fresh.click("cmdLoadLabPck"));
    QCOMPARE(fresh.takeMessageEntries(), QList<int>{});
    QCOMPARE(fresh.treeLines(), treeBefore);
    QCOMPARE(shownTitle(fresh.window()), langText(LangEntry::ProgramTitle) + u" - My Labs.lab"_qs);
    QCOMPARE(fresh.window().statusBar()->currentMessage(),
             langText(LangEntry::PackageOpenedStatus).arg(package).arg(3).arg(2));
    const QString extracted = fresh.dataFolder() + u"CompilerLabs/My Labs/"_qs;
    const LabRecord &ospf = fresh.recordOf(u"Ospf"_qs);
    QCOMPARE(ospf.link, extracted + u"Routing/common/ospf.pdf"_qs);
    QCOMPARE(ospf.nwcFile, extracted + u"Routing/Ospf/ospf.nwc"_qs);
    QCOMPARE(ospf.linkPage, u"4"_qs);
    QCOMPARE(readFile(extracted + u"Routing/Ospf/ospf1.rtr"_qs), QByteArray("hostname R1\r\n"));
    QCOMPARE(fresh.recordOf(u"Vlans"_qs).topFile, extracted + u"Switching/Vlans/vlan.top"_qs);
    QVERIFY(readFile(fresh.iniPath()).contains("CompilerLabs/My Labs/Switching/common/vlan.txt"));

    // Closing keeps the package folder the catalogue names, so a restart finds every file; a
    // package folder it no longer names goes.
    const QString unused = fresh.dataFolder() + u"CompilerLabs/Old Labs/S/common/old.pdf"_qs;
    QDir().mkpath(QFileInfo(unused).path());
    writeFile(unused, "old");
    fresh.close();
    QVERIFY(!QFileInfo::exists(fresh.dataFolder() + u"CompilerLabs/Old Labs"_qs));
    MainWindowHarness restarted(fresh.dataFolder());
    restarted.open();
    QCOMPARE(restarted.treeLines(), treeBefore);
    QCOMPARE(readFile(restarted.recordOf(u"Ospf"_qs).link), QByteArray("%PDF-1.4 ospf"));
    QCOMPARE(readFile(restarted.recordOf(u"Vlans"_qs).topFile), QByteArray("switches"));

    // A file that is no package is said to be one, and the catalogue and its file stay.
    const QByteArray catalogue = readFile(restarted.iniPath());
    const QString notAPackage = out.filePath(u"notes.lab"_qs);
    writeFile(notAPackage, "these are notes, not a package");
    restarted.prompter.shown.clear();
    restarted.chooser.answers = {notAPackage};
    QVERIFY(restarted.click("cmdLoadLabPck"));
    QCOMPARE(restarted.prompter.shown.size(), 1);
    QCOMPARE(restarted.prompter.shown[0].text, u"notes.lab"_qs + langText(LangEntry::NotAPackageMessage));
    QCOMPARE(restarted.prompter.shown[0].icon, MessageIcon::Critical);
    QCOMPARE(restarted.treeLines(), treeBefore);
    QCOMPARE(readFile(restarted.iniPath()), catalogue);
    QCOMPARE(shownTitle(restarted.window()), langText(LangEntry::ProgramTitle) + u" - notes.lab"_qs);
    restarted.prompter.shown.clear();

    // Named from outside ("fendrel FILE.lab"): the same opening, no dialog; a folder is refused.
    restarted.chooser.requests.clear();
    QVERIFY(!restarted.window().openPackage(out.path()));
    QCOMPARE(restarted.takeMessageEntries(), QList<int>{-1});
    QVERIFY(restarted.window().openPackage(package));
    QCOMPARE(restarted.treeLines(), treeBefore);
    QCOMPARE(shownTitle(restarted.window()), langText(LangEntry::ProgramTitle) + u" - My Labs.lab"_qs);
    QVERIFY(restarted.chooser.requests.isEmpty());
}

// Compile stops over a faulty configuration, before its dialog, and over a catalogue file it
// cannot save.
void PackageFlowsTest::aBadConfigurationOrAnUnsavableCatalogueStopsTheCompilation()
{
    MainWindowHarness h;
    QByteArray catalogue = catalogueOverFiles(h);
    const QString bad = h.makeFile(u"cfg/bad.nwc"_qs, "number of devices=2\r\nnumber of routers=1\r\n");
    catalogue.replace("lab0=Vlans\r\n", "lab0=Vlans\r\nloadnwcfile0=" + bad.toUtf8() + "\r\n");
    writeFile(h.iniPath(), catalogue);
    QTemporaryDir out;
    const QString package = out.filePath(u"bad.lab"_qs);
    writeFile(package, "an older package");
    h.open();
    h.takeMessageEntries();
    QVERIFY(h.selectNode(u"Vlans"_qs));
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
    QCOMPARE(problems[0].details, QStringList({u"2"_qs, u"1"_qs, u"0"_qs, u"0"_qs}));
    QVERIFY(h.window().problemsList()->isVisible());
    QCOMPARE(readFile(package), QByteArray("an older package"));
    QCOMPARE(shownTitle(h.window()), langText(LangEntry::ProgramTitle));
    QVERIFY(h.window().catalogueChanged());
    h.takeMessageEntries();

    // The same configuration chosen with its browse button is refused on the spot.
    QVERIFY(h.selectNode(u"Ospf again"_qs));
    QVERIFY(h.click("cmdEdit"));
    h.control<QTabBar>("TabStrip1")->setCurrentIndex(1);
    h.chooser.answers = {bad};
    QVERIFY(h.click("cmdBrowsenwc"));
    QCOMPARE(h.takeMessageEntries(), QList<int>{-1});
    QCOMPARE(h.caption("lblNwcFile"), QString());
    QCOMPARE(h.window().editBuffer().nwcFile, QString());

    // A catalogue file that cannot be saved: a package whose member 1 is an older catalogue than its
    // labs is worse than none.
    MainWindowHarness other;
    openOverFiles(other);
    QVERIFY(QFile::remove(other.iniPath()));
    QVERIFY(QDir().mkdir(other.iniPath())); // a folder where the catalogue file goes
    other.chooser.answers = {package};
    QVERIFY(other.click("cmdCreatePck"));
    QCOMPARE(other.prompter.shown.size(), 1);
    QVERIFY(other.prompter.shown[0].text.startsWith(other.iniPath() + u" cannot be written: "_qs));
    QVERIFY(other.prompter.shown[0].text.contains(u"No package was written"_qs));
    QCOMPARE(other.prompter.shown[0].icon, MessageIcon::Critical);
    QCOMPARE(readFile(package), QByteArray("an older package"));

    // Save Catalogue says the same.
    other.prompter.shown.clear();
    QVERIFY(!other.window().saveCatalogue());
    QCOMPARE(other.prompter.shown.size(), 1);
    QVERIFY(other.prompter.shown[0].text.contains(u"The catalogue was not saved"_qs));
}

// The quit question after a change: a Yes whose compile does not happen keeps the window and the
// edit, one whose compile happens closes it; Save Catalogue writes what compiling would save; No
// leaves the file alone.
void PackageFlowsTest::quittingKeepsTheEditsUnlessToldOtherwiseAndAReadOnlyWindowWritesNothing()
{
    QTemporaryDir out;
    const auto openAndEdit = [](MainWindowHarness &h) {
        const QByteArray catalogue = openOverFiles(h);
        h.prompter.answers = {MessageAnswer::Yes};
        const bool deleted = h.selectNode(u"Ospf again"_qs) && h.click("cmdDelete");
        h.takeMessageEntries();
        return deleted ? catalogue : QByteArray();
    };
    MainWindowHarness h;
    const QByteArray catalogue = openAndEdit(h);
    h.prompter.answers = {MessageAnswer::Yes};
    h.chooser.answers = {QString()}; // the package dialog cancelled
    QVERIFY(!h.window().close());
    QVERIFY(h.window().catalogueChanged());
    QCOMPARE(readFile(h.iniPath()), catalogue);
    h.prompter.answers = {MessageAnswer::Yes};
    h.chooser.answers = {out.filePath(u"closing.lab"_qs)};
    QVERIFY(h.window().close());
    QCOMPARE(h.takeMessageEntries(), (QList<int>{80, 80}));
    QVERIFY(QFileInfo(out.filePath(u"closing.lab"_qs)).isFile());
    QVERIFY(!readFile(h.iniPath()).contains("Ospf again"));

    MainWindowHarness saving;
    openAndEdit(saving);
    saving.prompter.answers = {MessageAnswer::Save};
    QVERIFY(saving.window().close());
    const QByteArray saved = readFile(saving.iniPath());
    QVERIFY(!saved.contains("Ospf again"));
    QCOMPARE(compileCatalogue(saving.catalogue(), out.filePath(u"p.lab"_qs), saving.prompter), CompileOutcome::Written);
    QCOMPARE(readFile(saving.iniPath()), saved);

    MainWindowHarness other;
    const QByteArray untouched = openAndEdit(other);
    other.prompter.answers = {MessageAnswer::No};
    QVERIFY(other.window().close());
    QCOMPARE(readFile(other.iniPath()), untouched);

    // The second window on a data folder: it shows and edits in memory, but every command that would write to
    // the folder says why it does nothing, and closing neither offers to compile nor removes the packages the
    // other window extracted.
    MainWindowHarness readOnly;
    const QByteArray theirCatalogue = catalogueOverFiles(readOnly);
    writeFile(readOnly.iniPath(), theirCatalogue);
    const QString extracted = readOnly.dataFolder() + u"CompilerLabs/theirs/S/common/a.pdf"_qs;
    QDir().mkpath(QFileInfo(extracted).path());
    writeFile(extracted, "theirs");
    readOnly.open();
    readOnly.window().setReadOnly(u"process 4242 (fendrel) on desk holds it"_qs);
    QVERIFY(shownTitle(readOnly.window()).endsWith(u"(read-only)"_qs));
    QVERIFY(readOnly.selectNode(u"Ospf again"_qs));
    QVERIFY(readOnly.click("cmdDelete"));
    readOnly.takeMessageEntries();
    readOnly.chooser.answers = {u"/nowhere/never.lab"_qs};
    QVERIFY(readOnly.click("cmdCreatePck"));
    QVERIFY(readOnly.click("cmdLoadLabPck"));
    QCOMPARE(readOnly.window().showWizard(), nullptr);
    QCOMPARE(readOnly.prompter.shown.size(), 3);
    for (const auto &shown : readOnly.prompter.shown)
        QVERIFY(shown.text.contains(u"read-only: process 4242 (fendrel) on desk holds it."_qs));
    QCOMPARE(readOnly.chooser.answers.size(), 1); // no dialog was opened
    readOnly.takeMessageEntries();
    readOnly.close();
    QCOMPARE(readOnly.takeMessageEntries(), QList<int>());
    QCOMPARE(readFile(readOnly.iniPath()), theirCatalogue);
    QCOMPARE(readFile(extracted), QByteArray("theirs"));
}

// File > Inspect Package shows a package's labs and members without importing it, and a name-only
// member saves the content it stands for. Compile and Open cancelled in their progress windows
// change nothing; Open over unsaved changes asks first (Cancel keeps them, Save saves them first,
// Discard drops them), and shows the opened catalogue with no field left open for editing.
void PackageFlowsTest::aPackageIsInspectedAndOpenedOverUnsavedChanges()
{
    QTemporaryDir out;
    const QString package = out.filePath(u"p.lab"_qs);
    MainWindowHarness h;
    openOverFiles(h);
    h.chooser.answers = {package};
    QVERIFY(h.click("cmdCreatePck"));
    const QByteArray compiled = readFile(package);
    const QByteArray saved = readFile(h.iniPath());

    h.chooser.answers = {package};
    gui::PackageInspector *inspector = h.window().inspectPackage();
    QVERIFY(inspector);
    QVERIFY(inspector->lblSummary->text().contains(langText(LangEntry::InspectorSoundText)));
    const QTreeWidgetItem *tab = inspector->tvMembers->topLevelItem(0);
    QCOMPARE(tab->text(0), u"My Labs"_qs);
    QCOMPARE(tab->childCount(), 3); // the catalogue and two sections
    const QTreeWidgetItem *again = tab->child(1)->child(1);
    QCOMPARE(again->text(0), u"Ospf again"_qs);
    QCOMPARE(again->child(0)->text(1), langText(LangEntry::MemberNameOnlyText));
    QCOMPARE(tab->child(2)->child(0)->child(1)->text(1), u"8 bytes"_qs); // vlan.top
    QVERIFY(!inspector->cmdSaveMember->isEnabled());
    inspector->tvMembers->setCurrentItem(again->child(0));
    QVERIFY(inspector->cmdSaveMember->isEnabled());
    const QString target = out.filePath(u"saved.pdf"_qs);
    h.chooser.answers = {target};
    QVERIFY(clickIn(inspector, "cmdSaveMember"));
    QCOMPARE(readFile(target), QByteArray("%PDF-1.4 ospf"));
    inspector->close();

    QVERIFY(h.selectNode(u"Vlans"_qs));
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

    QVERIFY(h.click("cmdEditTab")); // the tab title left open for typing
    h.chooser.requests.clear();
    h.prompter.answers = {MessageAnswer::Cancel};
    QVERIFY(h.click("cmdLoadLabPck"));
    QCOMPARE(h.prompter.shown.last().buttons, MessageButtons::SaveDiscardCancel);
    QCOMPARE(h.takeMessageEntries(), QList<int>{130});
    QVERIFY(h.chooser.requests.isEmpty());
    h.prompter.answers = {MessageAnswer::Save};
    QVERIFY(h.click("cmdLoadLabPck")); // refused: the tab title is still being edited
    QCOMPARE(h.takeMessageEntries(), (QList<int>{130, 98}));
    QVERIFY(h.click("cmdEditTab"));

    h.prompter.answers = {MessageAnswer::Discard};
    h.chooser.answers = {package};
    cancelOnceShown("frmProgress");
    QVERIFY(h.click("cmdLoadLabPck"));
    QCOMPARE(h.treeLines(), tree);
    QCOMPARE(readFile(h.iniPath()), saved);
    QVERIFY(!QFileInfo::exists(h.dataFolder() + u"CompilerLabs"_qs));

    h.prompter.answers = {MessageAnswer::Save};
    h.chooser.answers = {package};
    QVERIFY(h.click("cmdLoadLabPck"));
    QVERIFY(h.treeLines().contains(u"    Vlans"_qs)); // the package's catalogue
    QVERIFY(!h.window().catalogueChanged());
    QVERIFY(!h.control<QLineEdit>("txtTab")->isEnabled());
    QVERIFY(readFile(h.iniPath()).contains("CompilerLabs/p/Switching/Vlans/vlan.top"));

    // The compilation writes the catalogue as it stood at its start: a change that comes in
    // meanwhile all the same stays unsaved. A package handed over by another start waits for the end.
    QVERIFY(h.selectNode(u"Vlans"_qs));
    h.prompter.answers = {MessageAnswer::Yes};
    QVERIFY(h.click("cmdDelete"));
    const QString later = out.filePath(u"later.lab"_qs);
    h.chooser.answers = {later};
    bool handedOver = true;
    onceShown("frmSaveStatus", [&](QWidget *) {
        h.catalogue().addSection(u"Late"_qs);
        handedOver = h.window().openPackage(package);
    });
    QVERIFY(h.click("cmdCreatePck"));
    QVERIFY(!handedOver);
    QVERIFY(readFile(later).size() > 0);
    QVERIFY(!readFile(h.iniPath()).contains("Vlans"));
    QVERIFY(!readFile(h.iniPath()).contains("Late"));
    QVERIFY(h.window().catalogueChanged());
    h.prompter.answers = {MessageAnswer::Discard};
    QTRY_VERIFY(h.treeLines().contains(u"    Vlans"_qs));
    QVERIFY(!h.treeLines().contains(u"  Late"_qs));
}

// The recovery file follows the edits, unprompted: a window killed outright after an edit leaves
// it, and the next window offers the edit back (Restore keeps it unsaved, Discard drops it); a
// read-only window leaves it to its holder, and saving removes it.
void PackageFlowsTest::editsOfAKilledWindowAreOfferedBack()
{
    MainWindowHarness h;
    const QByteArray catalogue = catalogueOverFiles(h);
    writeFile(h.iniPath(), catalogue);
    QProcess child;
    child.start(QStringLiteral(FENDREL_RECOVERY_CHILD), {h.dataFolder(), u"Vlans"_qs});
    QVERIFY(child.waitForStarted());
    QVERIFY(child.waitForReadyRead(30000));
    QCOMPARE(child.readAllStandardOutput().trimmed(), QByteArray("edited"));
    QTest::qWait(3000);
    child.kill();
    QVERIFY(child.waitForFinished());
    QCOMPARE(child.exitStatus(), QProcess::CrashExit);
    QCOMPARE(readFile(h.iniPath()), catalogue);
    const QString recovery = recoveryFile(h.dataFolder());
    {
        MainWindowHarness readOnly(h.dataFolder());
        readOnly.open();
        readOnly.window().setReadOnly(u"process 1 holds it"_qs);
        QVERIFY(!readOnly.window().offerRecovery()); // the recovery is the holder's
        QVERIFY(readOnly.prompter.shown.isEmpty());
    }
    QVERIFY(QFileInfo::exists(recovery));

    h.open();
    h.prompter.answers = {MessageAnswer::Restore};
    QVERIFY(h.window().offerRecovery());
    QCOMPARE(h.takeMessageEntries(), QList<int>{139});
    const QStringList edited = h.treeLines();
    QVERIFY(!edited.contains(u"    Vlans"_qs));
    QVERIFY(edited.contains(u"    Ospf again"_qs));
    QVERIFY(h.window().catalogueChanged());
    QCOMPARE(readFile(h.iniPath()), catalogue);
    h.window().keepRecovery();
    {
        MainWindowHarness discarded(h.dataFolder());
        discarded.open();
        discarded.prompter.answers = {MessageAnswer::Discard};
        QVERIFY(!discarded.window().offerRecovery());
        QCOMPARE(discarded.prompter.shown.last().buttons, MessageButtons::RestoreDiscard);
        QVERIFY(!QFileInfo::exists(recovery));
        QVERIFY(discarded.treeLines() != edited);
    }
    h.window().keepRecovery();
    QVERIFY(h.window().saveCatalogue());
    QVERIFY(!QFileInfo::exists(recovery));
    QVERIFY(!readFile(h.iniPath()).contains("Vlans"));
}

// The Problems list: filled at start, kept current by edits that mend and make problems, and
// leading from a row to the lab's field; Compile asks before it builds a package that opens wrong.
void PackageFlowsTest::theProblemsListFollowsTheCatalogueAndJudgesPagesAndMergedSections()
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
    QCOMPARE(problemRows(list), QStringList({u"opens-wrong|Ospf|ospf.pdf|file-not-there"_qs,
                                             u"opens-wrong|Ospf again|ospf.pdf|file-not-there"_qs,
                                             u"opens-wrong|Vlans|vlan.top|not-a-file"_qs}));
    QVERIFY(h.takeMessageEntries().isEmpty()); // the list tells; no message box
    QCOMPARE(h.control<QLabel>("lblProblemCount")->accessibleName(), langText(LangEntry::ProblemsStatusText).arg(3));
    QCOMPARE(list.view()->model()->data(list.view()->model()->index(2, ProblemsModel::CauseColumn)).toString(),
             u"is a folder, not a file"_qs);

    // An edit that mends a problem: Vlans gets a topology file that is there.
    QVERIFY(h.selectNode(u"Vlans"_qs));
    QVERIFY(h.click("cmdEdit"));
    h.chooser.answers = {h.makeFile(u"top/vlan2.top"_qs, "switches")};
    QVERIFY(h.click("cmdBrowseTop"));
    QVERIFY(h.click("cmdEdit"));
    list.waitUntilCurrent();
    QCOMPARE(problemRows(list).size(), 2);
    // One that makes one: a section without labs.
    QVERIFY(h.click("cmdAddSection"));
    QVERIFY(h.type("txtSection", u"Security"_qs));
    QVERIFY(h.click("cmdAddSection"));
    list.waitUntilCurrent();
    QCOMPARE(problemRows(list).last(), u"warning|||section-without-labs"_qs);
    QCOMPARE(list.problems().last().section, u"Security"_qs);

    // Double-click on a row: its lab selected and opened for editing, the document's Browse focused.
    QTableView *view = list.view();
    const QRect cell = view->visualRect(view->model()->index(1, ProblemsModel::LabColumn));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, cell.center());
    QCOMPARE(h.currentNodeText(), u"Ospf again"_qs);
    QCOMPARE(h.caption("cmdEdit"), langText(LangEntry::SaveLabCaption));
    QCOMPARE(QApplication::focusWidget(), h.control<QPushButton>("cmdBrowse"));
    QVERIFY(h.click("cmdCancel"));
    // A renamed section is re-checked with its labs, whose rows carry its name.
    QVERIFY(h.selectNode(u"Routing"_qs));
    QVERIFY(h.click("cmdAddSection"));
    QVERIFY(h.type("txtSection", u"Routing protocols"_qs));
    QVERIFY(h.click("cmdAddSection"));
    list.waitUntilCurrent();
    QCOMPARE(list.problems().size(), 3);
    QCOMPARE(list.problems()[0].section, u"Routing protocols"_qs);
    QCOMPARE(list.problems()[1].section, u"Routing protocols"_qs);

    // Compile: a package that would open wrong is asked about; Cancel writes nothing.
    QTemporaryDir out;
    const QString package = out.filePath(u"p.lab"_qs);
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

    // The page count comes from the viewer's own PDF reader, on the list's worker thread. Two sections named
    // alike but for letter case are one after the load; saving makes the file so.
    MainWindowHarness other;
    QByteArray merged = catalogueOverFiles(other); // Ospf opens its document at page 4
    const QString pagedDoc = QString::fromUtf8(merged.mid(merged.indexOf("link0=") + 6)).section(u'\r', 0, 0);
    {
        QPdfWriter pdf(pagedDoc);
        QPainter painter(&pdf);
        painter.drawText(100, 100, u"page one"_qs);
        pdf.newPage();
        painter.drawText(100, 100, u"page two"_qs);
    }
    writeFile(other.iniPath(), merged.replace("sectionname=Switching", "sectionname=ROUTING"));
    other.open();
    ProblemsList &otherList = *other.window().problemsList();
    otherList.waitUntilCurrent();
    const QString pageRow = u"warning|Ospf|ospf.pdf|page-beyond-end"_qs;
    QCOMPARE(problemRows(otherList), QStringList({u"opens-wrong|||sections-merged"_qs, pageRow}));
    QCOMPARE(otherList.problems()[0].section, u"Routing"_qs);
    QCOMPARE(otherList.problems()[0].details, QStringList{u"ROUTING"_qs});
    QCOMPARE(problemCause(otherList.problems()[1]), u"opens at page 4, but the document has 2 pages"_qs);
    QVERIFY(other.window().saveCatalogue());
    otherList.waitUntilCurrent();
    QCOMPARE(problemRows(otherList), QStringList{pageRow});
    QVERIFY(!readFile(other.iniPath()).contains("ROUTING"));
}

// Every dialog offers all supported files first, then the kinds, then every file. Each kind starts
// where its last file was chosen, in a new window too, unless that folder has gone; a cancelled
// dialog remembers nothing. File > Open Recent lists the packages opened and compiled.
void PackageFlowsTest::dialogsOfferTheirKindsStartWhereTheLastFileWasAndOpenRecentListsPackages()
{
    MainWindowHarness h;
    openOverFiles(h, u"TCP/IP: Routing?"_qs);
    const QStringList tree = h.treeLines();
    QVERIFY(h.selectNode(u"Routing"_qs));
    QVERIFY(h.click("cmdAddLab"));
    for (const auto &[button, tab, kind] : {std::tuple{"cmdBrowse", 0, u"*.pdf"_qs}, {"cmdBrowseTop", 0, u"*.top"_qs},
                                            {"cmdBrowsePicture", 1, u"*.bmp"_qs}, {"cmdBrowsenwc", 1, u"*.nwc"_qs}}) {
        h.control<QTabBar>("TabStrip1")->setCurrentIndex(tab);
        const qsizetype asked = h.chooser.requests.size();
        QVERIFY(h.click(button));
        QCOMPARE(h.chooser.requests.size(), asked + 1);
        QCOMPARE(filterFault(h.chooser.requests.last(), kind), QString());
    }
    h.control<QTabBar>("TabStrip1")->setCurrentIndex(0);
    QCOMPARE(h.chooser.requests[0].initialFolder, QString());
    const QString document = h.makeFile(u"chosen docs/rip.txt"_qs, "rip");
    const QString chosenFolder = QFileInfo(document).absolutePath();
    h.chooser.answers = {document};
    QVERIFY(h.click("cmdBrowse"));
    QCOMPARE(h.caption("lblFile"), u"rip.txt"_qs);
    QVERIFY(h.click("cmdBrowse"));
    QCOMPARE(h.chooser.requests.last().initialFolder, chosenFolder);
    QVERIFY(h.click("cmdBrowseTop")); // other kinds keep their own start
    QCOMPARE(h.chooser.requests.last().initialFolder, QString());
    QVERIFY(h.click("cmdCancel"));

    // The compile dialog suggests the tab title as the file name, with what Windows would refuse
    // replaced, in the labs folder; it asks before it overwrites.
    QVERIFY(h.click("cmdCreatePck"));
    const FileRequest &save = h.chooser.requests.last();
    QCOMPARE(save.kind, FileDialogKind::Save);
    QCOMPARE(save.suggestedName, u"TCP_IP_ Routing_.lab"_qs);
    QCOMPARE(save.initialFolder, folders().labs);
    QVERIFY(save.options.testFlag(FileDialogOption::OverwritePrompt));
    QCOMPARE(filterFault(save, u"*.lab"_qs), QString());
    QCOMPARE(gui::suggestedPackageName(u" .Net <core>\t\"v2\" "_qs), u"Net _core___v2_.lab"_qs);
    QCOMPARE(gui::suggestedPackageName(u"Labs..."_qs), u"Labs.lab"_qs);
    QCOMPARE(gui::suggestedPackageName(u" . "_qs), QString());

    h.prompter.answers = {MessageAnswer::Discard};
    QVERIFY(h.click("cmdLoadLabPck"));
    QCOMPARE(h.chooser.requests.last().kind, FileDialogKind::Open);
    QCOMPARE(filterFault(h.chooser.requests.last(), u"*.lab"_qs), QString());
    // A cancel loads nothing and leaves the caption naming no package.
    QCOMPARE(shownTitle(h.window()), langText(LangEntry::ProgramTitle) + u" - "_qs);
    QCOMPARE(h.treeLines(), tree);
    const qsizetype asked = h.chooser.requests.size();
    QVERIFY(!h.window().inspectPackage());
    QCOMPARE(h.chooser.requests.size(), asked + 1);
    QCOMPARE(filterFault(h.chooser.requests.last(), u"*.lab"_qs), QString());

    // A new window reads the settings afresh; the wizard's document dialog is of the same kind.
    h.open();
    gui::Wizard *wizard = wizardAtRequiredFiles(h);
    QVERIFY(wizard);
    QVERIFY(clickIn(wizard, "cmdBrowseLab"));
    QCOMPARE(filterFault(h.chooser.requests.last(), u"*.doc"_qs), QString());
    QCOMPARE(h.chooser.requests.last().initialFolder, chosenFolder);
    QVERIFY(clickIn(wizard, "cmdBrowseTop"));
    QCOMPARE(h.chooser.requests.last().initialFolder, folders().labs);
    // A remembered folder that has gone since is passed over.
    QVERIFY(QDir(chosenFolder).removeRecursively());
    QVERIFY(clickIn(wizard, "cmdBrowseLab"));
    QCOMPARE(h.chooser.requests.last().initialFolder, folders().labs);

    MainWindowHarness other;
    openOverFiles(other);
    QCOMPARE(recentListed(other.window()), QStringList());
    QTemporaryDir out;
    // A comma in the name, which a list setting might split at.
    const QString first = QDir::cleanPath(out.filePath(u"Net, first.lab"_qs));
    const QString second = QDir::cleanPath(out.filePath(u"second.lab"_qs));
    other.chooser.answers = {first};
    QVERIFY(other.click("cmdCreatePck"));
    other.chooser.answers = {second};
    QVERIFY(other.click("cmdCreatePck"));
    // The save dialog starts where the last package was saved, the open dialog where it started.
    QCOMPARE(other.chooser.requests.last().initialFolder, QDir::cleanPath(out.path()));
    QCOMPARE(recentListed(other.window()), (QStringList{second, first}));
    other.chooser.answers = {first};
    QVERIFY(other.click("cmdLoadLabPck"));
    QCOMPARE(other.chooser.requests.last().initialFolder, folders().labs);
    QCOMPARE(other.takeMessageEntries(), QList<int>{});
    QCOMPARE(recentListed(other.window()), (QStringList{first, second}));

    // Chosen from the menu, a package opens as after Open Package's dialog: unsaved edits asked
    // about first, no dialog.
    QVERIFY(other.selectNode(u"Vlans"_qs));
    other.window().duplicateLab();
    QVERIFY(other.click("cmdCancel"));
    QVERIFY(other.window().catalogueChanged());
    other.chooser.requests.clear();
    other.prompter.answers = {MessageAnswer::Discard};
    recentEntries(other.window()).value(1)->trigger();
    QCOMPARE(other.takeMessageEntries(), QList<int>{static_cast<int>(LangEntry::ReplaceUnsavedQuestion)});
    QVERIFY(other.chooser.requests.isEmpty());
    QCOMPARE(shownTitle(other.window()), langText(LangEntry::ProgramTitle) + u" - second.lab"_qs);
    QVERIFY(!other.window().catalogueChanged());

    // The list outlives the window; a package deleted since is dropped from it for good.
    other.open();
    QCOMPARE(recentListed(other.window()), (QStringList{second, first}));
    QVERIFY(QFile::remove(second));
    QCOMPARE(recentListed(other.window()), QStringList{first});
    QCOMPARE(getRecentPackages(), QStringList{first});

    // Only the last eight are kept.
    for (int i = 0; i < 9; ++i) {
        const QString path = QDir::cleanPath(out.filePath(u"p%1.lab"_qs.arg(i)));
        writeFile(path, "package");
        gui::recentPackages::add(path);
    }
    const QStringList listed = recentListed(other.window());
    QCOMPARE(listed.size(), 8);
    QCOMPARE(QFileInfo(listed.first()).fileName(), u"p8.lab"_qs);
    QCOMPARE(QFileInfo(listed.last()).fileName(), u"p1.lab"_qs);

    QAction *clear = other.window().findChild<QAction *>(u"actionClearRecent"_qs);
    QVERIFY(clear && clear->isEnabled());
    clear->trigger();
    QCOMPARE(recentListed(other.window()), QStringList());
    QVERIFY(!other.window().findChild<QAction *>(u"actionClearRecent"_qs)->isEnabled());
}

FENDREL_GUI_TEST_MAIN(PackageFlowsTest)
#include "PackageFlowsTest.moc"
