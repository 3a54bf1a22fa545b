// The windows around the main window: the page-link window (a real PDF shown in it, the page
// handed back to the main window, and a recording viewer for what it asks of a viewer), the
// progress windows, the splash, the program's icon, the message boxes, the file dialogs, and the
// lab wizard walked as an author walks it, with what it leaves behind: the catalogue file, the
// tree, and the start-up setting shared with the main window.

#include "gui/DialogFileChooser.h"
#include "gui/FileDialogs.h"
#include "gui/Icon.h"
#include "gui/MessageBoxPrompter.h"
#include "gui/ProgressWindows.h"
#include "gui/Splash.h"
#include "startup/Folders.h"
#include "startup/LanguageTable.h"
#include "startup/Settings.h"
#include "support/GuiTestSupport.h"
#include "text/TextHelpers.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPageSize>
#include <QPainter>
#include <QPdfDocument>
#include <QPdfPageNavigator>
#include <QPdfView>
#include <QPdfWriter>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTimer>

using namespace fendrel;
using namespace fendrel::test;

namespace {

QString writePdf(const QString &path, int pages)
{
    QPdfWriter writer(path);
    writer.setPageSize(QPageSize(QPageSize::A5));
    QPainter painter(&writer);
    QFont font = painter.font();
    font.setPointSize(48);
    painter.setFont(font);
    for (int page = 1; page <= pages; ++page) {
        if (page > 1)
            writer.newPage();
        painter.drawText(QRect(0, 0, writer.width(), writer.height()), Qt::AlignCenter, u"Page %1"_qs.arg(page));
    }
    return path;
}

// Remembers what the window asked of it and shows nothing.
class RecordingViewer : public gui::DocumentViewer {
public:
    explicit RecordingViewer(QStringList &log, bool isPdf) : m_log(log) { m_log << u"pdf=%1"_qs.arg(isPdf); }
    bool open(const QString &path, qint32 page) override
    {
        m_log << u"open %1 at %2"_qs.arg(path).arg(gui::viewerPageIndex(page));
        return !path.endsWith(u"broken.pdf"_qs);
    }
    void goToPage(qint32 page) override
    {
        m_log << u"go %1"_qs.arg(gui::viewerPageIndex(page));
        Q_EMIT pageShown(gui::userPageNumber(gui::viewerPageIndex(page)));
    }
    bool followsPage() const override { return true; }
    bool canExitApplication() const override { return true; }
    void closeDocument(bool exitApplication) override { m_log << (exitApplication ? u"close, exit"_qs : u"close"_qs); }
    QWidget *view() override { return nullptr; }

private:
    QStringList &m_log;
};

gui::ViewerFactory recording(QStringList &log)
{
    return [&log](bool isPdf) { return std::make_unique<RecordingViewer>(log, isPdf); };
}

QLineEdit *pageBoxOf(gui::PDFLink *link)
{
    return link->findChild<QLineEdit *>(u"txtPDFPageNumber"_qs);
}

// Calls work every few milliseconds until it reports done; a busy machine may take a while to
// show a window, and a fixed delay would then miss it.
template <typename Work>
void untilDone(Work work)
{
    auto *timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, work] {
        if (!work())
            return;
        timer->stop();
        timer->deleteLater();
    });
    timer->start();
}

// Runs work on the next modal dialog once it is up.
template <typename Dialog, typename Work>
void whenModal(Work work)
{
    untilDone([work] {
        auto *dialog = qobject_cast<Dialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return false;
        work(dialog);
        if (dialog->isVisible()) // a failed check must not leave the test waiting on the dialog
            dialog->reject();
        return true;
    });
}

// Acts on the wizard's own controls; several share their names with the main window's.
class WizardDriver {
public:
    explicit WizardDriver(gui::Wizard *wizard) : m_wizard(wizard) {}

    template <typename T>
    T *control(const char *name) const
    {
        return m_wizard->findChild<T *>(QString::fromLatin1(name));
    }
    bool click(const char *name) { return clickIn(m_wizard, name); }
    bool type(const char *name, const QString &text) { return typeIn(m_wizard, name, text); }
    // From the first page to the last, with a title for each level and the two required files.
    bool walkToFinish(MainWindowHarness &h, const QString &tabTitle, const QString &document)
    {
        h.chooser.answers = {document, h.makeFile(u"l.top"_qs)};
        return click("cmdNext") && type("txtTabTitle", tabTitle) && click("cmdNext") &&
               type("txtSection", u"S"_qs) && type("txtLabTitle", u"L"_qs) && click("cmdNext") &&
               click("cmdBrowseLab") && click("cmdBrowseTop") && click("cmdNext") && click("cmdNext") &&
               click("cmdNext") && page() == u"fraFinish";
    }
    // The one page frame on screen.
    QString page() const
    {
        QStringList shown;
        for (const char *frame :
             {"fraIntro", "fraTab", "fraSection", "fraReqFiles", "fraOptFiles", "fraDescription", "fraFinish"})
            if (control<QWidget>(frame)->isVisibleTo(m_wizard))
                shown << QString::fromLatin1(frame);
        return shown.join(u',');
    }
    QString label(const char *name) const { return control<QLabel>(name)->text(); }

private:
    gui::Wizard *m_wizard;
};

} // namespace

class ProgramWindowsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void thePageLinkShowsAPdfHandsBackItsPageAndAsksTheViewerAsTheDocumentNeeds();
    void progressSplashMessageBoxesAndFileDialogsBehaveAsTheDesktopExpects();
    void theWizardWalkedPageByPageOrCancelledAndItsStartUpBox();
    void aWizardCatalogueIsWrittenOnlyWhereItCanBeOrHandedOnAlone();
};

void ProgramWindowsTest::thePageLinkShowsAPdfHandsBackItsPageAndAsksTheViewerAsTheDocumentNeeds()
{
    MainWindowHarness h;
    h.open();
    QVERIFY(h.type("txtTab", u"Labs"_qs));
    h.pressEnter();
    QVERIFY(h.type("txtSection", u"Routing"_qs));
    QVERIFY(h.click("cmdAddSection"));
    QVERIFY(h.type("txtLabname", u"Ospf"_qs));
    QTemporaryDir folder;
    const QString document = writePdf(folder.filePath(u"OSPF Guide.PDF"_qs), 8);
    h.chooser.answers = {document};
    h.prompter.answers = {MessageAnswer::Yes};
    QVERIFY(h.click("cmdBrowse"));
    QCOMPARE(h.takeMessageEntries(), QList<int>{94});

    gui::PDFLink *link = h.window().pageLink();
    QVERIFY(link);
    QVERIFY(QTest::qWaitForWindowExposed(link));
    QVERIFY(!link->isModal()); // the main window stays usable beside it
    QCOMPARE(link->windowTitle(), u"ospf guide.pdf"_qs);
    QLineEdit *pageBox = pageBoxOf(link);
    QCOMPARE(pageBox->text(), u"1"_qs);
    auto *view = link->findChild<QPdfView *>();
    QVERIFY(view);
    QCOMPARE(view->document()->pageCount(), 8);

    // Typing a number moves the document there.
    typeOver(pageBox, u"3"_qs);
    QCOMPARE(view->pageNavigator()->currentPage(), 2);
    QTRY_VERIFY(view->verticalScrollBar()->value() > 0);

    // Scrolling moves the box along with the page on screen.
    view->verticalScrollBar()->setValue(view->verticalScrollBar()->maximum());
    QTRY_VERIFY(pageBox->text().toInt() >= 7);
    QVERIFY(clickIn(link, "cmdPreviousPage"));
    QTRY_COMPARE(view->pageNavigator()->currentPage(), pageBox->text().toInt() - 1);

    // A page that is no number keeps the window open and hands nothing back.
    for (const QString &typed : {u"12a"_qs, u"nan"_qs, u"-inf"_qs}) {
        typeOver(pageBox, typed);
        QVERIFY(clickIn(link, "cmdExitSaveAndReturn"));
        QCOMPARE(h.prompter.shown.value(0).icon, MessageIcon::Critical);
        QCOMPARE(h.takeMessageEntries(), QList<int>{122});
        QVERIFY(link->isVisible());
    }
    QCOMPARE(h.window().pageLink(), link);
    QVERIFY(h.window().editBuffer().linkPage.isEmpty());

    typeOver(pageBox, u"3"_qs);
    QVERIFY(clickIn(link, "cmdExitSaveAndReturn"));
    QVERIFY(h.prompter.shown.isEmpty());
    QCOMPARE(h.window().editBuffer().linkPage, u"3"_qs);
    QTRY_VERIFY(!h.window().pageLink());
    const QString pageShown = langText(LangEntry::LinkedPageText).arg(3);
    QCOMPARE(h.caption("lblLinkPage"), pageShown);

    // The page is stored with the lab, and shown with it whenever the lab is selected.
    h.chooser.answers = {h.makeFile(u"ospf.top"_qs)};
    QVERIFY(h.click("cmdBrowseTop"));
    QVERIFY(h.click("cmdAddLab"));
    QCOMPARE(h.recordOf(u"Ospf"_qs).linkPage, u"3"_qs);
    QVERIFY(h.selectNode(u"Routing"_qs));
    QCOMPARE(h.caption("lblLinkPage"), QString());
    QVERIFY(h.selectNode(u"Ospf"_qs));
    QCOMPARE(h.caption("lblLinkPage"), pageShown);

    // An edit keeps the stored page until another is chosen; Cancel hands nothing back, whatever
    // the box holds.
    QVERIFY(h.click("cmdEdit"));
    h.chooser.answers = {document, document};
    h.prompter.answers = {MessageAnswer::Yes, MessageAnswer::Yes};
    QVERIFY(h.click("cmdBrowse"));
    QCOMPARE(h.caption("lblLinkPage"), pageShown);
    typeOver(pageBoxOf(h.window().pageLink()), u"2"_qs);
    QVERIFY(clickIn(h.window().pageLink(), "cmdCancelAndReturn"));
    QTRY_VERIFY(!h.window().pageLink());
    QVERIFY(h.window().editBuffer().linkPage.isEmpty());
    QVERIFY(h.click("cmdBrowse"));
    typeOver(pageBoxOf(h.window().pageLink()), u"5"_qs);
    QVERIFY(clickIn(h.window().pageLink(), "cmdExitSaveAndReturn"));
    QCOMPARE(h.caption("lblLinkPage"), langText(LangEntry::LinkedPageText).arg(5));
    QTRY_VERIFY(!h.window().pageLink());

    // A document the viewer cannot read says so, and the page can still be typed.
    h.chooser.answers = {h.makeFile(u"broken.pdf"_qs, "not a pdf")};
    h.prompter.answers = {MessageAnswer::Yes};
    h.takeMessageEntries();
    QVERIFY(h.click("cmdBrowse"));
    QCOMPARE(h.takeMessageEntries(), (QList<int>{94, 73}));
    QVERIFY(h.window().pageLink() && h.window().pageLink()->isVisible());

    // What the window asks of a viewer follows the document and the close box; help opens only an existing
    // manual.
    MainWindowHarness viewer;
    viewer.open();
    QStringList log;
    {
        gui::PDFLink linkWindow(nullptr, viewer.prompter, gui::PDFLink::Purpose::PageLink, recording(log));
        linkWindow.loadTheDocument(u"/labs/Lab1.PDF"_qs);
        QVERIFY(linkWindow.isPdf());
        QCOMPARE(linkWindow.windowTitle(), u"lab1.pdf"_qs);
        QTest::keyClicks(pageBoxOf(&linkWindow), u"2"_qs); // the box reads "12" now
        QCOMPARE(pageBoxOf(&linkWindow)->text(), u"12"_qs);
        typeOver(pageBoxOf(&linkWindow), u"-3"_qs); // no page before the first
        linkWindow.findChild<QCheckBox *>(u"chkCloseApp"_qs)->setChecked(true);
        linkWindow.close();
        QCOMPARE(linkWindow.documentPath(), QString());
    }
    QCOMPARE(log, (QStringList{u"pdf=1"_qs, u"open /labs/Lab1.PDF at 0"_qs, u"go 11"_qs, u"go 0"_qs,
                               u"close, exit"_qs}));

    log.clear();
    {
        // Built alone, the window hands its page on by its signal only.
        gui::PDFLink linkWindow(nullptr, viewer.prompter, gui::PDFLink::Purpose::PageLink, recording(log));
        QSignalSpy chosen(&linkWindow, &gui::PDFLink::pageChosen);
        linkWindow.loadTheDocument(u"/labs/notes.doc"_qs);
        QVERIFY(!linkWindow.isPdf());
        QVERIFY(clickIn(&linkWindow, "cmdExitSaveAndReturn"));
        QCOMPARE(chosen.size(), 1);
        QCOMPARE(chosen.first().first().toString(), u"1"_qs);
    }
    QCOMPARE(log, (QStringList{u"pdf=0"_qs, u"open /labs/notes.doc at 0"_qs, u"close"_qs}));
    QVERIFY(viewer.window().editBuffer().linkPage.isEmpty());

    // Esc leaves as Cancel and Return does: closed, no page handed on.
    {
        gui::PDFLink linkWindow(nullptr, viewer.prompter, gui::PDFLink::Purpose::PageLink, recording(log));
        QSignalSpy chosen(&linkWindow, &gui::PDFLink::pageChosen);
        linkWindow.loadTheDocument(u"/labs/Lab1.PDF"_qs);
        linkWindow.show();
        QTest::keyClick(&linkWindow, Qt::Key_Escape);
        QVERIFY(!linkWindow.isVisible());
        QCOMPARE(chosen.size(), 0);
    }

    // No document at all: NoDocumentMessage, nothing opened.
    log.clear();
    {
        gui::PDFLink linkWindow(nullptr, viewer.prompter, gui::PDFLink::Purpose::PageLink, recording(log));
        linkWindow.loadTheDocument(QString());
    }
    QCOMPARE(viewer.takeMessageEntries(), QList<int>{74});
    QVERIFY(!log.join(u'\n').contains(u"open"_qs));

    // Help opens the manual only when it exists.
    MainWindowHarness helped;
    QTemporaryDir program;
    const QString realProgram = folders().program;
    folders().program = withTrailingSeparator(program.path());
    helped.open();
    QStringList helpLog;
    helped.window().setViewerFactory(recording(helpLog));
    auto *help = helped.control<QLabel>("lblHelp");
    Q_EMIT help->linkActivated(u"help"_qs);
    QVERIFY(!helped.window().pageLink());
    QVERIFY(helpLog.isEmpty());

    writeFile(program.filePath(u"help.pdf"_qs), "%PDF-1.4");
    Q_EMIT help->linkActivated(u"help"_qs);
    QVERIFY(helped.window().pageLink());
    QCOMPARE(helpLog.value(1), u"open %1 at 0"_qs.arg(program.filePath(u"help.pdf"_qs)));
    // The manual links no page: there is nothing to save.
    QVERIFY(!helped.window().pageLink()->findChild<QPushButton *>(u"cmdExitSaveAndReturn"_qs)->isVisible());
    helped.close();
    folders().program = realProgram;
}

// A progress window loaded again starts from an empty bar and its own label. It carries the
// program's icon, as the main window does.
void ProgramWindowsTest::progressSplashMessageBoxesAndFileDialogsBehaveAsTheDesktopExpects()
{
    const QIcon icon = gui::iconResource(gui::kIconResource);
    QVERIFY(icon.availableSizes().contains(QSize(16, 16)));
    MainWindowHarness h;
    QCOMPARE(h.open().windowIcon().availableSizes(), icon.availableSizes());
    gui::SaveStatus status;
    status.load(u"Fendrel Lab Builder - Net.lab"_qs);
    QCOMPARE(status.windowIcon().availableSizes(), icon.availableSizes());
    status.showNow();
    QVERIFY(status.isVisible());
    status.huffmanProgress(40);
    QCOMPARE(status.ProgressBar1->value(), 40);
    status.unload();
    QCOMPARE(status.ProgressBar1->value(), 0);
    QVERIFY(!status.isVisible());
    status.lblCompiling->setText(u"Compressing Lab Package..."_qs);
    status.huffmanProgress(70);
    status.load(u"Fendrel Lab Builder"_qs);
    QCOMPARE(status.ProgressBar1->value(), 0);
    QCOMPARE(status.lblCompiling->text(), langText(LangEntry::CompilingPackageProgress));

    // A click dismisses the splash long before its time is up.
    untilDone([] {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (w->objectName() == u"frmSplash" && w->isVisible()) {
                QTest::mouseClick(w, Qt::LeftButton);
                return true;
            }
        }
        return false;
    });
    QElapsedTimer shown;
    shown.start();
    gui::showSplash(60000);
    QVERIFY(shown.elapsed() < 30000);
    for (QWidget *w : QApplication::topLevelWidgets())
        QVERIFY(w->objectName() != u"frmSplash" || !w->isVisible());

    // Message boxes map icons, buttons and answers, standing over the window that raised them.
    // A box stands over the window that raised it, not over the prompter's own window.
    QWidget owner;
    QWidget raiser;
    owner.show();
    raiser.show();
    raiser.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&raiser));
    gui::MessageBoxPrompter prompter(&owner);
    whenModal<QMessageBox>([&raiser](QMessageBox *box) {
        QCOMPARE(box->parentWidget(), &raiser);
        QCOMPARE(box->icon(), QMessageBox::Question);
        QCOMPARE(box->windowTitle(), u"Fendrel"_qs);
        QCOMPARE(box->standardButtons(), QMessageBox::Yes | QMessageBox::No);
        box->button(QMessageBox::No)->click();
    });
    QVERIFY(!prompter.ask(LangEntry::CatalogueChangedQuestion));

    whenModal<QMessageBox>([](QMessageBox *box) { box->button(QMessageBox::Yes)->click(); });
    QCOMPARE(prompter.show(u"Go on?"_qs, MessageIcon::Exclamation, MessageButtons::YesNo, u"T"_qs), MessageAnswer::Yes);

    whenModal<QMessageBox>([](QMessageBox *box) {
        QCOMPARE(box->icon(), QMessageBox::Warning);
        QCOMPARE(box->text(), langText(LangEntry::NothingToCompileMessage));
        QCOMPARE(box->standardButtons(), QMessageBox::Ok);
        box->button(QMessageBox::Ok)->click();
    });
    QCOMPARE(prompter.message(LangEntry::NothingToCompileMessage, MessageIcon::Exclamation), MessageAnswer::Ok);

    whenModal<QMessageBox>([](QMessageBox *box) {
        QCOMPARE(box->icon(), QMessageBox::NoIcon);
        box->reject();
    });
    QCOMPARE(prompter.message(LangEntry::SectionNameMissingMessage, MessageIcon::None), MessageAnswer::Ok);

    // A question whose Yes destroys something: Enter answers No.
    whenModal<QMessageBox>([](QMessageBox *box) {
        QCOMPARE(box->defaultButton(), box->button(QMessageBox::No));
        QTest::keyClick(box, Qt::Key_Return);
    });
    QVERIFY(!prompter.askDestructive(LangEntry::DeleteAllQuestion));

    // The quit question: four answers, Cancel by default and by Esc.
    whenModal<QMessageBox>([](QMessageBox *box) {
        QCOMPARE(box->standardButtons(), QMessageBox::Yes | QMessageBox::No | QMessageBox::Save | QMessageBox::Cancel);
        QCOMPARE(box->button(QMessageBox::Save)->text(), u"Save Catalogue"_qs);
        QCOMPARE(box->defaultButton(), box->button(QMessageBox::Cancel));
        QTest::keyClick(box, Qt::Key_Escape);
    });
    QCOMPARE(prompter.message(LangEntry::CatalogueChangedQuestion, MessageIcon::Question, MessageButtons::YesNoSaveCancel),
             MessageAnswer::Cancel);
    whenModal<QMessageBox>([](QMessageBox *box) { box->button(QMessageBox::Save)->click(); });
    QCOMPARE(prompter.message(LangEntry::CatalogueChangedQuestion, MessageIcon::Question, MessageButtons::YesNoSaveCancel),
             MessageAnswer::Save);

    // The file dialogs follow the request: its filters, folder, name, kind and options.
    QCOMPARE(gui::DialogFileChooser::nameFilter({u"Image Files (*.JPG;*.JPEG;*.PNG)"_qs, u"*.JPG;*.JPEG;*.PNG"_qs}),
             u"Image Files (*.jpg *.JPG *.jpeg *.JPEG *.png *.PNG)"_qs);
    QCOMPARE(gui::DialogFileChooser::nameFilter({u"All Files (*.*)"_qs, u"*.*"_qs}), u"All Files (*.*)"_qs);

    QTemporaryDir folder;
    writeFile(folder.filePath(u"Net.lab"_qs), "package");
    gui::DialogFileChooser chooser;
    FileRequest save;
    save.kind = FileDialogKind::Save;
    save.title = langText(LangEntry::SavePackageDialogTitle);
    save.filters = gui::withAllSupported({{u"Lab Package (*.lab)"_qs, u"*.lab"_qs}});
    save.initialFolder = folder.path();
    save.suggestedName = u"TCP_IP.lab"_qs;
    save.defaultExtension = u"lab"_qs;
    save.options = FileDialogOption::OverwritePrompt | FileDialogOption::HideReadOnly;
    whenModal<QFileDialog>([&folder](QFileDialog *dialog) {
        QCOMPARE(dialog->windowTitle(), langText(LangEntry::SavePackageDialogTitle));
        QCOMPARE(dialog->acceptMode(), QFileDialog::AcceptSave);
        QCOMPARE(dialog->defaultSuffix(), u"lab"_qs);
        QCOMPARE(dialog->nameFilters(),
                 (QStringList{langText(LangEntry::AllSupportedFilesFilter) + u" (*.lab *.LAB)"_qs,
                              u"Lab Package (*.lab *.LAB)"_qs, langText(LangEntry::AllFilesFilter) + u" (*)"_qs}));
        QCOMPARE(QDir(dialog->directory()).canonicalPath(), QDir(folder.path()).canonicalPath());
        QCOMPARE(QFileInfo(dialog->selectedFiles().value(0)).fileName(), u"TCP_IP.lab"_qs);
        QVERIFY(!dialog->testOption(QFileDialog::DontConfirmOverwrite));
        // What an accepted dialog then returns depends on its folder view having loaded, which
        // happens in the background; the answer itself is Qt's.
        dialog->reject();
    });
    QCOMPARE(chooser.choose(save), QStringList{});

    FileRequest open;
    open.title = u"Open Lab Package..."_qs;
    open.filters = save.filters;
    open.initialFolder = folder.path();
    open.options = FileDialogOption::FileMustExist | FileDialogOption::PathMustExist;
    whenModal<QFileDialog>([](QFileDialog *dialog) {
        QCOMPARE(dialog->acceptMode(), QFileDialog::AcceptOpen);
        QCOMPARE(dialog->fileMode(), QFileDialog::ExistingFile);
        dialog->reject();
    });
    QCOMPARE(chooser.choose(open), QStringList{});

    open.options |= FileDialogOption::AllowMultiple;
    whenModal<QFileDialog>([](QFileDialog *dialog) {
        QCOMPARE(dialog->fileMode(), QFileDialog::ExistingFiles);
        dialog->reject();
    });
    chooser.choose(open);
}

void ProgramWindowsTest::theWizardWalkedPageByPageOrCancelledAndItsStartUpBox()
{
    MainWindowHarness h;
    writeFile(h.iniPath(), "[GENERAL]\r\ntabtitle=Old tab\r\nsku=1200000\r\n[SECTION0]\r\nsectionname=Old one\r\n"
                                 "numberofentries=1\r\nlab0=Old lab\r\nlinkpage0=4\r\nexamscovered0=bsci\r\n"
                                 "[SECTION1]\r\nsectionname=Old two\r\nnumberofentries=0\r\n");
    h.open();
    QCOMPARE(h.treeLines().size(), 4);
    gui::Wizard *wizard = h.window().showWizard();
    WizardDriver w(wizard);
    QCOMPARE(wizard->windowTitle(), h.window().windowTitle().remove(u"[*]"_qs) + langText(LangEntry::WizardTitleSuffix));
    QCOMPARE(w.page(), u"fraIntro"_qs);

    QVERIFY(w.click("cmdNext"));
    QCOMPARE(w.page(), u"fraTab"_qs);
    // An empty title is refused and the page stays; so is a title the catalogue file would misread.
    // (Typing fails on a page that is not shown, so each next field tells the page too.)
    QVERIFY(w.click("cmdNext"));
    QCOMPARE(h.takeMessageEntries(), QList<int>{40});
    QVERIFY(w.type("txtTabTitle", u"Routing [core]"_qs));
    QVERIFY(w.click("cmdNext"));
    QCOMPARE(h.takeMessageEntries(), QList<int>{-1});
    QVERIFY(w.type("txtTabTitle", u"Routing Labs"_qs));
    QVERIFY(w.click("cmdNext"));

    // Both titles are needed.
    QVERIFY(w.type("txtSection", u"Basics"_qs));
    QVERIFY(w.click("cmdNext"));
    QCOMPARE(h.takeMessageEntries(), QList<int>{40});
    QVERIFY(w.type("txtLabTitle", u"First lab"_qs));
    QVERIFY(w.click("cmdNext"));

    // A required file missing keeps the page; a chosen path that does not exist is refused.
    const QString document = h.makeFile(u"docs/First Lab.PDF"_qs);
    const QString topology = h.makeFile(u"first.top"_qs);
    h.chooser.answers = {h.makeFile(u"gone/x.pdf"_qs) + u".missing"_qs, document};
    QVERIFY(w.click("cmdBrowseLab"));
    QCOMPARE(h.takeMessageEntries(), QList<int>{-1});
    QCOMPARE(w.label("lblLabFile"), QString());
    QVERIFY(w.click("cmdBrowseLab"));
    QCOMPARE(w.label("lblLabFile"), u"First Lab.PDF"_qs);
    QVERIFY(w.click("cmdNext"));
    QCOMPARE(h.takeMessageEntries(), QList<int>{40});
    QCOMPARE(w.page(), u"fraReqFiles"_qs);
    h.chooser.answers = {QString(), topology}; // a cancelled dialog changes nothing
    QVERIFY(w.click("cmdBrowseTop"));
    QCOMPARE(w.label("lblTopFile"), QString());
    QVERIFY(w.click("cmdBrowseTop"));
    QCOMPARE(w.label("lblTopFile"), u"first.top"_qs);
    QVERIFY(h.takeMessageEntries().isEmpty());
    QVERIFY(w.click("cmdQuestionTopFile"));
    QCOMPARE(h.prompter.shown.value(0).icon, MessageIcon::Information);
    QCOMPARE(h.takeMessageEntries(), QList<int>{45});
    QVERIFY(w.click("cmdNext"));
    QCOMPARE(w.page(), u"fraOptFiles"_qs);

    // A configuration refused by the check leaves the grading field as it was; a valid one is kept.
    const QString loading = h.makeFile(u"load/ospf.nwc"_qs, "number of devices = 1\r\nnumber of routers = 1\r\n");
    h.makeFile(u"load/ospf1.rtr"_qs, "hostname R1\r\n");
    h.chooser.answers = {h.makeFile(u"bad.nwc"_qs, "interface fa0/0\r\nhostname R1\r\n"), loading,
                         h.makePicture(u"net.png"_qs, 20, 10)};
    QVERIFY(w.click("cmdBrowseGradeNwc"));
    QCOMPARE(w.label("lblGradeNwcFile"), QString());
    QVERIFY(!h.prompter.shown.isEmpty());
    QVERIFY(h.prompter.shown.first().text.contains(langText(LangEntry::NwcUnknownLineMessage)));
    h.prompter.shown.clear();
    QVERIFY(w.click("cmdBrowseLoadNwc"));
    QCOMPARE(w.label("lblLoadNwcFile"), u"ospf.nwc"_qs);
    QVERIFY(w.click("cmdBrowsePicFile"));
    QCOMPARE(w.label("lblPicFile"), u"net.png"_qs);
    // A text file named as a picture, and a topology file given as the picture: refused with the
    // main window's own words.
    const QString fake = h.makeFile(u"fake.png"_qs, "not an image");
    h.chooser.answers = {fake, topology};
    QVERIFY(w.click("cmdBrowsePicFile"));
    QVERIFY(w.click("cmdBrowsePicFile"));
    QCOMPARE(h.prompter.texts(),
             QStringList({langText(LangEntry::FileRefusedMessage)
                              .arg(fake, u"is not a picture that Fendrel can read (BMP, JPEG, GIF or PNG)"_qs),
                          langText(LangEntry::FileRefusedMessage)
                              .arg(topology, u"is not a picture (.bmp, .jpg, .jpeg, .gif, .png or .wmf)"_qs)}));
    QCOMPARE(w.label("lblPicFile"), u"net.png"_qs);
    h.prompter.shown.clear();
    QVERIFY(w.click("cmdClearPicFile"));
    QCOMPARE(w.label("lblPicFile"), QString());
    QVERIFY(h.takeMessageEntries().isEmpty());
    QVERIFY(w.click("cmdNext"));
    QCOMPARE(w.page(), u"fraDescription"_qs);

    QVERIFY(w.type("txtDescription", u"  Areas and costs  "_qs));
    QVERIFY(w.click("cmdNext"));
    QCOMPARE(w.page(), u"fraFinish"_qs);
    QCOMPARE(w.control<QPushButton>("cmdNext")->text(), langText(LangEntry::FinishCaption));
    QCOMPARE(wizard->results().description, u"Areas and costs"_qs); // the file would trim it anyway

    QVERIFY(w.click("cmdNext"));
    QVERIFY(!h.window().wizard() || !h.window().wizard()->isVisible());
    QVERIFY(h.takeMessageEntries().isEmpty());
    // No SKU, page link or exam list in the file; empty values are not written.
    QCOMPARE(QString::fromLatin1(readFile(h.iniPath())),
             u"[GENERAL]\r\ntabtitle=Routing Labs\r\n[SECTION0]\r\nsectionname=Basics\r\nnumberofentries=1\r\n"
             "lab0=First lab\r\nlink0=%1\r\ntopfile0=%2\r\noptfiles0=1\r\nloadnwcfile0=%3\r\n"
             "description0=Areas and costs\r\n"_qs.arg(document, topology, loading));
    QCOMPARE(h.treeLines(), (QStringList{u"Routing Labs"_qs, u"  Basics"_qs, u"    First lab"_qs}));
    // The window loaded the new file, which made the SKUs, and the old records are gone.
    QVERIFY(QRegularExpression(u"^\\d{7}$"_qs).match(h.recordOf(u"First lab"_qs).sku).hasMatch());
    QCOMPARE(h.catalogue().records().upperBound(), 2);

    // The wizard's Cancel and its close button ask first: No keeps it where it was, Yes closes it and writes
    // nothing. Its start-up box is stored when the first page is left or the wizard cancelled, and is the main
    // window's box.
    MainWindowHarness other;
    QCOMPARE(getWizardSetting(), 1);
    other.open();
    QVERIFY(other.control<QCheckBox>("chkWizStartup")->isChecked());
    gui::Wizard *second = other.window().showWizard();
    WizardDriver driver(second);
    auto *showMe = driver.control<QCheckBox>("chkShowMe");
    QVERIFY(showMe->isChecked());
    showMe->setChecked(false);
    QVERIFY(driver.click("cmdNext"));
    QCOMPARE(getWizardSetting(), 0);
    QCOMPARE(getSetting(u"Zelvan Nodara"_qs, u"Settings"_qs, u"FendrelWiz"_qs, {}), u"0"_qs); // Nodara reads it there
    QVERIFY(other.control<QCheckBox>("chkWizStartup")->isChecked()); // until the wizard closes
    QVERIFY(driver.type("txtTabTitle", u"Switching"_qs));
    QVERIFY(driver.click("cmdNext"));
    QVERIFY(driver.type("txtSection", u"VLANs"_qs));
    QVERIFY(driver.type("txtLabTitle", u"Trunks"_qs));

    other.prompter.answers = {MessageAnswer::No, MessageAnswer::No};
    QVERIFY(driver.click("cmdCancel"));
    QCOMPARE(other.prompter.shown.value(0).icon, MessageIcon::Question);
    QCOMPARE(other.prompter.shown.last().buttons, MessageButtons::YesNoDefaultNo); // Enter keeps the wizard
    QCOMPARE(other.takeMessageEntries(), QList<int>{38});
    QVERIFY(!second->close());
    QCOMPARE(other.takeMessageEntries(), QList<int>{38});
    QVERIFY(second->isVisible());
    QCOMPARE(driver.page(), u"fraSection"_qs);
    QCOMPARE(second->results().tabTitle, u"Switching"_qs);
    QCOMPARE(driver.control<QLineEdit>("txtSection")->text(), u"VLANs"_qs);
    QCOMPARE(driver.control<QLineEdit>("txtLabTitle")->text(), u"Trunks"_qs);
    // ... and the walk goes on from there.
    QVERIFY(driver.click("cmdNext"));
    QCOMPARE(driver.page(), u"fraReqFiles"_qs);

    other.prompter.answers = {MessageAnswer::Yes};
    QVERIFY(driver.click("cmdCancel"));
    QVERIFY(!second->isVisible());
    QVERIFY(!QFile::exists(other.iniPath()));
    QCOMPARE(other.treeLines(), QStringList{QString()});
    QVERIFY(!other.control<QCheckBox>("chkWizStartup")->isChecked());
    other.close();
    QCOMPARE(getWizardSetting(), 0);

    // The next start reads it back; the main window's box changes it for the start after. An
    // unchanged catalogue closes without a question.
    other.open();
    other.takeMessageEntries();
    QVERIFY(!other.control<QCheckBox>("chkWizStartup")->isChecked());
    QVERIFY(other.click("chkWizStartup"));
    other.close();
    QCOMPARE(other.takeMessageEntries(), QList<int>{});
    QCOMPARE(getWizardSetting(), 1);

    // Cancelling stores the box as well, whatever page the wizard is on.
    other.open();
    WizardDriver again(other.window().showWizard());
    again.control<QCheckBox>("chkShowMe")->setChecked(false);
    other.prompter.answers = {MessageAnswer::Yes};
    QVERIFY(again.click("cmdCancel"));
    QCOMPARE(getWizardSetting(), 0);
}

void ProgramWindowsTest::aWizardCatalogueIsWrittenOnlyWhereItCanBeOrHandedOnAlone()
{
    MainWindowHarness h;
    // Something that is no catalogue file stands where the catalogue goes; nothing may replace it.
    QVERIFY(QDir().mkpath(h.iniPath()));
    writeFile(h.iniPath() + u"/notes.txt"_qs, "mine");
    h.open();
    const QStringList before = h.treeLines();
    gui::Wizard *wizard = h.window().showWizard();
    WizardDriver w(wizard);
    QVERIFY(w.walkToFinish(h, u"New"_qs, h.makeFile(u"l.txt"_qs)));
    h.prompter.shown.clear();

    QVERIFY(w.click("cmdNext"));
    QCOMPARE(h.prompter.shown.size(), 1);
    QCOMPARE(h.prompter.shown[0].icon, MessageIcon::Critical);
    QVERIFY(h.prompter.shown[0].text.contains(u"Fendrel.ini"_qs));
    h.prompter.shown.clear();
    QVERIFY(wizard->isVisible());
    QCOMPARE(readFile(h.iniPath() + u"/notes.txt"_qs), QByteArray("mine"));
    QCOMPARE(h.treeLines(), before);
    QCOMPARE(QDir(h.dataFolder()).entryList(QDir::Files), QStringList{});

    // Once the place is free, Finish (still the last page) finishes.
    QVERIFY(QDir(h.iniPath()).removeRecursively());
    QVERIFY(w.click("cmdNext"));
    QVERIFY(!wizard->isVisible());
    QCOMPARE(h.treeLines(), (QStringList{u"New"_qs, u"  S"_qs, u"    L"_qs}));

    // Built alone, a wizard hands its lab on by its signal, again at each Finish until it is taken.
    h.prompter.shown.clear();
    gui::Wizard alone(h.prompter, h.chooser);
    QSignalSpy finished(&alone, &gui::Wizard::labFinished);
    QSignalSpy startup(&alone, &gui::Wizard::startupChoiceMade);
    alone.show();
    WizardDriver a(&alone);
    const QString document = h.makeFile(u"l.txt"_qs);
    QVERIFY(a.walkToFinish(h, u"Alone"_qs, document));
    QVERIFY(finished.isEmpty());
    QVERIFY(a.click("cmdNext"));
    QCOMPARE(finished.size(), 1);
    const auto lab = finished.first().first().value<WizardLab>();
    QCOMPARE(lab.tabTitle, u"Alone"_qs);
    QCOMPARE(lab.link, document);
    QVERIFY(alone.isVisible());
    QCOMPARE(a.page(), u"fraFinish"_qs);

    QVERIFY(a.click("cmdNext")); // not taken yet: Finish offers it again
    QCOMPARE(finished.size(), 2);
    QVERIFY(startup.isEmpty());
    alone.closeFinished();
    QVERIFY(!alone.isVisible());
    QCOMPARE(startup.size(), 1);
    QVERIFY(h.prompter.shown.isEmpty());
}

FENDREL_GUI_TEST_MAIN(ProgramWindowsTest)
#include "ProgramWindowsTest.moc"
