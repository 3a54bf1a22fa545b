// The file dialogs as the windows ask for them: their filter lists, the folder each kind starts
// in, the name the compile dialog suggests, and File > Open Recent.

#include "gui/FileDialogs.h"
#include "gui/RecentPackages.h"
#include "gui/Wizard.h"
#include "startup/Folders.h"
#include "startup/LanguageTable.h"
#include "startup/Settings.h"
#include "support/GuiTestSupport.h"
#include "support/TestSupport.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QTabBar>

using namespace fendrel;
using namespace fendrel::test;

namespace {

// A tab titled title with two labs over real files, opened in the window.
void openOverFiles(MainWindowHarness &h, const QString &title = QStringLiteral("My Labs"))
{
    const QString doc = h.makeFile(QStringLiteral("docs/ospf.pdf"), "%PDF-1.4 ospf");
    const QString top = h.makeFile(QStringLiteral("top/ospf.top"), "topology");
    const QString vlanDoc = h.makeFile(QStringLiteral("docs/vlan.txt"), "vlans");
    writeFile(h.iniPath(), QStringLiteral("[GENERAL]\r\ntabtitle=%1\r\n"
                                          "[SECTION0]\r\nsectionname=Routing\r\nnumberofentries=1\r\n"
                                          "lab0=Ospf\r\nlink0=%2\r\ntopfile0=%3\r\n"
                                          "[SECTION1]\r\nsectionname=Switching\r\nnumberofentries=1\r\n"
                                          "lab0=Vlans\r\nlink0=%4\r\ntopfile0=%3\r\n")
                               .arg(title, doc, top, vlanDoc)
                               .toUtf8());
    h.open();
    h.takeMessageEntries();
}

// What is wrong with a request's filter list, or nothing: it must start with every pattern of the
// kinds between, offer pattern among them, and end with every file.
QString filterFault(const FileRequest &request, const QString &pattern)
{
    const QList<FileFilter> &filters = request.filters;
    if (filters.size() < 3)
        return QStringLiteral("only %1 filters").arg(filters.size());
    QStringList kinds;
    for (qsizetype i = 1; i + 1 < filters.size(); ++i) {
        if (filters[i].pattern == u"*" || filters[i].pattern == u"*.*")
            return QStringLiteral("every file offered among the kinds");
        kinds << filters[i].pattern.split(u';');
    }
    if (filters.first().description != langText(LangEntry::AllSupportedFilesFilter))
        return QStringLiteral("first filter is ") + filters.first().description;
    if (filters.first().pattern.split(u';') != kinds)
        return QStringLiteral("first filter offers %1, the kinds %2").arg(filters.first().pattern, kinds.join(u';'));
    if (!kinds.contains(pattern))
        return QStringLiteral("no kind offers ") + pattern;
    if (filters.last() != FileFilter{langText(LangEntry::AllFilesFilter), QStringLiteral("*")})
        return QStringLiteral("last filter is %1 %2").arg(filters.last().description, filters.last().pattern);
    return {};
}

// The packages File > Open Recent lists, as it lists them when opened.
QStringList recentListed(gui::AddLabs &window)
{
    auto *menu = window.findChild<gui::RecentPackagesMenu *>(QStringLiteral("menuOpenRecent"));
    if (!menu)
        return {QStringLiteral("no Open Recent menu")};
    Q_EMIT menu->aboutToShow();
    QStringList listed;
    for (const QAction *action : menu->actions()) {
        if (action->data().isValid())
            listed << action->data().toString();
    }
    return listed;
}

QAction *recentAction(gui::AddLabs &window, const QString &path)
{
    auto *menu = window.findChild<gui::RecentPackagesMenu *>(QStringLiteral("menuOpenRecent"));
    for (QAction *action : menu->actions()) {
        if (action->data().toString() == path)
            return action;
    }
    return nullptr;
}

// The wizard on the page of the required files.
gui::Wizard *wizardAtRequiredFiles(MainWindowHarness &h)
{
    gui::Wizard *wizard = h.window().showWizard();
    const bool walked = clickIn(wizard, "cmdNext") && typeIn(wizard, "txtTabTitle", QStringLiteral("T")) &&
                        clickIn(wizard, "cmdNext") && typeIn(wizard, "txtSection", QStringLiteral("S")) &&
                        typeIn(wizard, "txtLabTitle", QStringLiteral("L")) && clickIn(wizard, "cmdNext");
    return walked ? wizard : nullptr;
}

} // namespace

class FileDialogsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void everyDialogOffersAllSupportedThenTheKindsThenAllFiles();
    void eachKindStartsWhereItsLastFileWasChosen();
    void compileSuggestsTheTabTitleAsFileName();
    void openRecentListsOpenedAndCompiledPackages();
};

void FileDialogsTest::everyDialogOffersAllSupportedThenTheKindsThenAllFiles()
{
    MainWindowHarness h;
    openOverFiles(h);
    // Every dialog below is cancelled.
    QVERIFY(h.selectNode(QStringLiteral("Routing")));
    QVERIFY(h.click("cmdAddLab"));
    QVERIFY(h.click("cmdBrowse"));
    QCOMPARE(filterFault(h.chooser.requests.last(), QStringLiteral("*.pdf")), QString());
    QVERIFY(h.click("cmdBrowseTop"));
    QCOMPARE(filterFault(h.chooser.requests.last(), QStringLiteral("*.top")), QString());
    h.control<QTabBar>("TabStrip1")->setCurrentIndex(1);
    QVERIFY(h.click("cmdBrowsePicture"));
    QCOMPARE(filterFault(h.chooser.requests.last(), QStringLiteral("*.bmp")), QString());
    QVERIFY(h.click("cmdBrowsenwc"));
    QCOMPARE(filterFault(h.chooser.requests.last(), QStringLiteral("*.nwc")), QString());
    h.control<QTabBar>("TabStrip1")->setCurrentIndex(0);
    QVERIFY(h.click("cmdCancel"));

    QVERIFY(h.click("cmdCreatePck"));
    QCOMPARE(h.chooser.requests.last().kind, FileDialogKind::Save);
    QVERIFY(h.chooser.requests.last().options.testFlag(FileDialogOption::OverwritePrompt));
    QCOMPARE(filterFault(h.chooser.requests.last(), QStringLiteral("*.lab")), QString());
    h.prompter.answers = {MessageAnswer::Discard};
    QVERIFY(h.click("cmdLoadLabPck"));
    QCOMPARE(h.chooser.requests.last().kind, FileDialogKind::Open);
    QCOMPARE(filterFault(h.chooser.requests.last(), QStringLiteral("*.lab")), QString());
    // A cancel loads nothing and leaves the caption naming no package.
    QCOMPARE(shownTitle(h.window()), langText(LangEntry::ProgramTitle) + QStringLiteral(" - "));
    QCOMPARE(h.treeLines().size(), 5);
    QVERIFY(!h.window().inspectPackage());
    QCOMPARE(filterFault(h.chooser.requests.last(), QStringLiteral("*.lab")), QString());

    gui::Wizard *wizard = wizardAtRequiredFiles(h);
    QVERIFY(wizard);
    QVERIFY(clickIn(wizard, "cmdBrowseLab"));
    QCOMPARE(filterFault(h.chooser.requests.last(), QStringLiteral("*.doc")), QString());
    QCOMPARE(h.chooser.requests.size(), 8);
}

void FileDialogsTest::eachKindStartsWhereItsLastFileWasChosen()
{
    MainWindowHarness h;
    openOverFiles(h);
    const QString document = h.makeFile(QStringLiteral("chosen docs/rip.txt"), "rip");
    const QString chosenFolder = QFileInfo(document).absolutePath();
    QVERIFY(h.selectNode(QStringLiteral("Routing")));
    QVERIFY(h.click("cmdAddLab"));
    QVERIFY(h.click("cmdBrowse")); // cancelled: nothing to remember
    QCOMPARE(h.chooser.requests.last().initialFolder, QString());
    h.chooser.answers = {document};
    QVERIFY(h.click("cmdBrowse"));
    QCOMPARE(h.caption("lblFile"), QStringLiteral("rip.txt"));
    QVERIFY(h.click("cmdBrowse"));
    QCOMPARE(h.chooser.requests.last().initialFolder, chosenFolder);
    // Other kinds keep their own start.
    QVERIFY(h.click("cmdBrowseTop"));
    QCOMPARE(h.chooser.requests.last().initialFolder, QString());
    QVERIFY(h.click("cmdCancel"));

    // A new window reads the settings afresh; the wizard's document dialog is of the same kind.
    h.open();
    gui::Wizard *wizard = wizardAtRequiredFiles(h);
    QVERIFY(wizard);
    QVERIFY(clickIn(wizard, "cmdBrowseLab"));
    QCOMPARE(h.chooser.requests.last().initialFolder, chosenFolder);
    QVERIFY(clickIn(wizard, "cmdBrowseTop"));
    QCOMPARE(h.chooser.requests.last().initialFolder, folders().labs);

    // A remembered folder that has gone since is passed over.
    QVERIFY(QDir(chosenFolder).removeRecursively());
    QVERIFY(clickIn(wizard, "cmdBrowseLab"));
    QCOMPARE(h.chooser.requests.last().initialFolder, folders().labs);
}

void FileDialogsTest::compileSuggestsTheTabTitleAsFileName()
{
    MainWindowHarness h;
    openOverFiles(h, QStringLiteral("TCP/IP: Routing?"));
    QVERIFY(h.click("cmdCreatePck"));
    QCOMPARE(h.chooser.requests.last().suggestedName, QStringLiteral("TCP_IP_ Routing_.lab"));
    QCOMPARE(h.chooser.requests.last().initialFolder, folders().labs);

    // What Windows would refuse or drop, and nothing left of a title.
    QCOMPARE(gui::suggestedPackageName(QStringLiteral(" .Net <core>\t\"v2\" ")), QStringLiteral("Net _core___v2_.lab"));
    QCOMPARE(gui::suggestedPackageName(QStringLiteral("Labs...")), QStringLiteral("Labs.lab"));
    QCOMPARE(gui::suggestedPackageName(QStringLiteral(" . ")), QString());
}

void FileDialogsTest::openRecentListsOpenedAndCompiledPackages()
{
    MainWindowHarness h;
    openOverFiles(h);
    QCOMPARE(recentListed(h.window()), QStringList());
    QTemporaryDir out;
    // A comma in the name, which a list setting might split at.
    const QString first = QDir::cleanPath(out.filePath(QStringLiteral("Net, first.lab")));
    const QString second = QDir::cleanPath(out.filePath(QStringLiteral("second.lab")));
    h.chooser.answers = {first};
    QVERIFY(h.click("cmdCreatePck"));
    QVERIFY(QFileInfo(first).isFile());
    h.chooser.answers = {second};
    QVERIFY(h.click("cmdCreatePck"));
    // The save dialog starts where the last package was saved, the open dialog where it started.
    QCOMPARE(h.chooser.requests.last().initialFolder, QDir::cleanPath(out.path()));
    QCOMPARE(recentListed(h.window()), (QStringList{second, first}));
    h.chooser.answers = {first};
    QVERIFY(h.click("cmdLoadLabPck"));
    QCOMPARE(h.chooser.requests.last().initialFolder, folders().labs);
    QCOMPARE(h.takeMessageEntries(), QList<int>{});
    QCOMPARE(recentListed(h.window()), (QStringList{first, second}));

    // Chosen from the menu, a package opens as after Open Package's dialog: unsaved edits asked
    // about first, no dialog.
    QVERIFY(h.selectNode(QStringLiteral("Vlans")));
    h.window().duplicateLab();
    QVERIFY(h.click("cmdCancel"));
    QVERIFY(h.window().catalogueChanged());
    h.chooser.requests.clear();
    h.prompter.answers = {MessageAnswer::Discard};
    QAction *secondEntry = recentAction(h.window(), second);
    QVERIFY(secondEntry);
    secondEntry->trigger();
    QCOMPARE(h.takeMessageEntries(), QList<int>{static_cast<int>(LangEntry::ReplaceUnsavedQuestion)});
    QVERIFY(h.chooser.requests.isEmpty());
    QCOMPARE(shownTitle(h.window()), langText(LangEntry::ProgramTitle) + QStringLiteral(" - second.lab"));
    QVERIFY(!h.window().catalogueChanged());

    // The list outlives the window; a package deleted since is dropped from it for good.
    h.open();
    QCOMPARE(recentListed(h.window()), (QStringList{second, first}));
    QVERIFY(QFile::remove(second));
    QCOMPARE(recentListed(h.window()), QStringList{first});
    QCOMPARE(getRecentPackages(), QStringList{first});

    // Only the last eight are kept.
    for (int i = 0; i < 9; ++i) {
        const QString path = QDir::cleanPath(out.filePath(QStringLiteral("p%1.lab").arg(i)));
        writeFile(path, "package");
        gui::recentPackages::add(path);
    }
    const QStringList listed = recentListed(h.window());
    QCOMPARE(listed.size(), 8);
    QCOMPARE(QFileInfo(listed.first()).fileName(), QStringLiteral("p8.lab"));
    QCOMPARE(QFileInfo(listed.last()).fileName(), QStringLiteral("p1.lab"));

    QAction *clear = h.window().findChild<QAction *>(QStringLiteral("actionClearRecent"));
    QVERIFY(clear && clear->isEnabled());
    clear->trigger();
    QCOMPARE(recentListed(h.window()), QStringList());
    QVERIFY(!h.window().findChild<QAction *>(QStringLiteral("actionClearRecent"))->isEnabled());
}

FENDREL_GUI_TEST_MAIN(FileDialogsTest)
#include "FileDialogsTest.moc"
