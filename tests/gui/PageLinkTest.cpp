// The page-link window: a real PDF shown in the window, the page handed back to the main window,
// and a recording viewer for what the window asks of a viewer.

#include "catalogue/Catalogue.h"
#include "gui/DocumentViewer.h"
#include "gui/PDFLink.h"
#include "startup/Folders.h"
#include "startup/LanguageTable.h"
#include "support/GuiTestSupport.h"
#include "support/TestSupport.h"
#include "text/TextHelpers.h"

#include <QCheckBox>
#include <QSignalSpy>
#include <QLabel>
#include <QLineEdit>
#include <QPageSize>
#include <QPainter>
#include <QPdfDocument>
#include <QPdfPageNavigator>
#include <QPdfView>
#include <QPdfWriter>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>

using namespace fendrel;

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
        painter.drawText(QRect(0, 0, writer.width(), writer.height()), Qt::AlignCenter,
                         QStringLiteral("Page %1").arg(page));
    }
    return path;
}

// Remembers what the window asked of it and shows nothing.
class RecordingViewer : public gui::DocumentViewer {
public:
    struct Log {
        QStringList calls;
    };
    explicit RecordingViewer(Log &log, bool isPdf) : m_log(log) { m_log.calls << QStringLiteral("pdf=%1").arg(isPdf); }
    bool open(const QString &path, qint32 page) override
    {
        m_log.calls << QStringLiteral("open %1 at %2").arg(path).arg(gui::viewerPageIndex(page));
        return !path.endsWith(QStringLiteral("broken.pdf"));
    }
    void goToPage(qint32 page) override
    {
        m_log.calls << QStringLiteral("go %1").arg(gui::viewerPageIndex(page));
        Q_EMIT pageShown(gui::userPageNumber(gui::viewerPageIndex(page)));
    }
    bool followsPage() const override { return true; }
    bool canExitApplication() const override { return true; }
    void closeDocument(bool exitApplication) override
    {
        m_log.calls << (exitApplication ? QStringLiteral("close, exit") : QStringLiteral("close"));
    }
    QWidget *view() override { return nullptr; }

private:
    Log &m_log;
};

gui::ViewerFactory recording(RecordingViewer::Log &log)
{
    return [&log](bool isPdf) { return std::make_unique<RecordingViewer>(log, isPdf); };
}

// Adds a lab up to its document, so that choosing a PDF asks the page question.
void startLab(test::MainWindowHarness &h)
{
    h.open();
    QVERIFY(h.type("txtTab", QStringLiteral("Labs")));
    h.pressEnter();
    QVERIFY(h.type("txtSection", QStringLiteral("Routing")));
    QVERIFY(h.click("cmdAddSection"));
    QVERIFY(h.type("txtLabname", QStringLiteral("Ospf")));
}

} // namespace

class PageLinkTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void aPdfIsShownAndItsPageHandedBack();
    void aPageThatIsNoNumberKeepsTheWindowOpen();
    void viewerRequestsFollowTheDocumentAndTheCloseBox();
    void helpOpensTheManualOnlyWhenItExists();
};

void PageLinkTest::aPdfIsShownAndItsPageHandedBack()
{
    test::MainWindowHarness h;
    startLab(h);
    QTemporaryDir folder;
    const QString document = writePdf(folder.filePath(QStringLiteral("OSPF Guide.PDF")), 8);
    h.chooser.answers = {document};
    h.prompter.answers = {MessageAnswer::Yes};
    QVERIFY(h.click("cmdBrowse"));
    QCOMPARE(h.takeMessageEntries(), QList<int>{94});

    gui::PDFLink *link = h.window().pageLink();
    QVERIFY(link);
    QVERIFY(QTest::qWaitForWindowExposed(link));
    QVERIFY(!link->isModal()); // the main window stays usable beside it
    QCOMPARE(link->windowTitle(), QStringLiteral("ospf guide.pdf"));
    auto *pageBox = link->findChild<QLineEdit *>(QStringLiteral("txtPDFPageNumber"));
    QCOMPARE(pageBox->text(), QStringLiteral("1"));
    auto *view = link->findChild<QPdfView *>();
    QVERIFY(view);
    QCOMPARE(view->document()->pageCount(), 8);

    // Typing a number moves the document there.
    test::typeOver(pageBox, QStringLiteral("3"));
    QCOMPARE(view->pageNavigator()->currentPage(), 2);
    QTRY_VERIFY(view->verticalScrollBar()->value() > 0);

    // Scrolling moves the box along with the page on screen.
    view->verticalScrollBar()->setValue(view->verticalScrollBar()->maximum());
    QTRY_VERIFY(pageBox->text().toInt() >= 7);
    QVERIFY(test::clickIn(link, "cmdPreviousPage"));
    QTRY_COMPARE(view->pageNavigator()->currentPage(), pageBox->text().toInt() - 1);

    test::typeOver(pageBox, QStringLiteral("3"));
    QVERIFY(test::clickIn(link, "cmdExitSaveAndReturn"));
    QVERIFY(h.prompter.shown.isEmpty());
    QCOMPARE(h.window().editBuffer().linkPage, QStringLiteral("3"));
    QTRY_VERIFY(!h.window().pageLink());
    const QString pageShown = langText(LangEntry::LinkedPageText).arg(3);
    QCOMPARE(h.caption("lblLinkPage"), pageShown);

    // The page is stored with the lab, and shown with it whenever the lab is selected.
    h.chooser.answers = {h.makeFile(QStringLiteral("ospf.top"))};
    QVERIFY(h.click("cmdBrowseTop"));
    QVERIFY(h.click("cmdAddLab"));
    QCOMPARE(h.recordOf(QStringLiteral("Ospf")).linkPage, QStringLiteral("3"));
    QVERIFY(h.selectNode(QStringLiteral("Routing")));
    QCOMPARE(h.caption("lblLinkPage"), QString());
    QVERIFY(h.selectNode(QStringLiteral("Ospf")));
    QCOMPARE(h.caption("lblLinkPage"), pageShown);

    // An edit keeps the stored page until another is chosen.
    QVERIFY(h.click("cmdEdit"));
    h.chooser.answers = {document};
    h.prompter.answers = {MessageAnswer::Yes};
    QVERIFY(h.click("cmdBrowse"));
    QCOMPARE(h.caption("lblLinkPage"), pageShown);
    test::typeOver(h.window().pageLink()->findChild<QLineEdit *>(QStringLiteral("txtPDFPageNumber")), QStringLiteral("5"));
    QVERIFY(test::clickIn(h.window().pageLink(), "cmdExitSaveAndReturn"));
    QCOMPARE(h.caption("lblLinkPage"), langText(LangEntry::LinkedPageText).arg(5));
}

void PageLinkTest::aPageThatIsNoNumberKeepsTheWindowOpen()
{
    test::MainWindowHarness h;
    startLab(h);
    QTemporaryDir folder;
    const QString document = writePdf(folder.filePath(QStringLiteral("guide.pdf")), 3);
    h.chooser.answers = {document, document};
    h.prompter.answers = {MessageAnswer::Yes};
    QVERIFY(h.click("cmdBrowse"));
    h.prompter.shown.clear();
    gui::PDFLink *link = h.window().pageLink();
    QVERIFY(link);
    auto *pageBox = link->findChild<QLineEdit *>(QStringLiteral("txtPDFPageNumber"));
    for (const QString &typed : {u"12a"_qs, u"nan"_qs, u"-inf"_qs}) {
        test::typeOver(pageBox, typed);
        QVERIFY(test::clickIn(link, "cmdExitSaveAndReturn"));
        QCOMPARE(h.prompter.shown.value(0).icon, MessageIcon::Critical);
        QCOMPARE(h.takeMessageEntries(), QList<int>{122});
        QVERIFY(link->isVisible());
    }
    QCOMPARE(h.window().pageLink(), link);
    QVERIFY(h.window().editBuffer().linkPage.isEmpty());

    // Cancel hands nothing back, whatever the box holds.
    test::typeOver(pageBox, QStringLiteral("2"));
    QVERIFY(test::clickIn(link, "cmdCancelAndReturn"));
    QTRY_VERIFY(!h.window().pageLink());
    QVERIFY(h.window().editBuffer().linkPage.isEmpty());

    // A document the viewer cannot read says so, and the page can still be typed.
    const QString broken = h.makeFile(QStringLiteral("broken.pdf"), "not a pdf");
    h.chooser.answers = {broken};
    h.prompter.answers = {MessageAnswer::Yes};
    QVERIFY(h.click("cmdBrowse"));
    QCOMPARE(h.takeMessageEntries(), (QList<int>{94, 73}));
    QVERIFY(h.window().pageLink() && h.window().pageLink()->isVisible());
}

void PageLinkTest::viewerRequestsFollowTheDocumentAndTheCloseBox()
{
    test::MainWindowHarness h;
    h.open();
    RecordingViewer::Log log;

    {
        gui::PDFLink link(nullptr, h.prompter, gui::PDFLink::Purpose::PageLink, recording(log));
        link.loadTheDocument(QStringLiteral("/labs/Lab1.PDF"));
        QVERIFY(link.isPdf());
        QCOMPARE(link.windowTitle(), QStringLiteral("lab1.pdf"));
        auto *pageBox = link.findChild<QLineEdit *>(QStringLiteral("txtPDFPageNumber"));
        QTest::keyClicks(pageBox, QStringLiteral("2")); // the box reads "12" now
        QCOMPARE(pageBox->text(), QStringLiteral("12"));
        test::typeOver(pageBox, QStringLiteral("-3")); // no page before the first
        link.findChild<QCheckBox *>(QStringLiteral("chkCloseApp"))->setChecked(true);
        link.close();
        QCOMPARE(link.documentPath(), QString());
    }
    QCOMPARE(log.calls, (QStringList{QStringLiteral("pdf=1"), QStringLiteral("open /labs/Lab1.PDF at 0"),
                                     QStringLiteral("go 11"), QStringLiteral("go 0"), QStringLiteral("close, exit")}));

    log.calls.clear();
    {
        // Built alone, the window hands its page on by its signal only.
        gui::PDFLink link(nullptr, h.prompter, gui::PDFLink::Purpose::PageLink, recording(log));
        QSignalSpy chosen(&link, &gui::PDFLink::pageChosen);
        link.loadTheDocument(QStringLiteral("/labs/notes.doc"));
        QVERIFY(!link.isPdf());
        QVERIFY(test::clickIn(&link, "cmdExitSaveAndReturn"));
        QCOMPARE(chosen.size(), 1);
        QCOMPARE(chosen.first().first().toString(), QStringLiteral("1"));
    }
    QCOMPARE(log.calls, (QStringList{QStringLiteral("pdf=0"), QStringLiteral("open /labs/notes.doc at 0"),
                                     QStringLiteral("close")}));
    QVERIFY(h.window().editBuffer().linkPage.isEmpty());

    // Esc leaves as Cancel and Return does: closed, no page handed on.
    {
        gui::PDFLink link(nullptr, h.prompter, gui::PDFLink::Purpose::PageLink, recording(log));
        QSignalSpy chosen(&link, &gui::PDFLink::pageChosen);
        link.loadTheDocument(QStringLiteral("/labs/Lab1.PDF"));
        link.show();
        QTest::keyClick(&link, Qt::Key_Escape);
        QVERIFY(!link.isVisible());
        QCOMPARE(chosen.size(), 0);
    }

    // No document at all: NoDocumentMessage, nothing opened.
    log.calls.clear();
    {
        gui::PDFLink link(nullptr, h.prompter, gui::PDFLink::Purpose::PageLink, recording(log));
        link.loadTheDocument(QString());
    }
    QCOMPARE(h.takeMessageEntries(), QList<int>{74});
    QVERIFY(!log.calls.join(u'\n').contains(QStringLiteral("open")));
}

void PageLinkTest::helpOpensTheManualOnlyWhenItExists()
{
    test::MainWindowHarness h;
    QTemporaryDir program;
    const QString realProgram = folders().program;
    folders().program = withTrailingSeparator(program.path());
    h.open();
    RecordingViewer::Log log;
    h.window().setViewerFactory(recording(log));
    auto *help = h.control<QLabel>("lblHelp");
    Q_EMIT help->linkActivated(QStringLiteral("help"));
    QVERIFY(!h.window().pageLink());
    QVERIFY(log.calls.isEmpty());

    test::writeFile(program.filePath(QStringLiteral("help.pdf")), "%PDF-1.4");
    Q_EMIT help->linkActivated(QStringLiteral("help"));
    QVERIFY(h.window().pageLink());
    QCOMPARE(log.calls.value(1), QStringLiteral("open %1 at 0").arg(program.filePath(QStringLiteral("help.pdf"))));
    // The manual links no page: there is nothing to save.
    QVERIFY(!h.window().pageLink()->findChild<QPushButton *>(QStringLiteral("cmdExitSaveAndReturn"))->isVisible());
    h.close();
    folders().program = realProgram;
}

FENDREL_GUI_TEST_MAIN(PageLinkTest)
#include "PageLinkTest.moc"
