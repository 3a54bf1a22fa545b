// Whole user flows through the main window: what a person clicks and types, and what the tree,
// the fields, the captions and the messages show afterwards.

#include "errorlog/ErrorLog.h"
#include "gui/WindowModes.h"
#include "startup/Folders.h"
#include "startup/LanguageTable.h"
#include "startup/Settings.h"
#include "support/GuiTestSupport.h"
#include "support/TestSupport.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTreeView>

using namespace fendrel;
using namespace fendrel::test;

namespace {

// A catalogue as the program writes it: one tab, a section with two labs and an empty section.
const QByteArray kCatalogue = "[GENERAL]\r\ntabtitle=CCNA Labs\r\nsku=0100000\r\n"
                              "[SECTION0]\r\nsectionname=Routing\r\nsku=0101000\r\nnumberofentries=2\r\n"
                              "lab0=Static routes\r\nlink0=/labs/docs/static.pdf\r\nlinkpage0=12\r\n"
                              "topfile0=/labs/top/static.top\r\npicture0=/labs/pics/static.png\r\noptfiles0=3\r\n"
                              "nwcfile0=/labs/cfg/grade.nwc\r\nloadnwcfile0=/labs/cfg/load.nwc\r\n"
                              "description0=Two routers and a default route\r\nexamscovered0=icnd1,foo\r\n"
                              "mode0=testsim\r\nsku0=0101001\r\n"
                              "lab1=Rip\r\nlink1=C:\\labs\\rip.doc\r\ntopfile1=/labs/top/rip.top\r\noptfiles1=0\r\n"
                              "examscovered1=ont,icnd1\r\nsku1=0101002\r\n"
                              "[SECTION1]\r\nsectionname=Spare\r\nsku=0102000\r\nnumberofentries=0\r\n";

QString checkedExams(MainWindowHarness &h)
{
    QStringList checked;
    for (const char *name :
         {"chkBCMSN", "chkBSCI", "chkICND1", "chkICND2", "chkISCW", "chkRoute", "chkSupplemental", "chkONT", "chkSwitch",
          "chkTshoot"}) {
        if (h.control<QCheckBox>(name)->isChecked())
            checked << QString::fromLatin1(name);
    }
    return checked.join(u' ');
}

} // namespace

class MainWindowFlowsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void firstStartOpensTheTabTitle();
    void firstCatalogueIsEnteredInChainedSteps();
    void storedCatalogueIsShownNodeByNode();
    void editKeepsEveryStoredPath();
    void incompleteAndUncarriableLabsAreRefused();
    void examBoxesFollowClicksAndShownLabs();
    void deletingLabsSectionsAndEverything();
    void sectionsAreRenamedAndCancelled();
    void picturesAreChecked();
    void compileIsRefusedWhileSomethingIsOpen();
    void openDialogCancelled();
    void closeAfterAnEditAsks();
};

void MainWindowFlowsTest::firstStartOpensTheTabTitle()
{
    MainWindowHarness h;
    h.open();
    QCOMPARE(h.treeLines(), QStringList{QString()});
    QCOMPARE(shownTitle(h.window()), langText(LangEntry::ProgramTitle));
    QCOMPARE(h.enabled("txtTab cmdDeleteAll cmdAddSection cmdAddLab chkTestSimMode"), QStringLiteral("txtTab"));
    QVERIFY(!gui::hasGreyBackground(h.control<QLineEdit>("txtTab")));
    QCOMPARE(h.caption("cmdEditTab"), langText(LangEntry::SaveCaption));
    QCOMPARE(h.window().defaultButton(), h.control<QPushButton>("cmdEditTab"));
    QVERIFY(h.control<QCheckBox>("chkWizStartup")->isChecked());
    QCOMPARE(h.caption("lblInstructions"), langText(LangEntry::MainInstructions));
    QCOMPARE(h.takeMessageEntries(), QList<int>{});

    // A blank title is refused; so is one the catalogue file would read as a section header.
    QVERIFY(h.type("txtTab", QStringLiteral("   ")));
    QVERIFY(h.click("cmdEditTab"));
    QCOMPARE(h.takeMessageEntries(), QList<int>{109});
    QVERIFY(h.type("txtTab", QStringLiteral("Labs [draft]")));
    QVERIFY(h.click("cmdEditTab"));
    QCOMPARE(h.takeMessageEntries(), QList<int>{-1});
    QCOMPARE(h.caption("cmdEditTab"), langText(LangEntry::SaveCaption));
    QCOMPARE(h.treeLines(), QStringList{QString()});
}

void MainWindowFlowsTest::firstCatalogueIsEnteredInChainedSteps()
{
    MainWindowHarness h;
    const QString document = h.makeFile(QStringLiteral("docs/OSPF Areas.PDF"));
    const QString topology = h.makeFile(QStringLiteral("top/ospf.top"));
    const QString picture = h.makePicture(QStringLiteral("pics/ospf.png"), 320, 200);
    h.open();

    QVERIFY(h.type("txtTab", QStringLiteral(" CCNA Labs")));
    h.pressEnter(); // Enter in the title field saves it
    QCOMPARE(h.caption("cmdEditTab"), langText(LangEntry::EditTabCaption));
    QVERIFY(!h.control<QLineEdit>("txtTab")->isEnabled());
    QCOMPARE(h.treeLines(), QStringList{QStringLiteral(" CCNA Labs")});
    // The first section is opened straight away.
    QCOMPARE(h.caption("cmdAddSection"), langText(LangEntry::SaveSectionCaption));
    QVERIFY(!gui::isLocked(h.control<QLineEdit>("txtSection")));

    QVERIFY(h.type("txtSection", QStringLiteral("routing basics")));
    QVERIFY(h.click("cmdAddSection"));
    QCOMPARE(h.treeLines(), (QStringList{QStringLiteral(" CCNA Labs"), QStringLiteral("  Routing basics")}));
    // ... and so is its first lab.
    QCOMPARE(h.caption("cmdAddLab"), langText(LangEntry::SaveLabCaption));
    QCOMPARE(h.caption("lblInstructions"), langText(LangEntry::AddLabInstructions));
    QVERIFY(h.control<QPushButton>("cmdCancel")->isVisible());
    QVERIFY(!h.control<QTreeView>("tvlabs")->isEnabled());
    QCOMPARE(h.control<QLineEdit>("txtSection")->text(), QStringLiteral("Routing basics"));

    QVERIFY(h.type("txtLabname", QStringLiteral("ospf areas")));
    h.chooser.answers = {document, topology};
    h.prompter.answers = {MessageAnswer::No};
    QVERIFY(h.click("cmdBrowse"));
    QCOMPARE(h.prompter.shown.value(0).title, langText(LangEntry::LinkLabToPageTitle)); // the page question has a title of its own
    QCOMPARE(h.takeMessageEntries(), QList<int>{94});
    QVERIFY(h.click("cmdBrowseTop"));

    // The optional files are on the second tab, out of reach until it is shown.
    QVERIFY(!h.control<QWidget>("cmdBrowsePicture")->isVisible());
    h.control<QTabBar>("TabStrip1")->setCurrentIndex(1);
    h.chooser.answers = {picture};
    QVERIFY(h.click("cmdBrowsePicture"));
    QCOMPARE(h.captions("lblFile lblTopFile lblPictureFile"), QStringLiteral("OSPF Areas.PDF|ospf.top|ospf.png"));
    QCOMPARE(h.chooser.requests.last().initialFolder, folders().program);
    h.control<QTabBar>("TabStrip1")->setCurrentIndex(0);

    QVERIFY(h.click("chkONT"));
    QVERIFY(h.click("chkICND2"));
    QVERIFY(h.click("chkTestSimMode"));
    QVERIFY(h.type("txtLabDescription", QStringLiteral("Three areas")));
    QCOMPARE(h.window().defaultButton(), h.control<QPushButton>("cmdAddLab"));
    h.pressEnter(); // Enter stores the lab

    QCOMPARE(h.treeLines(), (QStringList{QStringLiteral(" CCNA Labs"), QStringLiteral("  Routing basics"),
                                         QStringLiteral("    Ospf areas")}));
    QCOMPARE(h.takeMessageEntries(), QList<int>{});
    QCOMPARE(h.caption("cmdAddLab"), langText(LangEntry::AddLabCaption));
    QVERIFY(h.control<QTreeView>("tvlabs")->isEnabled());
    QCOMPARE(h.currentNodeText(), QStringLiteral("Ospf areas"));
    QCOMPARE(h.control<QLineEdit>("txtLabname")->text(), QStringLiteral("Ospf areas"));
    QCOMPARE(h.caption("lblInstructions"), langText(LangEntry::LabSelectedInstructions));
    QVERIFY(h.window().catalogueChanged());

    const LabRecord &stored = h.recordOf(QStringLiteral("Ospf areas"));
    QCOMPARE((QStringList{stored.link, stored.topFile, stored.picture, stored.examsCovered, stored.mode, stored.description}),
             (QStringList{document, topology, picture, QStringLiteral("ont,icnd2"), QStringLiteral("testsim"),
                          QStringLiteral("Three areas")}));
    QCOMPARE(stored.optFiles, 1);
    QVERIFY(!QFile::exists(h.iniPath())); // only compiling writes the catalogue file
}

void MainWindowFlowsTest::storedCatalogueIsShownNodeByNode()
{
    MainWindowHarness h;
    writeFile(h.iniPath(), kCatalogue);
    h.open();
    QCOMPARE(h.treeLines(), (QStringList{QStringLiteral("CCNA Labs"), QStringLiteral("  Routing"),
                                         QStringLiteral("    Static routes"), QStringLiteral("    Rip"),
                                         QStringLiteral("  Spare")}));
    QCOMPARE(h.caption("cmdEditTab"), langText(LangEntry::EditTabCaption));
    QCOMPARE(h.enabled("txtTab cmdDeleteAll cmdAddSection"), QStringLiteral("cmdDeleteAll"));
    QCOMPARE(h.caption("lblInstructions"), langText(LangEntry::MainInstructions));
    const auto *tree = h.control<QTreeView>("tvlabs");
    QVERIFY(tree->isExpanded(tree->model()->index(0, 0, tree->model()->index(0, 0))));

    QVERIFY(h.selectNode(QStringLiteral("Static routes")));
    QCOMPARE(h.control<QLineEdit>("txtSection")->text(), QStringLiteral("Routing"));
    QCOMPARE(h.control<QLineEdit>("txtLabname")->text(), QStringLiteral("Static routes"));
    QCOMPARE(h.captions("lblFile lblTopFile lblNwcFile lblLoadNwcFile lblPictureFile lblLabPackID lblIndex"),
             QStringLiteral("static.pdf|static.top|grade.nwc|load.nwc|static.png|0101001|3"));
    QCOMPARE(h.control<QPlainTextEdit>("txtLabDescription")->toPlainText(),
             QStringLiteral("Two routers and a default route"));
    QVERIFY(h.control<QCheckBox>("chkTestSimMode")->isChecked());
    QCOMPARE(checkedExams(h), QStringLiteral("chkICND1"));
    QCOMPARE(h.caption("cmdAddSection"), langText(LangEntry::SelectedItemAddSectionCaption));
    QCOMPARE(h.enabled("cmdEdit cmdDelete cmdAddLab cmdAddSection"), QStringLiteral("cmdEdit cmdDelete cmdAddLab cmdAddSection"));

    QVERIFY(h.selectNode(QStringLiteral("Rip")));
    // A Windows path shows its file name too; what the lab lacks shows nothing.
    QCOMPARE(h.captions("lblFile lblNwcFile"), QStringLiteral("rip.doc|"));
    QVERIFY(!h.control<QCheckBox>("chkTestSimMode")->isChecked());
    QCOMPARE(checkedExams(h), QStringLiteral("chkICND1 chkONT"));

    QVERIFY(h.selectNode(QStringLiteral("Routing")));
    QCOMPARE(h.captions("cmdAddSection lblFile"), langText(LangEntry::EditSectionCaption) + u'|');
    QCOMPARE(h.caption("lblInstructions"), langText(LangEntry::SectionSelectedInstructions));
    QCOMPARE(h.enabled("cmdAddLab cmdDelete"), QStringLiteral("cmdAddLab")); // it still holds labs

    QVERIFY(h.selectNode(QStringLiteral("Spare")));
    QCOMPARE(h.captions("lblInstructions lblLabPackID"),
             langText(LangEntry::EmptySectionSelectedInstructions) + QStringLiteral("|0102000"));
    QVERIFY(h.control<QPushButton>("cmdDelete")->isEnabled());

    QVERIFY(h.selectNode(QStringLiteral("CCNA Labs")));
    QCOMPARE(h.caption("lblInstructions"), langText(LangEntry::TabSelectedInstructions));
    QCOMPARE(h.caption("cmdAddSection"), langText(LangEntry::SelectedItemAddSectionCaption));
    QCOMPARE(h.enabled("cmdAddLab cmdEdit"), QString());
    QCOMPARE(h.takeMessageEntries(), QList<int>{});
    QVERIFY(!h.window().catalogueChanged());
}

void MainWindowFlowsTest::editKeepsEveryStoredPath()
{
    MainWindowHarness h;
    writeFile(h.iniPath(), kCatalogue);
    h.open();
    const LabRecord before = h.recordOf(QStringLiteral("Static routes"));
    QVERIFY(h.selectNode(QStringLiteral("Static routes")));
    QVERIFY(h.click("cmdEdit"));
    QCOMPARE(h.caption("cmdEdit"), langText(LangEntry::SaveLabCaption));
    QVERIFY(h.caption("lblInstructions").startsWith(QStringLiteral("Please select a title for your lab")));
    QCOMPARE(h.caption("lblFile"), QStringLiteral("static.pdf")); // the shown files stay while editing

    // Rename, clear every exam box and leave the mode box alone: no file is chosen again.
    QVERIFY(h.type("txtLabname", QStringLiteral("default routes")));
    QVERIFY(h.click("chkICND1"));
    QVERIFY(h.click("cmdEdit"));
    QCOMPARE(h.takeMessageEntries(), QList<int>{});
    QCOMPARE(h.caption("cmdEdit"), langText(LangEntry::EditLabCaption));
    QCOMPARE(h.caption("lblInstructions"), langText(LangEntry::LabChangesStoredText));
    QCOMPARE(h.currentNodeText(), QStringLiteral("Default routes"));
    // Everything stays as stored, the page link and the exam no box names among it.
    QCOMPARE(h.recordOf(QStringLiteral("Default routes")), before);
    QVERIFY(h.window().catalogueChanged());

    // A new topology replaces only the topology.
    const QString topology = h.makeFile(QStringLiteral("new.top"));
    QVERIFY(h.click("cmdEdit"));
    h.chooser.answers = {topology};
    QVERIFY(h.click("cmdBrowseTop"));
    QVERIFY(h.click("cmdEdit"));
    QCOMPARE(h.recordOf(QStringLiteral("Default routes")).topFile, topology);
    QCOMPARE(h.recordOf(QStringLiteral("Default routes")).link, before.link);
    QCOMPARE(h.caption("lblTopFile"), QStringLiteral("new.top"));
}

void MainWindowFlowsTest::incompleteAndUncarriableLabsAreRefused()
{
    MainWindowHarness h;
    writeFile(h.iniPath(), kCatalogue);
    h.open();
    QVERIFY(QTest::qWaitForWindowActive(&h.window()));
    QVERIFY(h.selectNode(QStringLiteral("Spare")));
    QVERIFY(h.click("cmdAddLab"));
    QVERIFY(h.click("cmdAddLab")); // nothing typed or chosen
    QCOMPARE(h.takeMessageEntries(), QList<int>{91});
    QCOMPARE(h.caption("cmdAddLab"), langText(LangEntry::SaveLabCaption));
    QCOMPARE(QApplication::focusWidget(), h.control<QWidget>("txtLabname"));

    QVERIFY(h.type("txtLabname", QStringLiteral("Vlans")));
    QVERIFY(h.click("cmdAddLab"));
    QCOMPARE(h.takeMessageEntries(), QList<int>{91});
    QCOMPARE(QApplication::focusWidget(), h.control<QWidget>("cmdBrowse"));

    h.chooser.answers = {h.makeFile(QStringLiteral("vlans.txt")), h.makeFile(QStringLiteral("vlans.top"))};
    QVERIFY(h.click("cmdBrowse"));
    QVERIFY(h.click("cmdBrowseTop"));
    QVERIFY(h.type("txtLabDescription", QStringLiteral("trunks = tagged")));
    QVERIFY(h.click("cmdAddLab"));
    QCOMPARE(h.takeMessageEntries(), QList<int>{-1}); // the catalogue file would drop the "="
    QCOMPARE(h.treeLines().size(), 5);

    // A chosen path the catalogue file cannot keep is refused and leaves the earlier choice.
    h.chooser.answers = {h.makeFile(QStringLiteral("[old] vlans.top"))};
    QVERIFY(h.click("cmdBrowseTop"));
    QCOMPARE(h.takeMessageEntries(), QList<int>{-1});
    QCOMPARE(h.caption("lblTopFile"), QStringLiteral("vlans.top"));

    QVERIFY(h.type("txtLabDescription", QStringLiteral("Trunks carry tagged frames")));
    QVERIFY(h.click("cmdAddLab"));
    QCOMPARE(h.takeMessageEntries(), QList<int>{});
    QCOMPARE(h.treeLines().last(), QStringLiteral("    Vlans"));
    QCOMPARE(h.recordOf(QStringLiteral("Vlans")).description, QStringLiteral("Trunks carry tagged frames"));
}

void MainWindowFlowsTest::examBoxesFollowClicksAndShownLabs()
{
    MainWindowHarness h;
    writeFile(h.iniPath(), kCatalogue);
    h.open();
    QVERIFY(h.selectNode(QStringLiteral("Routing")));
    QVERIFY(h.click("cmdAddLab"));
    // A new lab starts with the exams of the lab shown last: none, for a section.
    QCOMPARE(checkedExams(h), QString());
    QVERIFY(h.click("chkONT"));
    QVERIFY(h.click("chkICND1"));
    QVERIFY(h.click("chkONT"));
    QCOMPARE(h.window().editBuffer().examsCovered, QStringLiteral("icnd1"));
    QVERIFY(h.click("cmdCancel"));
    QVERIFY(!h.control<QCheckBox>("chkONT")->isEnabled());

    // Showing a lab sets the boxes, and a lab added next starts from them.
    QVERIFY(h.selectNode(QStringLiteral("Rip")));
    QCOMPARE(h.window().editBuffer().examsCovered, QStringLiteral("ont,icnd1"));
    QVERIFY(h.click("cmdAddLab"));
    QCOMPARE(checkedExams(h), QStringLiteral("chkICND1 chkONT"));
    h.chooser.answers = {h.makeFile(QStringLiteral("a.txt")), h.makeFile(QStringLiteral("a.top"))};
    QVERIFY(h.click("cmdBrowse"));
    QVERIFY(h.click("cmdBrowseTop"));
    QVERIFY(h.type("txtLabname", QStringLiteral("x")));
    QVERIFY(h.click("cmdAddLab"));
    QCOMPARE(h.recordOf(QStringLiteral("X")).examsCovered, QStringLiteral("ont,icnd1"));
}

void MainWindowFlowsTest::deletingLabsSectionsAndEverything()
{
    MainWindowHarness h;
    writeFile(h.iniPath(), kCatalogue);
    h.open();
    const qint32 recordsBefore = h.catalogue().records().upperBound();

    QVERIFY(h.selectNode(QStringLiteral("Rip")));
    h.prompter.answers = {MessageAnswer::No};
    QVERIFY(h.click("cmdDelete"));
    QCOMPARE(h.prompter.shown.size(), 1);
    QVERIFY(h.prompter.shown[0].text.endsWith(QStringLiteral("\n\nRip"))); // it names what it deletes
    QCOMPARE(h.prompter.shown[0].buttons, MessageButtons::YesNoDefaultNo);
    QCOMPARE(h.takeMessageEntries(), QList<int>{102});
    QCOMPARE(h.treeLines().size(), 5);
    QVERIFY(!h.window().catalogueChanged());

    h.prompter.answers = {MessageAnswer::Yes};
    QVERIFY(h.click("cmdDelete"));
    QCOMPARE(h.takeMessageEntries(), QList<int>{102});
    QCOMPARE(h.treeLines(), (QStringList{QStringLiteral("CCNA Labs"), QStringLiteral("  Routing"),
                                         QStringLiteral("    Static routes"), QStringLiteral("  Spare")}));
    QCOMPARE(h.catalogue().records().upperBound(), recordsBefore - 1);
    QCOMPARE(h.currentNodeText(), QStringLiteral("Routing"));
    QCOMPARE(h.control<QLineEdit>("txtSection")->text(), QStringLiteral("Routing"));
    QVERIFY(!h.control<QPushButton>("cmdDelete")->isEnabled()); // one lab is still a lab too many
    QVERIFY(h.window().catalogueChanged());

    QVERIFY(h.selectNode(QStringLiteral("Spare")));
    QVERIFY(h.click("cmdDelete"));
    QCOMPARE(h.treeLines().size(), 3);
    QCOMPARE(h.catalogue().records().upperBound(), recordsBefore - 1);
    QCOMPARE(h.currentNodeText(), QStringLiteral("CCNA Labs"));

    // Unsaved deletions: Delete All first asks whether to keep them, then whether to delete.
    h.prompter.answers = {MessageAnswer::Cancel};
    QVERIFY(h.click("cmdDeleteAll"));
    QCOMPARE(h.takeMessageEntries(), (QList<int>{102, 130}));
    h.prompter.answers = {MessageAnswer::Discard, MessageAnswer::No};
    QVERIFY(h.click("cmdDeleteAll"));
    QCOMPARE(h.prompter.shown.first().buttons, MessageButtons::SaveDiscardCancel);
    QCOMPARE(h.prompter.shown.last().buttons, MessageButtons::YesNoDefaultNo);
    QCOMPARE(h.takeMessageEntries(), (QList<int>{130, 104}));
    QVERIFY(QFile::exists(h.iniPath()));

    h.prompter.answers = {MessageAnswer::Discard, MessageAnswer::Yes};
    QVERIFY(h.click("cmdDeleteAll"));
    QCOMPARE(h.takeMessageEntries(), (QList<int>{130, 104}));
    QVERIFY(!h.window().catalogueChanged()); // the file went too: nothing is left unsaved
    QVERIFY(!QFile::exists(h.iniPath()));
    QCOMPARE(h.treeLines(), QStringList{QString()});
    QCOMPARE(h.catalogue().records().upperBound(), 1);
    QVERIFY(h.control<QLineEdit>("txtTab")->text().isEmpty());
    QCOMPARE(h.caption("cmdEditTab"), langText(LangEntry::SaveCaption));
    QCOMPARE(h.enabled("txtTab cmdDeleteAll cmdAddSection"), QStringLiteral("txtTab"));
    QCOMPARE(h.captions("lblFile lblTopFile lblNwcFile lblLoadNwcFile lblPictureFile"), QStringLiteral("||||"));
}

void MainWindowFlowsTest::sectionsAreRenamedAndCancelled()
{
    MainWindowHarness h;
    writeFile(h.iniPath(), kCatalogue);
    h.open();
    QVERIFY(h.selectNode(QStringLiteral("Routing")));
    QVERIFY(h.click("cmdAddSection")); // "Edit Section"
    QCOMPARE(h.caption("cmdAddSection"), langText(LangEntry::SaveSectionCaption));
    QVERIFY(h.control<QLineEdit>("txtSection")->text().isEmpty()); // a rename starts from an empty field
    QVERIFY(h.click("cmdAddSection"));
    QCOMPARE(h.takeMessageEntries(), QList<int>{92});
    QVERIFY(h.type("txtSection", QStringLiteral("routing protocols")));
    h.pressEnter();
    QCOMPARE(h.treeLines().mid(1, 2),
             (QStringList{QStringLiteral("  Routing protocols"), QStringLiteral("    Static routes")}));
    QCOMPARE(h.caption("cmdAddSection"), langText(LangEntry::EditSectionCaption));
    QCOMPARE(h.window().catalogue().tree().nodeByKey(QStringLiteral("OROUTING PROTOCOLS"))->tag(),
             QStringLiteral("0101000"));

    // A name another section has, letter case aside, is refused and logged; cancel leaves it.
    QVERIFY(h.selectNode(QStringLiteral("CCNA Labs")));
    QVERIFY(h.click("cmdAddSection"));
    QVERIFY(h.type("txtSection", QStringLiteral("SPARE")));
    QVERIFY(h.click("cmdAddSection"));
    QCOMPARE(h.treeLines().size(), 5);
    QCOMPARE(h.caption("cmdAddSection"), langText(LangEntry::SaveSectionCaption));
    QVERIFY(h.click("cmdCancel"));
    QCOMPARE(h.caption("cmdAddSection"), langText(LangEntry::SelectedItemAddSectionCaption)); // the root is shown again
    QVERIFY(h.control<QTreeView>("tvlabs")->isEnabled());
    QCOMPARE(h.currentNodeText(), QStringLiteral("CCNA Labs"));

    // A new section goes last and opens no lab, as the catalogue already has sections.
    QVERIFY(h.click("cmdAddSection"));
    QVERIFY(h.type("txtSection", QStringLiteral("nat")));
    QVERIFY(h.click("cmdAddSection"));
    QCOMPARE(h.treeLines().last(), QStringLiteral("  Nat"));
    QCOMPARE(h.caption("cmdAddLab"), langText(LangEntry::AddLabCaption));
    QVERIFY(!h.control<QPushButton>("cmdAddLab")->isEnabled());
    // Clicking the new section, selected already, shows it again and offers to add a lab.
    QVERIFY(h.selectNode(QStringLiteral("Nat")));
    QVERIFY(h.control<QPushButton>("cmdAddLab")->isEnabled());
    QCOMPARE(h.caption("lblInstructions"), langText(LangEntry::EmptySectionSelectedInstructions));
    QCOMPARE(h.takeMessageEntries(), QList<int>{});
}

void MainWindowFlowsTest::picturesAreChecked()
{
    MainWindowHarness h;
    writeFile(h.iniPath(), kCatalogue);
    h.open();
    QVERIFY(h.selectNode(QStringLiteral("Rip")));
    QVERIFY(h.click("cmdEdit"));
    h.control<QTabBar>("TabStrip1")->setCurrentIndex(1);
    const QString metafile = h.makeFile(QStringLiteral("diagram.wmf"), QByteArray("\xD7\xCD\xC6\x9A\0\0", 6));
    h.chooser.answers = {metafile};
    QVERIFY(h.click("cmdBrowsePicture"));
    // Its own message, naming the file, rather than the one "nothing to compile" shares.
    QCOMPARE(h.prompter.shown.size(), 1);
    QCOMPARE(h.prompter.shown[0].text, langText(LangEntry::FileRefusedMessage)
                                           .arg(metafile, QStringLiteral("is not a picture that Fendrel can read (BMP, JPEG, GIF or PNG)")));
    h.takeMessageEntries();
    QVERIFY(h.caption("lblPictureFile").isEmpty());
    QVERIFY(h.window().editBuffer().picture.isEmpty());
    // The dialog was over; the lab can be stored or cancelled again.
    QVERIFY(h.control<QPushButton>("cmdCancel")->isEnabled());
    QCOMPARE(h.window().defaultButton(), h.control<QPushButton>("cmdAddLab"));

    const QString picture = h.makePicture(QStringLiteral("diagram.png"), 64, 64);
    h.chooser.answers = {picture};
    QVERIFY(h.click("cmdBrowsePicture"));
    QCOMPARE(h.caption("lblPictureFile"), QStringLiteral("diagram.png"));
    QVERIFY(h.click("cmdEdit"));
    QCOMPARE(h.recordOf(QStringLiteral("Rip")).picture, picture);
    QCOMPARE(h.recordOf(QStringLiteral("Rip")).optFiles, 1);
}

void MainWindowFlowsTest::compileIsRefusedWhileSomethingIsOpen()
{
    MainWindowHarness h;
    h.open();
    QVERIFY(h.click("cmdCreatePck"));
    QCOMPARE(h.takeMessageEntries(), QList<int>{97});
    QVERIFY(h.chooser.requests.isEmpty());
    h.close();

    MainWindowHarness loaded;
    writeFile(loaded.iniPath(), kCatalogue);
    loaded.open();
    QVERIFY(loaded.click("cmdEditTab"));
    QVERIFY(loaded.click("cmdCreatePck"));
    QCOMPARE(loaded.takeMessageEntries(), QList<int>{98});
    QVERIFY(loaded.click("cmdEditTab"));
    QVERIFY(loaded.click("cmdCancel")); // renaming the tab opened a section; leave it
    QVERIFY(loaded.selectNode(QStringLiteral("Spare")));
    QVERIFY(loaded.click("cmdAddSection"));
    QVERIFY(loaded.click("cmdCreatePck"));
    QCOMPARE(loaded.takeMessageEntries(), QList<int>{99});
    QVERIFY(loaded.chooser.requests.isEmpty());

    // Nothing open, but the labs name files that are not there: a missing configuration stops the
    // compile before any dialog; missing documents are asked about.
    QVERIFY(loaded.click("cmdCancel"));
    QVERIFY(QFile::remove(loaded.iniPath()));
    QVERIFY(loaded.click("cmdCreatePck"));
    QCOMPARE(loaded.takeMessageEntries(), QList<int>{static_cast<int>(LangEntry::CompileCannotBuildMessage)});
    QVERIFY(loaded.chooser.requests.isEmpty());
    QVERIFY(loaded.selectNode(QStringLiteral("Static routes")));
    QVERIFY(loaded.click("cmdDelete"));
    loaded.takeMessageEntries();
    // Compile Anyway: the save dialog is asked for, and cancelling it writes nothing.
    loaded.prompter.answers = {MessageAnswer::CompileAnyway};
    QVERIFY(loaded.click("cmdCreatePck"));
    QCOMPARE(loaded.takeMessageEntries(), QList<int>{static_cast<int>(LangEntry::CompileOpensWrongQuestion)});
    QCOMPARE(loaded.chooser.requests.size(), 1);
    QCOMPARE(loaded.chooser.requests[0].kind, FileDialogKind::Save);
    QCOMPARE(loaded.chooser.requests[0].initialFolder, folders().labs);
    QVERIFY(loaded.chooser.requests[0].options.testFlag(FileDialogOption::OverwritePrompt));
    QCOMPARE(loaded.takeMessageEntries(), QList<int>{});
    QVERIFY(!QFile::exists(loaded.iniPath()));
    QCOMPARE(shownTitle(loaded.window()), langText(LangEntry::ProgramTitle) + u'*'); // the deletion is not saved
}

void MainWindowFlowsTest::openDialogCancelled()
{
    MainWindowHarness h;
    writeFile(h.iniPath(), kCatalogue);
    h.open();
    QVERIFY(h.click("cmdLoadLabPck"));
    QCOMPARE(h.chooser.requests.size(), 1);
    QCOMPARE(h.chooser.requests[0].kind, FileDialogKind::Open);
    QCOMPARE(h.chooser.requests[0].initialFolder, folders().labs);
    // A cancel loads nothing and leaves the caption naming no package.
    QCOMPARE(shownTitle(h.window()), langText(LangEntry::ProgramTitle) + QStringLiteral(" - "));
    QCOMPARE(h.treeLines().size(), 5);
    QCOMPARE(h.takeMessageEntries(), QList<int>{});
}

void MainWindowFlowsTest::closeAfterAnEditAsks()
{
    MainWindowHarness unchanged;
    unchanged.open();
    unchanged.close();
    QCOMPARE(unchanged.takeMessageEntries(), QList<int>{});
    QCOMPARE(getWizardSetting(), 1);

    MainWindowHarness h;
    writeFile(h.iniPath(), kCatalogue);
    const QString extracted = h.dataFolder() + QStringLiteral("CompilerLabs/Net/Routing/a.top");
    QVERIFY(QDir().mkpath(QFileInfo(extracted).absolutePath()));
    writeFile(extracted, "top");
    h.open();
    QVERIFY(h.selectNode(QStringLiteral("Spare")));
    QVERIFY(h.click("cmdDelete"));
    QVERIFY(h.click("chkWizStartup"));
    h.takeMessageEntries();

    h.prompter.answers = {MessageAnswer::No};
    h.close();
    QCOMPARE(h.takeMessageEntries(), QList<int>{80});
    QCOMPARE(readFile(h.iniPath()), kCatalogue); // No: the catalogue file is not saved
    QVERIFY(!QDir(h.dataFolder() + QStringLiteral("CompilerLabs")).exists());
    QCOMPARE(getWizardSetting(), 0);
}

FENDREL_GUI_TEST_MAIN(MainWindowFlowsTest)
#include "MainWindowFlowsTest.moc"
