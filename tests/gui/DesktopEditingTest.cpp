// The main window as a desktop editor: undo and redo of each kind of change, the unsaved marker
// following the catalogue file, the Edit menu's commands, and moves by drag and drop.

#include "startup/LanguageTable.h"
#include "support/GuiTestSupport.h"
#include "support/TestSupport.h"
#include "gui/PackageHandOff.h"
#include "gui/WindowPlacement.h"

#include <QAccessible>
#include <QAction>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QMimeData>
#include <QDropEvent>
#include <QTreeView>
#include <QUndoStack>

#include <QSignalSpy>
#include <QTemporaryDir>

#include <atomic>
#include <memory>
#include <thread>

using namespace fendrel;
using namespace fendrel::test;

namespace {

QAction *action(MainWindowHarness &h, const char *name)
{
    return h.window().findChild<QAction *>(QString::fromLatin1(name));
}

} // namespace

class DesktopEditingTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void eachChangeIsUndoneAndRedone();
    void theMarkerFollowsTheSavedCatalogue();
    void duplicateLabCopiesTheSelectedLab();
    void dropsMoveLabsAndSections();
    void filesDroppedOnFieldsAreCheckedAsBrowseDoes();
    void contextMenuAndEscapeActOnTheTree();
    void eachShortcutReachesItsCommand();
    void aPackageNamedLaterGoesToTheWindowThatHoldsTheFolder();
};

void DesktopEditingTest::eachChangeIsUndoneAndRedone()
{
    MainWindowHarness h;
    openTwoLabs(h);
    const QStringList start = h.treeLines();
    QAction *undo = action(h, "actionUndo");
    QAction *redo = action(h, "actionRedo");
    QVERIFY(!undo->isEnabled());

    // Section added, lab renamed, lab deleted, tab renamed: each one step, named after its command.
    QVERIFY(h.selectNode(QStringLiteral("My Labs")));
    QVERIFY(h.click("cmdAddSection"));
    QVERIFY(h.type("txtSection", QStringLiteral("Security")));
    QVERIFY(h.click("cmdAddSection"));
    QCOMPARE(undo->text(), langText(LangEntry::UndoCaption) + u' ' + langText(LangEntry::AddSectionCaption));
    QVERIFY(h.selectNode(QStringLiteral("Rip")));
    QVERIFY(h.click("cmdEdit"));
    QVERIFY(h.type("txtLabname", QStringLiteral("Rip two")));
    QVERIFY(h.click("cmdEdit"));
    QVERIFY(h.selectNode(QStringLiteral("Ospf")));
    QVERIFY(h.click("cmdDelete"));
    QVERIFY(h.click("cmdEditTab"));
    QVERIFY(h.type("txtTab", QStringLiteral("Other Labs")));
    QVERIFY(h.click("cmdEditTab"));
    const QStringList end = h.treeLines();
    QCOMPARE(end, QStringList({u"Other Labs"_qs, u"  Routing"_qs, u"    Rip two"_qs, u"  Security"_qs}));
    QCOMPARE(h.window().undoStack()->count(), 4);

    const QList<QStringList> backwards{
        {u"My Labs"_qs, u"  Routing"_qs, u"    Rip two"_qs, u"  Security"_qs},
        {u"My Labs"_qs, u"  Routing"_qs, u"    Ospf"_qs, u"    Rip two"_qs, u"  Security"_qs},
        {u"My Labs"_qs, u"  Routing"_qs, u"    Ospf"_qs, u"    Rip"_qs, u"  Security"_qs},
        start};
    for (const QStringList &tree : backwards) {
        undo->trigger();
        QCOMPARE(h.treeLines(), tree);
    }
    QVERIFY(!undo->isEnabled());
    // The deleted lab came back with its record, SKU and all.
    QCOMPARE(h.recordOf(QStringLiteral("Ospf")).sku, QStringLiteral("0101001"));
    QVERIFY(h.recordOf(QStringLiteral("Ospf")).link.endsWith(QStringLiteral("ospf.pdf")));
    QCOMPARE(h.control<QLineEdit>("txtTab")->text(), QStringLiteral("My Labs"));
    for (int i = 0; i < 4; ++i)
        redo->trigger();
    QCOMPARE(h.treeLines(), end);
    QCOMPARE(h.catalogue().tabTitle(), QStringLiteral("Other Labs"));

    // Ctrl+Z reaches the stack from the window.
    h.window().activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&h.window()));
    QTest::keyClick(&h.window(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(h.treeLines(), backwards[0]);
}

void DesktopEditingTest::theMarkerFollowsTheSavedCatalogue()
{
    MainWindowHarness h;
    openTwoLabs(h);
    const QString plain = langText(LangEntry::ProgramTitle);
    QCOMPARE(shownTitle(h.window()), plain);
    QVERIFY(h.selectNode(QStringLiteral("Rip")));
    QVERIFY(h.click("cmdDelete"));
    QCOMPARE(shownTitle(h.window()), plain + u'*');
    QVERIFY(h.window().catalogueChanged());
    action(h, "actionUndo")->trigger(); // back to what the file holds
    QCOMPARE(shownTitle(h.window()), plain);
    QVERIFY(!h.window().catalogueChanged());
    action(h, "actionRedo")->trigger();
    QCOMPARE(shownTitle(h.window()), plain + u'*');
    QVERIFY(h.window().saveCatalogue());
    QCOMPARE(shownTitle(h.window()), plain);

    // Delete All deletes the file too, so the empty catalogue is the saved one; undone, the labs
    // are back unsaved and quitting asks about them.
    h.prompter.answers = {MessageAnswer::Yes};
    QVERIFY(h.click("cmdDeleteAll"));
    QCOMPARE(h.treeLines().size(), 1);
    QVERIFY(!QFile::exists(h.iniPath()));
    QCOMPARE(shownTitle(h.window()), plain);
    action(h, "actionUndo")->trigger();
    QCOMPARE(h.treeLines(), QStringList({u"My Labs"_qs, u"  Routing"_qs, u"    Ospf"_qs}));
    QCOMPARE(shownTitle(h.window()), plain + u'*');
    QVERIFY(h.window().catalogueChanged());
    h.takeMessageEntries();
    h.prompter.answers = {MessageAnswer::Cancel};
    QVERIFY(!h.window().close());
    QCOMPARE(h.prompter.shown.last().buttons, MessageButtons::YesNoSaveCancel);
}

void DesktopEditingTest::duplicateLabCopiesTheSelectedLab()
{
    MainWindowHarness h;
    openTwoLabs(h);
    QVERIFY(h.selectNode(QStringLiteral("Ospf")));
    action(h, "actionDuplicateLab")->trigger();
    QCOMPARE(h.treeLines(), QStringList({u"My Labs"_qs, u"  Routing"_qs, u"    Ospf"_qs, u"    Ospf (copy)"_qs, u"    Rip"_qs}));
    QCOMPARE(h.currentNodeText(), QStringLiteral("Ospf (copy)"));
    QCOMPARE(h.caption("cmdEdit"), langText(LangEntry::SaveLabCaption)); // ready to edit
    const LabRecord &copy = h.recordOf(QStringLiteral("Ospf (copy)"));
    const LabRecord &original = h.recordOf(QStringLiteral("Ospf"));
    QCOMPARE(copy.link, original.link);
    QCOMPARE(copy.topFile, original.topFile);
    QVERIFY(copy.key != original.key);
    QVERIFY(copy.sku.isEmpty());
    QVERIFY(h.click("cmdCancel"));
    // Saved, the copy gets its SKU after its section's others.
    QVERIFY(h.window().saveCatalogue());
    QVERIFY(readFile(h.iniPath()).contains("lab1=Ospf (copy)\r\n"));
    QVERIFY(readFile(h.iniPath()).contains("lab2=Rip\r\n"));
    QCOMPARE(action(h, "actionUndo")->text(), langText(LangEntry::UndoCaption) + u' ' + langText(LangEntry::DuplicateLabCaption));
    // Nothing to copy when a section is selected.
    QVERIFY(h.selectNode(QStringLiteral("Routing")));
    action(h, "actionDuplicateLab")->trigger();
    QCOMPARE(h.treeLines().size(), 5);
}

// Drops on the tree as a file manager's or the tree's own drag delivers them, at the top edge of
// an item (above it) or its middle (onto it): a lab above another, a lab onto another section (its
// SKU goes, as an added lab has none), a section above another; each one step.
void DesktopEditingTest::dropsMoveLabsAndSections()
{
    MainWindowHarness h;
    openTwoLabs(h, true);
    auto *view = h.control<QTreeView>("tvlabs");
    QAbstractItemModel *model = view->model();
    view->expandAll();
    const auto indexOf = [model](const QString &text) {
        return model->match(model->index(0, 0), Qt::DisplayRole, text, 1, Qt::MatchExactly | Qt::MatchRecursive).value(0);
    };
    const auto drop = [&](const QString &dragged, const QString &target, bool above) {
        std::unique_ptr<QMimeData> data(model->mimeData({indexOf(dragged)}));
        if (!data) // the tab is not dragged at all
            return false;
        const QRect item = view->visualRect(indexOf(target));
        const QPoint at = above ? QPoint(item.center().x(), item.top() + 1) : item.center();
        QDragEnterEvent enter(at, Qt::MoveAction, data.get(), Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(view->viewport(), &enter);
        QDragMoveEvent move(at, Qt::MoveAction, data.get(), Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(view->viewport(), &move);
        if (!move.isAccepted())
            return false;
        QDropEvent dropped(at, Qt::MoveAction, data.get(), Qt::LeftButton, Qt::NoModifier);
        const int steps = h.window().undoStack()->count();
        QApplication::sendEvent(view->viewport(), &dropped);
        view->expandAll();
        return h.window().undoStack()->count() == steps + 1;
    };
    const QStringList start = h.treeLines();

    QVERIFY(drop(QStringLiteral("Rip"), QStringLiteral("Ospf"), true));
    QCOMPARE(h.treeLines(), QStringList({u"My Labs"_qs, u"  Routing"_qs, u"    Rip"_qs, u"    Ospf"_qs, u"  Switching"_qs, u"    Vlans"_qs}));
    QCOMPARE(h.recordOf(QStringLiteral("Rip")).sku, QStringLiteral("0101002")); // same section: kept
    QVERIFY(drop(QStringLiteral("Vlans"), QStringLiteral("Routing"), false));
    QCOMPARE(h.treeLines(), QStringList({u"My Labs"_qs, u"  Routing"_qs, u"    Rip"_qs, u"    Ospf"_qs, u"    Vlans"_qs, u"  Switching"_qs}));
    QVERIFY(h.recordOf(QStringLiteral("Vlans")).sku.isEmpty());
    QVERIFY(drop(QStringLiteral("Switching"), QStringLiteral("Routing"), true));
    QCOMPARE(h.treeLines(), QStringList({u"My Labs"_qs, u"  Switching"_qs, u"  Routing"_qs, u"    Rip"_qs, u"    Ospf"_qs, u"    Vlans"_qs}));
    // A lab dropped on a lab goes beside it; a section stays along the tab, and the tab stays
    // where it is.
    QVERIFY(drop(QStringLiteral("Rip"), QStringLiteral("Vlans"), false));
    QCOMPARE(h.treeLines().mid(3), QStringList({u"    Ospf"_qs, u"    Vlans"_qs, u"    Rip"_qs}));
    QVERIFY(!drop(QStringLiteral("Routing"), QStringLiteral("Switching"), false));
    QVERIFY(!drop(QStringLiteral("My Labs"), QStringLiteral("Routing"), true));
    QCOMPARE(h.window().undoStack()->count(), 4);
    QCOMPARE(action(h, "actionUndo")->text(), langText(LangEntry::UndoCaption) + u' ' + langText(LangEntry::MoveStepText));

    // Saved, the file lists them in the new order, the moved lab with a SKU of its new section.
    QVERIFY(h.window().saveCatalogue());
    const QByteArray saved = readFile(h.iniPath());
    QVERIFY(saved.contains("[SECTION0]\r\nsectionname=Switching\r\n"));
    QVERIFY(saved.contains("[SECTION1]\r\nsectionname=Routing\r\n"));
    QVERIFY(saved.contains("lab2=Rip\r\n"));
    QVERIFY(saved.contains("lab1=Vlans\r\n"));
    QVERIFY(!saved.contains("0102001"));
    for (int i = 0; i < 4; ++i)
        action(h, "actionUndo")->trigger();
    QCOMPARE(h.treeLines(), start);
    QCOMPARE(h.recordOf(QStringLiteral("Vlans")).sku, QStringLiteral("0102001"));
}

void DesktopEditingTest::filesDroppedOnFieldsAreCheckedAsBrowseDoes()
{
    MainWindowHarness h;
    openTwoLabs(h);
    auto *pictureField = h.control<QWidget>("lblPictureFile");
    const QString fake = h.makeFile(QStringLiteral("fake.png"), "not an image");
    QVERIFY(!h.window().dropFileOn(pictureField, fake)); // nothing open for editing: no field takes it
    QVERIFY(h.selectNode(QStringLiteral("Rip")));
    QVERIFY(h.click("cmdEdit"));
    QVERIFY(h.window().dropFileOn(pictureField, fake));
    QCOMPARE(h.prompter.texts(), QStringList{langText(LangEntry::FileRefusedMessage)
                                                 .arg(fake, langText(LangEntry::NotAReadablePictureText))});
    QVERIFY(h.window().editBuffer().picture.isEmpty());
    const QString topology = h.makeFile(QStringLiteral("top/other.top"), "net");
    QVERIFY(h.window().dropFileOn(h.control<QWidget>("lblTopFile"), topology));
    QCOMPARE(h.caption("lblTopFile"), QStringLiteral("other.top"));
    QVERIFY(h.chooser.requests.isEmpty()); // no dialog was shown for either
    QVERIFY(h.click("cmdEdit"));
    QCOMPARE(h.recordOf(QStringLiteral("Rip")).topFile, topology);
}

void DesktopEditingTest::contextMenuAndEscapeActOnTheTree()
{
    MainWindowHarness h;
    openTwoLabs(h);
    CatalogueNode *rip = h.catalogue().tree().nodeByKey(h.recordOf(QStringLiteral("Rip")).key);
    QStringList texts;
    for (QAction *a : h.window().contextActionsFor(rip))
        texts << a->text();
    QCOMPARE(h.currentNodeText(), QStringLiteral("Rip"));
    // What the buttons offer for the node, Duplicate Lab after Edit Lab.
    QCOMPARE(texts, QStringList({langText(LangEntry::AddSectionCaption), langText(LangEntry::AddLabCaption),
                                 langText(LangEntry::EditLabCaption), langText(LangEntry::DuplicateLabCaption),
                                 langText(LangEntry::DeleteCaption)}));
    texts.clear();
    for (QAction *a : h.window().contextActionsFor(rip->parent()))
        texts << a->text();
    QCOMPARE(texts, QStringList({langText(LangEntry::EditSectionCaption), langText(LangEntry::AddLabCaption)}));
    h.window().contextActionsFor(rip->parent()).value(1)->trigger(); // Add Lab
    QCOMPARE(h.caption("cmdAddLab"), langText(LangEntry::SaveLabCaption));
    // Esc cancels the edit as Cancel does.
    h.window().activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&h.window()));
    QTest::keyClick(&h.window(), Qt::Key_Escape);
    QCOMPARE(h.caption("cmdAddLab"), langText(LangEntry::AddLabCaption));
    QCOMPARE(h.treeLines().size(), 4);
    // On the wizard, Esc asks its cancel question: No keeps it open, Yes closes it.
    gui::Wizard *wizard = h.window().showWizard();
    h.takeMessageEntries();
    h.prompter.answers = {MessageAnswer::No, MessageAnswer::Yes};
    QTest::keyClick(wizard, Qt::Key_Escape);
    QVERIFY(wizard->isVisible());
    QTest::keyClick(wizard, Qt::Key_Escape);
    QVERIFY(!wizard->isVisible());
    QCOMPARE(h.takeMessageEntries().size(), 2);
}

// Each shortcut, pressed in the window, reaches its command and no other; the order keeps each
// command's effect harmless to the next.
void DesktopEditingTest::eachShortcutReachesItsCommand()
{
    MainWindowHarness h;
    openTwoLabs(h);
    QVERIFY(h.selectNode(QStringLiteral("Rip")));
    h.prompter.answers = {MessageAnswer::No}; // Delete's question
    const std::pair<const char *, QKeySequence> presses[] = {
        {"actionProblems", QKeySequence(Qt::CTRL | Qt::Key_9)},
        {"actionDuplicateLab", QKeySequence(Qt::CTRL | Qt::Key_D)},
        {"actionUndo", QKeySequence(Qt::CTRL | Qt::Key_Z)},
        {"actionRedo", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)},
        {"actionUndo", QKeySequence(Qt::CTRL | Qt::Key_Z)},
        {"actionRedo", QKeySequence(Qt::CTRL | Qt::Key_Y)},
        {"actionDelete", QKeySequence(Qt::Key_Delete)},
        {"actionEdit", QKeySequence(Qt::Key_F2)},
        {"actionSaveCatalogue", QKeySequence(Qt::CTRL | Qt::Key_S)},
        {"actionCompilePackage", QKeySequence(Qt::CTRL | Qt::Key_B)},
        {"actionOpenPackage", QKeySequence(Qt::CTRL | Qt::Key_O)},
        {"actionManual", QKeySequence(Qt::Key_F1)},
        {"actionQuit", QKeySequence(Qt::CTRL | Qt::Key_Q)},
    };
    for (const auto &[name, key] : presses) {
        QSignalSpy triggered(action(h, name), &QAction::triggered);
        h.window().activateWindow(); // over the manual, once F1 opened it
        QVERIFY(QTest::qWaitForWindowActive(&h.window()));
        QTest::keySequence(&h.window(), key);
        QVERIFY2(triggered.size() == 1, name);
        if (std::string_view(name) == "actionEdit") {
            QCOMPARE(h.caption("cmdEdit"), langText(LangEntry::SaveLabCaption));
            QTest::keyClick(&h.window(), Qt::Key_Escape);
        }
    }
    QCOMPARE(h.treeLines().size(), 5); // the duplicate, redone, and Rip kept by the No
    QCOMPARE(h.window().undoStack()->count(), 1);
    QVERIFY(!h.window().isVisible());
}

// A second "fendrel FILE.lab" hands the file to the window over a socket named after its folder.
void DesktopEditingTest::aPackageNamedLaterGoesToTheWindowThatHoldsTheFolder()
{
    QTemporaryDir data;
    QTemporaryDir other;
    QVERIFY(!gui::PackageHandOff::handTo(data.path(), QStringLiteral("/labs/a.lab"))); // nobody listens yet
    gui::PackageHandOff window(data.path());
    QVERIFY(window.listen());
    QSignalSpy handed(&window, &gui::PackageHandOff::packageHanded);
    // The new process waits for the window's answer, which needs this thread's event loop.
    std::atomic_bool taken = false;
    std::atomic_bool elsewhere = true;
    std::thread starter([&] {
        elsewhere = gui::PackageHandOff::handTo(other.path(), QStringLiteral("/labs/b.lab")); // another folder's window
        taken = gui::PackageHandOff::handTo(data.path(), QStringLiteral("/labs/My Labs.lab"));
    });
    QTRY_COMPARE(handed.size(), 1);
    starter.join();
    QVERIFY(taken);
    QVERIFY(!elsewhere);
    QCOMPARE(handed[0][0].toString(), QStringLiteral("/labs/My Labs.lab"));
}

FENDREL_GUI_TEST_MAIN(DesktopEditingTest)
#include "DesktopEditingTest.moc"
