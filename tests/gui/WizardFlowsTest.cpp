// The lab wizard walked as an author walks it, and what it leaves behind: the catalogue file,
// the tree, and the start-up setting shared with the main window.

#include "gui/Wizard.h"
#include "startup/Folders.h"
#include "startup/LanguageTable.h"
#include "startup/Settings.h"
#include "support/GuiTestSupport.h"
#include "support/TestSupport.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>

using namespace fendrel;

namespace {

// Acts on the wizard's own controls; several share their names with the main window's.
class WizardDriver {
public:
    explicit WizardDriver(gui::Wizard *wizard) : m_wizard(wizard) {}

    template <typename T>
    T *control(const char *name) const
    {
        return m_wizard->findChild<T *>(QString::fromLatin1(name));
    }
    bool click(const char *name) { return test::clickIn(m_wizard, name); }
    bool type(const char *name, const QString &text) { return test::typeIn(m_wizard, name, text); }
    // From the first page to the last, with a title for each level and the two required files.
    bool walkToFinish(test::MainWindowHarness &h, const QString &tabTitle, const QString &document)
    {
        h.chooser.answers = {document, h.makeFile(QStringLiteral("l.top"))};
        return click("cmdNext") && type("txtTabTitle", tabTitle) && click("cmdNext") &&
               type("txtSection", QStringLiteral("S")) && type("txtLabTitle", QStringLiteral("L")) && click("cmdNext") &&
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

QString validConfiguration(test::MainWindowHarness &h, const QString &name)
{
    const QString path = h.makeFile(name, "number of devices = 1\r\nnumber of routers = 1\r\n"
                                          "number of switches = 0\r\nnumber of pcs = 0\r\n");
    h.makeFile(QString(name).replace(QStringLiteral(".nwc"), QStringLiteral("1.rtr")), "hostname R1\r\n");
    return path;
}

} // namespace

class WizardFlowsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void pageByPageToACatalogueThatReplacesTheOldOne();
    void cancelWithNoKeepsEverything();
    void startUpSettingIsSharedWithTheMainWindow();
    void aCatalogueThatCannotBeWrittenLeavesTheOldOne();
    void builtAloneItHandsOnItsLabAndWaitsUntilItIsTaken();
};

void WizardFlowsTest::pageByPageToACatalogueThatReplacesTheOldOne()
{
    test::MainWindowHarness h;
    test::writeFile(h.iniPath(), "[GENERAL]\r\ntabtitle=Old tab\r\nsku=1200000\r\n[SECTION0]\r\nsectionname=Old one\r\n"
                                 "numberofentries=1\r\nlab0=Old lab\r\nlinkpage0=4\r\nexamscovered0=bsci\r\n"
                                 "[SECTION1]\r\nsectionname=Old two\r\nnumberofentries=0\r\n");
    h.open();
    QCOMPARE(h.treeLines().size(), 4);
    gui::Wizard *wizard = h.window().showWizard();
    WizardDriver w(wizard);
    QVERIFY(wizard->isVisible());
    QCOMPARE(wizard->windowTitle(), h.window().windowTitle().remove(QStringLiteral("[*]")) + langText(LangEntry::WizardTitleSuffix));
    QCOMPARE(w.page(), QStringLiteral("fraIntro"));

    QVERIFY(w.click("cmdNext"));
    QCOMPARE(w.page(), QStringLiteral("fraTab"));
    // An empty title is refused and the page stays; so is a title the catalogue file would misread.
    // (Typing fails on a page that is not shown, so each next field tells the page too.)
    QVERIFY(w.click("cmdNext"));
    QCOMPARE(h.takeMessageEntries(), QList<int>{40});
    QVERIFY(w.type("txtTabTitle", QStringLiteral("Routing [core]")));
    QVERIFY(w.click("cmdNext"));
    QCOMPARE(h.takeMessageEntries(), QList<int>{-1});
    QVERIFY(w.type("txtTabTitle", QStringLiteral("Routing Labs")));
    QVERIFY(w.click("cmdNext"));

    // Both titles are needed.
    QVERIFY(w.type("txtSection", QStringLiteral("Basics")));
    QVERIFY(w.click("cmdNext"));
    QCOMPARE(h.takeMessageEntries(), QList<int>{40});
    QVERIFY(w.type("txtLabTitle", QStringLiteral("First lab")));
    QVERIFY(w.click("cmdNext"));

    // A required file missing keeps the page; a chosen path that does not exist is refused.
    const QString document = h.makeFile(QStringLiteral("docs/First Lab.PDF"));
    const QString topology = h.makeFile(QStringLiteral("first.top"));
    h.chooser.answers = {h.makeFile(QStringLiteral("gone/x.pdf")) + QStringLiteral(".missing"), document};
    QVERIFY(w.click("cmdBrowseLab"));
    QCOMPARE(h.takeMessageEntries(), QList<int>{-1});
    QCOMPARE(w.label("lblLabFile"), QString());
    QVERIFY(w.click("cmdBrowseLab"));
    QCOMPARE(w.label("lblLabFile"), QStringLiteral("First Lab.PDF"));
    QVERIFY(w.click("cmdNext"));
    QCOMPARE(h.takeMessageEntries(), QList<int>{40});
    QCOMPARE(w.page(), QStringLiteral("fraReqFiles"));
    h.chooser.answers = {QString(), topology}; // a cancelled dialog changes nothing
    QVERIFY(w.click("cmdBrowseTop"));
    QCOMPARE(w.label("lblTopFile"), QString());
    QVERIFY(w.click("cmdBrowseTop"));
    QCOMPARE(w.label("lblTopFile"), QStringLiteral("first.top"));
    QCOMPARE(h.chooser.requests[0].initialFolder, folders().labs);
    QVERIFY(h.takeMessageEntries().isEmpty());
    QVERIFY(w.click("cmdQuestionTopFile"));
    QCOMPARE(h.prompter.shown.value(0).icon, MessageIcon::Information);
    QCOMPARE(h.takeMessageEntries(), QList<int>{45});
    QVERIFY(w.click("cmdNext"));
    QCOMPARE(w.page(), QStringLiteral("fraOptFiles"));

    // A configuration refused by the check leaves the grading field as it was; a valid one is kept.
    const QString loading = validConfiguration(h, QStringLiteral("load/ospf.nwc"));
    h.chooser.answers = {h.makeFile(QStringLiteral("bad.nwc"), "interface fa0/0\r\nhostname R1\r\n"), loading,
                         h.makePicture(QStringLiteral("net.png"), 20, 10)};
    QVERIFY(w.click("cmdBrowseGradeNwc"));
    QCOMPARE(w.label("lblGradeNwcFile"), QString());
    QVERIFY(!h.prompter.shown.isEmpty());
    QVERIFY(h.prompter.shown.first().text.contains(langText(LangEntry::NwcUnknownLineMessage)));
    h.prompter.shown.clear();
    QVERIFY(w.click("cmdBrowseLoadNwc"));
    QCOMPARE(w.label("lblLoadNwcFile"), QStringLiteral("ospf.nwc"));
    QVERIFY(w.click("cmdBrowsePicFile"));
    QCOMPARE(w.label("lblPicFile"), QStringLiteral("net.png"));
    // A text file named as a picture, and a topology file given as the picture: refused with the
    // main window's own words.
    const QString fake = h.makeFile(QStringLiteral("fake.png"), "not an image");
    h.chooser.answers = {fake, topology};
    QVERIFY(w.click("cmdBrowsePicFile"));
    QVERIFY(w.click("cmdBrowsePicFile"));
    QCOMPARE(h.prompter.texts(),
             QStringList({langText(LangEntry::FileRefusedMessage)
                              .arg(fake, QStringLiteral("is not a picture that Fendrel can read (BMP, JPEG, GIF or PNG)")),
                          langText(LangEntry::FileRefusedMessage)
                              .arg(topology, QStringLiteral("is not a picture (.bmp, .jpg, .jpeg, .gif, .png or .wmf)"))}));
    QCOMPARE(w.label("lblPicFile"), QStringLiteral("net.png"));
    h.prompter.shown.clear();
    QVERIFY(w.click("cmdClearPicFile"));
    QCOMPARE(w.label("lblPicFile"), QString());
    QVERIFY(h.takeMessageEntries().isEmpty());
    QVERIFY(w.click("cmdNext"));
    QCOMPARE(w.page(), QStringLiteral("fraDescription"));

    QVERIFY(w.type("txtDescription", QStringLiteral("  Areas and costs  ")));
    QVERIFY(w.click("cmdNext"));
    QCOMPARE(w.page(), QStringLiteral("fraFinish"));
    QCOMPARE(w.control<QPushButton>("cmdNext")->text(), langText(LangEntry::FinishCaption));
    QCOMPARE(wizard->results().description, QStringLiteral("Areas and costs")); // the file would trim it anyway

    QVERIFY(w.click("cmdNext"));
    QVERIFY(!h.window().wizard() || !h.window().wizard()->isVisible());
    QVERIFY(h.takeMessageEntries().isEmpty());
    // No SKU, page link or exam list in the file; empty values are not written.
    const QString expected = QStringLiteral("[GENERAL]\r\ntabtitle=Routing Labs\r\n[SECTION0]\r\nsectionname=Basics\r\n"
                                            "numberofentries=1\r\nlab0=First lab\r\nlink0=%1\r\ntopfile0=%2\r\n"
                                            "optfiles0=1\r\nloadnwcfile0=%3\r\ndescription0=Areas and costs\r\n")
                                 .arg(document, topology, loading);
    QCOMPARE(QString::fromLatin1(test::readFile(h.iniPath())), expected);
    QCOMPARE(h.treeLines(),
             (QStringList{QStringLiteral("Routing Labs"), QStringLiteral("  Basics"), QStringLiteral("    First lab")}));
    // The window loaded the new file, which made the SKUs, and the old records are gone.
    QVERIFY(QRegularExpression(QStringLiteral("^\\d{7}$")).match(h.recordOf(QStringLiteral("First lab")).sku).hasMatch());
    QCOMPARE(h.catalogue().records().upperBound(), 2);
}

void WizardFlowsTest::cancelWithNoKeepsEverything()
{
    test::MainWindowHarness h;
    h.open();
    gui::Wizard *wizard = h.window().showWizard();
    WizardDriver w(wizard);
    QVERIFY(w.click("cmdNext"));
    QVERIFY(w.type("txtTabTitle", QStringLiteral("Switching")));
    QVERIFY(w.click("cmdNext"));
    QVERIFY(w.type("txtSection", QStringLiteral("VLANs")));
    QVERIFY(w.type("txtLabTitle", QStringLiteral("Trunks")));

    h.prompter.answers = {MessageAnswer::No, MessageAnswer::No};
    QVERIFY(w.click("cmdCancel"));
    QCOMPARE(h.prompter.shown.value(0).icon, MessageIcon::Question);
    QCOMPARE(h.prompter.shown.last().buttons, MessageButtons::YesNoDefaultNo); // Enter keeps the wizard
    QCOMPARE(h.takeMessageEntries(), QList<int>{38});
    // The window's own close button asks too.
    QVERIFY(!wizard->close());
    QCOMPARE(h.takeMessageEntries(), QList<int>{38});
    QVERIFY(wizard->isVisible());
    QCOMPARE(w.page(), QStringLiteral("fraSection"));
    QCOMPARE(wizard->results().tabTitle, QStringLiteral("Switching"));
    QCOMPARE(w.control<QLineEdit>("txtSection")->text(), QStringLiteral("VLANs"));
    QCOMPARE(w.control<QLineEdit>("txtLabTitle")->text(), QStringLiteral("Trunks"));
    // ... and the walk goes on from there.
    QVERIFY(w.click("cmdNext"));
    QCOMPARE(w.page(), QStringLiteral("fraReqFiles"));

    h.prompter.answers = {MessageAnswer::Yes};
    QVERIFY(w.click("cmdCancel"));
    QVERIFY(!wizard->isVisible());
    QVERIFY(!QFile::exists(h.iniPath()));
    QCOMPARE(h.treeLines(), QStringList{QString()});
}

void WizardFlowsTest::startUpSettingIsSharedWithTheMainWindow()
{
    test::MainWindowHarness h;
    QCOMPARE(getWizardSetting(), 1);
    h.open();
    QVERIFY(h.control<QCheckBox>("chkWizStartup")->isChecked());
    gui::Wizard *wizard = h.window().showWizard();
    WizardDriver w(wizard);
    auto *showMe = w.control<QCheckBox>("chkShowMe");
    QVERIFY(showMe->isChecked());
    QCOMPARE(showMe->text(), QStringLiteral("Show Wizard at Startup"));

    // Leaving the first page stores the box; closing the wizard shows it in the main window.
    showMe->setChecked(false);
    QVERIFY(w.click("cmdNext"));
    QCOMPARE(getWizardSetting(), 0);
    QVERIFY(h.control<QCheckBox>("chkWizStartup")->isChecked());
    h.prompter.answers = {MessageAnswer::Yes};
    QVERIFY(w.click("cmdCancel"));
    QVERIFY(!h.control<QCheckBox>("chkWizStartup")->isChecked());
    h.close();
    QCOMPARE(getWizardSetting(), 0);

    // The next start reads it back; the main window's box changes it for the start after.
    h.open();
    h.takeMessageEntries();
    QVERIFY(!h.control<QCheckBox>("chkWizStartup")->isChecked());
    QVERIFY(h.click("chkWizStartup"));
    h.close();
    QCOMPARE(h.takeMessageEntries(), QList<int>{}); // an unchanged catalogue closes without a question
    QCOMPARE(getWizardSetting(), 1);

    // Cancelling stores the box as well, whatever page the wizard is on.
    h.open();
    WizardDriver again(h.window().showWizard());
    again.control<QCheckBox>("chkShowMe")->setChecked(false);
    h.prompter.answers = {MessageAnswer::Yes};
    QVERIFY(again.click("cmdCancel"));
    QCOMPARE(getWizardSetting(), 0);
}

void WizardFlowsTest::aCatalogueThatCannotBeWrittenLeavesTheOldOne()
{
    test::MainWindowHarness h;
    // Something that is no catalogue file stands where the catalogue goes; nothing may replace it.
    QVERIFY(QDir().mkpath(h.iniPath()));
    test::writeFile(h.iniPath() + QStringLiteral("/notes.txt"), "mine");
    h.open();
    const QStringList before = h.treeLines();
    gui::Wizard *wizard = h.window().showWizard();
    WizardDriver w(wizard);
    QVERIFY(w.walkToFinish(h, QStringLiteral("New"), h.makeFile(QStringLiteral("l.txt"))));
    h.prompter.shown.clear();

    QVERIFY(w.click("cmdNext"));
    QCOMPARE(h.prompter.shown.size(), 1);
    QCOMPARE(h.prompter.shown[0].icon, MessageIcon::Critical);
    QVERIFY(h.prompter.shown[0].text.contains(QStringLiteral("Fendrel.ini")));
    h.prompter.shown.clear();
    QVERIFY(wizard->isVisible());
    QCOMPARE(test::readFile(h.iniPath() + QStringLiteral("/notes.txt")), QByteArray("mine"));
    QCOMPARE(h.treeLines(), before);
    QCOMPARE(QDir(h.dataFolder()).entryList(QDir::Files), QStringList{});

    // Once the place is free, Finish (still the last page) finishes.
    QVERIFY(QDir(h.iniPath()).removeRecursively());
    QVERIFY(w.click("cmdNext"));
    QVERIFY(!wizard->isVisible());
    QCOMPARE(h.treeLines(), (QStringList{QStringLiteral("New"), QStringLiteral("  S"), QStringLiteral("    L")}));
}

void WizardFlowsTest::builtAloneItHandsOnItsLabAndWaitsUntilItIsTaken()
{
    test::MainWindowHarness h; // for its files and scripted dialogs; no main window is opened
    gui::Wizard wizard(h.prompter, h.chooser);
    QSignalSpy finished(&wizard, &gui::Wizard::labFinished);
    QSignalSpy startup(&wizard, &gui::Wizard::startupChoiceMade);
    wizard.show();
    WizardDriver w(&wizard);
    const QString document = h.makeFile(QStringLiteral("l.txt"));
    QVERIFY(w.walkToFinish(h, QStringLiteral("Alone"), document));
    QVERIFY(finished.isEmpty());
    QVERIFY(w.click("cmdNext"));
    QCOMPARE(finished.size(), 1);
    const auto lab = finished.first().first().value<WizardLab>();
    QCOMPARE(lab.tabTitle, QStringLiteral("Alone"));
    QCOMPARE(lab.link, document);
    QVERIFY(wizard.isVisible());
    QCOMPARE(w.page(), QStringLiteral("fraFinish"));

    QVERIFY(w.click("cmdNext")); // not taken yet: Finish offers it again
    QCOMPARE(finished.size(), 2);
    QVERIFY(startup.isEmpty());
    wizard.closeFinished();
    QVERIFY(!wizard.isVisible());
    QCOMPARE(startup.size(), 1);
    QVERIFY(h.prompter.shown.isEmpty());
}

FENDREL_GUI_TEST_MAIN(WizardFlowsTest)
#include "WizardFlowsTest.moc"
