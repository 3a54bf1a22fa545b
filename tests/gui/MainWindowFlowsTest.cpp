// Whole user flows through the main window: what a person clicks and types, and what the tree,
// the fields, the captions and the messages show afterwards; and what a person can and cannot do
// in each window mode, reached the way a person reaches it. Of the mode table itself only its
// names are checked.

#include "gui/CatalogueModel.h"
#include "gui/CatalogueView.h"
#include "gui/WindowModes.h"
#include "startup/Folders.h"
#include "startup/LanguageTable.h"
#include "support/GuiTestSupport.h"

#include <QAbstractItemModelTester>
#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabBar>
#include <QTreeView>

#include <functional>

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

void openCatalogue(MainWindowHarness &h)
{
    writeFile(h.iniPath(), kCatalogue);
    h.open();
}

QStringList names(const char *spaced)
{
    return QString::fromLatin1(spaced).split(u' ');
}

// The window has a third file panel that no tab shows; no person reaches it, so its controls are
// left to the check on the table's names.
const QStringList kBrowse = names("cmdBrowse cmdBrowseTop cmdBrowsenwc cmdBrowsePicture cmdBrowseLoadNwc");
const QStringList kFileLabels = names("lblFile lblTopFile lblNwcFile lblPictureFile lblLoadNwcFile");
const QStringList kExamBoxes =
    names("chkBCMSN chkBSCI chkICND1 chkICND2 chkISCW chkRoute chkSupplemental chkONT chkSwitch chkTshoot");
const QStringList kLabFields = names("txtLabname txtLabDescription");
constexpr bool kOpen = true;
constexpr bool kClosed = false;

QString textOf(const QWidget *w)
{
    return w->property("text").toString() + w->property("plainText").toString();
}

const auto showsText = [](const QWidget *w) { return !textOf(w).isEmpty(); };

// The names among `names` whose control passes `test`, so that a failed comparison names the culprits.
QStringList those(MainWindowHarness &h, const QStringList &names, const std::function<bool(const QWidget *)> &test,
                  const QString &aspect = {})
{
    QStringList passing;
    for (const QString &name : names) {
        const auto *w = h.window().findChild<QWidget *>(name);
        if (!w || test(w))
            passing << name + (w ? aspect : u" missing"_qs);
    }
    return passing;
}

QString checkedExams(MainWindowHarness &h)
{
    return those(h, kExamBoxes, [](const QWidget *w) { return qobject_cast<const QCheckBox *>(w)->isChecked(); })
        .join(u' ');
}

// The controls for a lab's own details that a person cannot use as `open` says: enabled, typed
// into, white and, for Cancel, shown.
QStringList labInputsNot(MainWindowHarness &h, bool open)
{
    QStringList wrong = those(h, kBrowse + kExamBoxes, [&](const QWidget *w) { return w->isEnabled() != open; });
    wrong += those(h, kLabFields, [&](const QWidget *w) { return gui::isLocked(w) == open; });
    wrong += those(
        h, kLabFields + kFileLabels, [&](const QWidget *w) { return gui::hasGreyBackground(w) == open; },
        u" background"_qs);
    return wrong + those(h, names("cmdCancel"), [&](const QWidget *w) { return w->isVisibleTo(w->window()) != open; });
}

QStringList rowsOf(const QAbstractItemModel &model, const QModelIndex &parent = {}, int depth = 0)
{
    QStringList rows;
    for (int row = 0; row < model.rowCount(parent); ++row) {
        const QModelIndex index = model.index(row, 0, parent);
        rows << QString(depth, u'.') + index.data().toString();
        rows << rowsOf(model, index, depth + 1);
    }
    return rows;
}

} // namespace

class MainWindowFlowsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void aFirstStartEntersTheCatalogueInChainedStepsAndAStoredOneIsShownNodeByNode();
    void editsKeepEveryStoredPathAndIncompleteLabsAreRefused();
    void deletingLabsSectionsAndEverythingAndCompilingWhileSomethingIsOpen();
    void labAndSectionInputsOpenOnlyWhileTheyAreAddedOrEdited();
    void theTreeModelFollowsEveryChangeAndItsViewTellsOnlyChoices();
};

void MainWindowFlowsTest::aFirstStartEntersTheCatalogueInChainedStepsAndAStoredOneIsShownNodeByNode()
{
    MainWindowHarness h;
    const QString document = h.makeFile(u"docs/OSPF Areas.PDF"_qs);
    const QString topology = h.makeFile(u"top/ospf.top"_qs);
    const QString picture = h.makePicture(u"pics/ospf.png"_qs, 320, 200);
    h.open();
    QCOMPARE(h.treeLines(), QStringList{QString()});
    QCOMPARE(shownTitle(h.window()), langText(LangEntry::ProgramTitle));
    QCOMPARE(h.enabled("txtTab cmdDeleteAll cmdAddSection cmdAddLab chkTestSimMode"), u"txtTab"_qs);
    QVERIFY(!gui::hasGreyBackground(h.control<QLineEdit>("txtTab")));
    QCOMPARE(h.caption("cmdEditTab"), langText(LangEntry::SaveCaption));
    QCOMPARE(h.window().defaultButton(), h.control<QPushButton>("cmdEditTab"));
    QCOMPARE(h.caption("lblInstructions"), langText(LangEntry::MainInstructions));
    QCOMPARE(h.takeMessageEntries(), QList<int>{});
    QVERIFY(h.click("cmdCreatePck")); // nothing to compile, and no dialog for it
    QCOMPARE(h.takeMessageEntries(), QList<int>{97});
    QVERIFY(h.chooser.requests.isEmpty());

    // A blank title is refused; so is one the catalogue file would read as a section header.
    QVERIFY(h.type("txtTab", u"   "_qs));
    QVERIFY(h.click("cmdEditTab"));
    QCOMPARE(h.takeMessageEntries(), QList<int>{109});
    QVERIFY(h.type("txtTab", u"Labs [draft]"_qs));
    QVERIFY(h.click("cmdEditTab"));
    QCOMPARE(h.takeMessageEntries(), QList<int>{-1});
    QCOMPARE(h.caption("cmdEditTab"), langText(LangEntry::SaveCaption));
    QCOMPARE(h.treeLines(), QStringList{QString()});

    QVERIFY(h.type("txtTab", u" CCNA Labs"_qs));
    h.pressEnter(); // Enter in the title field saves it
    QCOMPARE(h.caption("cmdEditTab"), langText(LangEntry::EditTabCaption));
    QVERIFY(!h.control<QLineEdit>("txtTab")->isEnabled());
    QCOMPARE(h.treeLines(), QStringList{u" CCNA Labs"_qs});
    // The first section is opened straight away.
    QCOMPARE(h.caption("cmdAddSection"), langText(LangEntry::SaveSectionCaption));
    QVERIFY(!gui::isLocked(h.control<QLineEdit>("txtSection")));

    QVERIFY(h.type("txtSection", u"routing basics"_qs));
    QVERIFY(h.click("cmdAddSection"));
    QCOMPARE(h.treeLines(), (QStringList{u" CCNA Labs"_qs, u"  Routing basics"_qs}));
    // ... and so is its first lab.
    QCOMPARE(h.caption("cmdAddLab"), langText(LangEntry::SaveLabCaption));
    QCOMPARE(h.caption("lblInstructions"), langText(LangEntry::AddLabInstructions));
    QVERIFY(!h.control<QTreeView>("tvlabs")->isEnabled());
    QCOMPARE(h.control<QLineEdit>("txtSection")->text(), u"Routing basics"_qs);

    QVERIFY(h.type("txtLabname", u"ospf areas"_qs));
    h.chooser.answers = {document, topology};
    h.prompter.answers = {MessageAnswer::No};
    QVERIFY(h.click("cmdBrowse"));
    // The page question has a title of its own.
    QCOMPARE(h.prompter.shown.value(0).title, langText(LangEntry::LinkLabToPageTitle));
    QCOMPARE(h.takeMessageEntries(), QList<int>{94});
    QVERIFY(h.click("cmdBrowseTop"));

    // The optional files are on the second tab, out of reach until it is shown.
    QVERIFY(!h.control<QWidget>("cmdBrowsePicture")->isVisible());
    h.control<QTabBar>("TabStrip1")->setCurrentIndex(1);
    h.chooser.answers = {picture};
    QVERIFY(h.click("cmdBrowsePicture"));
    QCOMPARE(h.captions("lblFile lblTopFile lblPictureFile"), u"OSPF Areas.PDF|ospf.top|ospf.png"_qs);
    QCOMPARE(h.chooser.requests.last().initialFolder, folders().program);
    h.control<QTabBar>("TabStrip1")->setCurrentIndex(0);

    QVERIFY(h.click("chkONT"));
    QVERIFY(h.click("chkICND2"));
    QVERIFY(h.click("chkTestSimMode"));
    QVERIFY(h.type("txtLabDescription", u"Three areas"_qs));
    QCOMPARE(h.window().defaultButton(), h.control<QPushButton>("cmdAddLab"));
    h.pressEnter(); // Enter stores the lab

    QCOMPARE(h.treeLines(), (QStringList{u" CCNA Labs"_qs, u"  Routing basics"_qs, u"    Ospf areas"_qs}));
    QCOMPARE(h.takeMessageEntries(), QList<int>{});
    QCOMPARE(h.caption("cmdAddLab"), langText(LangEntry::AddLabCaption));
    QVERIFY(h.control<QTreeView>("tvlabs")->isEnabled());
    QCOMPARE(h.currentNodeText(), u"Ospf areas"_qs);
    QCOMPARE(h.control<QLineEdit>("txtLabname")->text(), u"Ospf areas"_qs);
    QCOMPARE(h.caption("lblInstructions"), langText(LangEntry::LabSelectedInstructions));
    QVERIFY(h.window().catalogueChanged());

    const LabRecord &stored = h.recordOf(u"Ospf areas"_qs);
    QCOMPARE((QStringList{stored.link, stored.topFile, stored.picture, stored.examsCovered, stored.mode, stored.description}),
             (QStringList{document, topology, picture, u"ont,icnd2"_qs, u"testsim"_qs, u"Three areas"_qs}));
    QCOMPARE(stored.optFiles, 1);
    QVERIFY(!QFile::exists(h.iniPath())); // only compiling writes the catalogue file

    // A stored catalogue is shown node by node; the exam boxes follow the lab shown and the clicks.
    MainWindowHarness shown;
    openCatalogue(shown);
    QCOMPARE(shown.treeLines(),
             (QStringList{u"CCNA Labs"_qs, u"  Routing"_qs, u"    Static routes"_qs, u"    Rip"_qs, u"  Spare"_qs}));
    QCOMPARE(shown.caption("cmdEditTab"), langText(LangEntry::EditTabCaption));
    QCOMPARE(shown.enabled("txtTab cmdDeleteAll cmdAddSection"), u"cmdDeleteAll"_qs);
    QCOMPARE(shown.caption("lblInstructions"), langText(LangEntry::MainInstructions));
    const auto *tree = shown.control<QTreeView>("tvlabs");
    QVERIFY(tree->isExpanded(tree->model()->index(0, 0, tree->model()->index(0, 0))));

    QVERIFY(shown.selectNode(u"Static routes"_qs));
    QCOMPARE(shown.control<QLineEdit>("txtSection")->text(), u"Routing"_qs);
    QCOMPARE(shown.control<QLineEdit>("txtLabname")->text(), u"Static routes"_qs);
    QCOMPARE(shown.captions("lblFile lblTopFile lblNwcFile lblLoadNwcFile lblPictureFile lblLabPackID lblIndex"),
             u"static.pdf|static.top|grade.nwc|load.nwc|static.png|0101001|3"_qs);
    QCOMPARE(shown.control<QPlainTextEdit>("txtLabDescription")->toPlainText(), u"Two routers and a default route"_qs);
    QVERIFY(shown.control<QCheckBox>("chkTestSimMode")->isChecked());
    QCOMPARE(checkedExams(shown), u"chkICND1"_qs);
    QCOMPARE(shown.caption("cmdAddSection"), langText(LangEntry::SelectedItemAddSectionCaption));
    QCOMPARE(shown.enabled("cmdEdit cmdDelete cmdAddLab cmdAddSection"), u"cmdEdit cmdDelete cmdAddLab cmdAddSection"_qs);

    QVERIFY(shown.selectNode(u"Rip"_qs));
    // A Windows path shows its file name too; what the lab lacks shows nothing.
    QCOMPARE(shown.captions("lblFile lblNwcFile"), u"rip.doc|"_qs);
    QVERIFY(!shown.control<QCheckBox>("chkTestSimMode")->isChecked());
    QCOMPARE(checkedExams(shown), u"chkICND1 chkONT"_qs);

    QVERIFY(shown.selectNode(u"Routing"_qs));
    QCOMPARE(shown.captions("cmdAddSection lblFile"), langText(LangEntry::EditSectionCaption) + u'|');
    QCOMPARE(shown.caption("lblInstructions"), langText(LangEntry::SectionSelectedInstructions));
    QCOMPARE(shown.enabled("cmdAddLab cmdDelete"), u"cmdAddLab"_qs); // it still holds labs

    QVERIFY(shown.selectNode(u"Spare"_qs));
    QCOMPARE(shown.captions("lblInstructions lblLabPackID"),
             langText(LangEntry::EmptySectionSelectedInstructions) + u"|0102000"_qs);
    QVERIFY(shown.control<QPushButton>("cmdDelete")->isEnabled());

    QVERIFY(shown.selectNode(u"CCNA Labs"_qs));
    QCOMPARE(shown.caption("lblInstructions"), langText(LangEntry::TabSelectedInstructions));
    QCOMPARE(shown.caption("cmdAddSection"), langText(LangEntry::SelectedItemAddSectionCaption));
    QCOMPARE(shown.enabled("cmdAddLab cmdEdit"), QString());
    QCOMPARE(shown.takeMessageEntries(), QList<int>{});
    QVERIFY(!shown.window().catalogueChanged());

    QVERIFY(shown.selectNode(u"Routing"_qs));
    QVERIFY(shown.click("cmdAddLab"));
    // A new lab starts with the exams of the lab shown last, Rip's; clicks take them off and on.
    QCOMPARE(checkedExams(shown), u"chkICND1 chkONT"_qs);
    QVERIFY(shown.click("chkONT"));
    QVERIFY(shown.click("chkICND1"));
    QCOMPARE(shown.window().editBuffer().examsCovered, QString());
    QVERIFY(shown.click("chkONT"));
    QCOMPARE(shown.window().editBuffer().examsCovered, u"ont"_qs);
    QVERIFY(shown.click("cmdCancel"));

    // Showing a lab sets the boxes, and a lab added next starts from them.
    QVERIFY(shown.selectNode(u"Rip"_qs));
    QCOMPARE(shown.window().editBuffer().examsCovered, u"ont,icnd1"_qs);
    QVERIFY(shown.click("cmdAddLab"));
    QCOMPARE(checkedExams(shown), u"chkICND1 chkONT"_qs);
    shown.chooser.answers = {shown.makeFile(u"a.txt"_qs), shown.makeFile(u"a.top"_qs)};
    QVERIFY(shown.click("cmdBrowse"));
    QVERIFY(shown.click("cmdBrowseTop"));
    QVERIFY(shown.type("txtLabname", u"x"_qs));
    QVERIFY(shown.click("cmdAddLab"));
    QCOMPARE(shown.recordOf(u"X"_qs).examsCovered, u"ont,icnd1"_qs);
}

void MainWindowFlowsTest::editsKeepEveryStoredPathAndIncompleteLabsAreRefused()
{
    MainWindowHarness h;
    openCatalogue(h);
    const LabRecord before = h.recordOf(u"Static routes"_qs);
    QVERIFY(h.selectNode(u"Static routes"_qs));
    QVERIFY(h.click("cmdEdit"));
    QCOMPARE(h.caption("cmdEdit"), langText(LangEntry::SaveLabCaption));
    QVERIFY(h.caption("lblInstructions").startsWith(u"Please select a title for your lab"_qs));
    QCOMPARE(h.caption("lblFile"), u"static.pdf"_qs); // the shown files stay while editing

    // Rename, clear every exam box and leave the mode box alone: no file is chosen again.
    QVERIFY(h.type("txtLabname", u"default routes"_qs));
    QVERIFY(h.click("chkICND1"));
    QVERIFY(h.click("cmdEdit"));
    QCOMPARE(h.takeMessageEntries(), QList<int>{});
    QCOMPARE(h.caption("cmdEdit"), langText(LangEntry::EditLabCaption));
    QCOMPARE(h.caption("lblInstructions"), langText(LangEntry::LabChangesStoredText));
    QCOMPARE(h.currentNodeText(), u"Default routes"_qs);
    // Everything stays as stored, the page link and the exam no box names among it.
    QCOMPARE(h.recordOf(u"Default routes"_qs), before);
    QVERIFY(h.window().catalogueChanged());

    // A new topology replaces only the topology.
    const QString topology = h.makeFile(u"new.top"_qs);
    QVERIFY(h.click("cmdEdit"));
    h.chooser.answers = {topology};
    QVERIFY(h.click("cmdBrowseTop"));
    QVERIFY(h.click("cmdEdit"));
    QCOMPARE(h.recordOf(u"Default routes"_qs).topFile, topology);
    QCOMPARE(h.recordOf(u"Default routes"_qs).link, before.link);
    QCOMPARE(h.caption("lblTopFile"), u"new.top"_qs);

    // A lab with something missing, or a value the catalogue file cannot keep, is refused.
    QVERIFY(QTest::qWaitForWindowActive(&h.window()));
    QVERIFY(h.selectNode(u"Spare"_qs));
    QVERIFY(h.click("cmdAddLab"));
    QVERIFY(h.click("cmdAddLab")); // nothing typed or chosen
    QCOMPARE(h.takeMessageEntries(), QList<int>{91});
    QCOMPARE(h.caption("cmdAddLab"), langText(LangEntry::SaveLabCaption));
    QCOMPARE(QApplication::focusWidget(), h.control<QWidget>("txtLabname"));

    QVERIFY(h.type("txtLabname", u"Vlans"_qs));
    QVERIFY(h.click("cmdAddLab"));
    QCOMPARE(h.takeMessageEntries(), QList<int>{91});
    QCOMPARE(QApplication::focusWidget(), h.control<QWidget>("cmdBrowse"));

    h.chooser.answers = {h.makeFile(u"vlans.txt"_qs), h.makeFile(u"vlans.top"_qs)};
    QVERIFY(h.click("cmdBrowse"));
    QVERIFY(h.click("cmdBrowseTop"));
    QVERIFY(h.type("txtLabDescription", u"trunks = tagged"_qs));
    QVERIFY(h.click("cmdAddLab"));
    QCOMPARE(h.takeMessageEntries(), QList<int>{-1}); // the catalogue file would drop the "="
    QCOMPARE(h.treeLines().size(), 5);

    // A chosen path the catalogue file cannot keep is refused and leaves the earlier choice.
    h.chooser.answers = {h.makeFile(u"[old] vlans.top"_qs)};
    QVERIFY(h.click("cmdBrowseTop"));
    QCOMPARE(h.takeMessageEntries(), QList<int>{-1});
    QCOMPARE(h.caption("lblTopFile"), u"vlans.top"_qs);

    QVERIFY(h.type("txtLabDescription", u"Trunks carry tagged frames"_qs));
    QVERIFY(h.click("cmdAddLab"));
    QCOMPARE(h.takeMessageEntries(), QList<int>{});
    QCOMPARE(h.treeLines().last(), u"    Vlans"_qs);
    QCOMPARE(h.recordOf(u"Vlans"_qs).description, u"Trunks carry tagged frames"_qs);
}

void MainWindowFlowsTest::deletingLabsSectionsAndEverythingAndCompilingWhileSomethingIsOpen()
{
    MainWindowHarness h;
    openCatalogue(h);
    const qint32 recordsBefore = h.catalogue().records().upperBound();

    QVERIFY(h.selectNode(u"Rip"_qs));
    h.prompter.answers = {MessageAnswer::No};
    QVERIFY(h.click("cmdDelete"));
    QVERIFY(h.prompter.shown.value(0).text.endsWith(u"\n\nRip"_qs)); // it names what it deletes
    QCOMPARE(h.prompter.shown.value(0).buttons, MessageButtons::YesNoDefaultNo);
    QCOMPARE(h.takeMessageEntries(), QList<int>{102});
    QCOMPARE(h.treeLines().size(), 5);
    QVERIFY(!h.window().catalogueChanged());

    h.prompter.answers = {MessageAnswer::Yes};
    QVERIFY(h.click("cmdDelete"));
    QCOMPARE(h.takeMessageEntries(), QList<int>{102});
    QCOMPARE(h.treeLines(), (QStringList{u"CCNA Labs"_qs, u"  Routing"_qs, u"    Static routes"_qs, u"  Spare"_qs}));
    QCOMPARE(h.catalogue().records().upperBound(), recordsBefore - 1);
    QCOMPARE(h.currentNodeText(), u"Routing"_qs);
    QCOMPARE(h.control<QLineEdit>("txtSection")->text(), u"Routing"_qs);
    QVERIFY(!h.control<QPushButton>("cmdDelete")->isEnabled()); // one lab is still a lab too many
    QVERIFY(h.window().catalogueChanged());

    QVERIFY(h.selectNode(u"Spare"_qs));
    QVERIFY(h.click("cmdDelete"));
    QCOMPARE(h.treeLines().size(), 3);
    QCOMPARE(h.catalogue().records().upperBound(), recordsBefore - 1);
    QCOMPARE(h.currentNodeText(), u"CCNA Labs"_qs);

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

    // Yes: the window is as on a first start.
    h.prompter.answers = {MessageAnswer::Discard, MessageAnswer::Yes};
    QVERIFY(h.click("cmdDeleteAll"));
    QCOMPARE(h.takeMessageEntries(), (QList<int>{130, 104}));
    QVERIFY(!h.window().catalogueChanged()); // the file went too: nothing is left unsaved
    QCOMPARE(h.catalogue().records().upperBound(), 1);
    QVERIFY(h.control<QLineEdit>("txtTab")->text().isEmpty());
    QCOMPARE(h.caption("cmdEditTab"), langText(LangEntry::SaveCaption));
    QCOMPARE(h.enabled("txtTab cmdDeleteAll cmdAddSection"), u"txtTab"_qs);
    QCOMPARE(h.captions("lblFile lblTopFile lblNwcFile lblLoadNwcFile lblPictureFile"), u"||||"_qs);

    // Compile is refused, before any dialog, with the tab or a section open, and over a configuration that is
    // not there.
    MainWindowHarness other;
    openCatalogue(other);
    QVERIFY(other.click("cmdEditTab"));
    QVERIFY(other.click("cmdCreatePck"));
    QCOMPARE(other.takeMessageEntries(), QList<int>{98});
    QVERIFY(other.click("cmdEditTab"));
    QVERIFY(other.click("cmdCancel")); // renaming the tab opened a section; leave it
    QVERIFY(other.selectNode(u"Spare"_qs));
    QVERIFY(other.click("cmdAddSection"));
    QVERIFY(other.click("cmdCreatePck"));
    QCOMPARE(other.takeMessageEntries(), QList<int>{99});
    QVERIFY(other.click("cmdCancel"));
    QVERIFY(other.click("cmdCreatePck"));
    QCOMPARE(other.takeMessageEntries(), QList<int>{static_cast<int>(LangEntry::CompileCannotBuildMessage)});
    QVERIFY(other.chooser.requests.isEmpty());
}

void MainWindowFlowsTest::labAndSectionInputsOpenOnlyWhileTheyAreAddedOrEdited()
{
    MainWindowHarness h;
    openCatalogue(h);
    QVERIFY(h.selectNode(u"Static routes"_qs));
    const QStringList commands = names("cmdDelete cmdDeleteAll cmdAddSection cmdCreatePck");

    // Adding clears the shown lab away for the new one.
    QVERIFY(h.click("cmdAddLab"));
    QCOMPARE(labInputsNot(h, kOpen), QStringList{});
    QCOMPARE(those(h, kLabFields + kFileLabels, showsText), QStringList{});
    QCOMPARE(those(h, commands + names("cmdEdit chkTestSimMode"), &QWidget::isEnabled), names("chkTestSimMode"));
    h.chooser.answers = {h.makeFile(u"ospf.txt"_qs), h.makeFile(u"ospf.top"_qs)};
    QVERIFY(h.type("txtLabname", u"ospf"_qs));
    QVERIFY(h.click("cmdBrowse") && h.click("cmdBrowseTop"));
    QVERIFY(h.click("cmdAddLab"));
    QCOMPARE(h.currentNodeText(), u"Ospf"_qs);
    QCOMPARE(labInputsNot(h, kClosed), QStringList{});
    QCOMPARE(those(h, commands, &QWidget::isEnabled), commands);
    QCOMPARE(h.window().defaultButton(), h.control<QPushButton>("cmdAddSection"));

    // Editing keeps the lab shown and the tree still.
    QVERIFY(h.click("cmdEdit"));
    QCOMPARE(labInputsNot(h, kOpen), QStringList{});
    QCOMPARE(those(h, names("txtLabname lblFile lblTopFile"), showsText), names("txtLabname lblFile lblTopFile"));
    QCOMPARE(those(h, commands + names("cmdAddLab"), &QWidget::isEnabled), QStringList{});
    QTest::ignoreMessage(QtWarningMsg, "cannot select Static routes");
    QVERIFY(!h.selectNode(u"Static routes"_qs));
    QVERIFY(h.type("txtLabDescription", u"Three areas"_qs) && h.click("cmdEdit"));
    QCOMPARE(h.recordOf(u"Ospf"_qs).description, u"Three areas"_qs);
    QCOMPARE(labInputsNot(h, kClosed), QStringList{});
    QCOMPARE(those(h, commands, &QWidget::isEnabled), commands);

    // Cancel drops what was typed and turns both two-phase buttons back to their first phase.
    QVERIFY(h.selectNode(u"Static routes"_qs) && h.click("cmdEdit"));
    QVERIFY(h.type("txtLabname", u"dropped"_qs) && h.click("cmdCancel"));
    QCOMPARE(h.caption("cmdEdit"), langText(LangEntry::EditLabCaption));
    QCOMPARE(labInputsNot(h, kClosed), QStringList{});
    QCOMPARE(those(h, commands, &QWidget::isEnabled), names("cmdDeleteAll cmdAddSection cmdCreatePck"));
    QVERIFY(h.selectNode(u"Static routes"_qs) && h.click("cmdAddLab") && h.click("cmdCancel"));
    QCOMPARE(h.caption("cmdAddLab"), langText(LangEntry::AddLabCaption));
    QCOMPARE(labInputsNot(h, kClosed), QStringList{});

    // The mode table names real controls, refuses modes it does not know, and each mode changes the
    // window from the one before.
    const QStringList controls = gui::windowModeControlNames();
    QCOMPARE(those(h, controls, [](const QWidget *) { return true; }), controls);

    gui::AddLabs &window = h.window();
    auto nameOf = [](const QWidget *w) { return w ? w->objectName() : QString(); };
    auto state = [&] {
        QStringList states{nameOf(window.defaultButton()), nameOf(window.focusWidget())};
        for (const QWidget *w : window.findChildren<QWidget *>()) {
            const int flags = w->isEnabled() | w->isVisibleTo(&window) << 1 | gui::isLocked(w) << 2 |
                              gui::hasGreyBackground(w) << 3;
            states << QStringList{w->objectName(), textOf(w), QString::number(flags)}.join(u' ');
        }
        return states;
    };
    const QStringList shown = state();
    for (const char *unknown : {"Save All", "add lab", ""})
        QVERIFY2(!gui::applyWindowMode(window, QString::fromLatin1(unknown)), unknown);
    QCOMPARE(state(), shown);

    for (const gui::WindowModeName &mode : gui::windowModeNames()) {
        const QStringList before = state();
        QVERIFY2(gui::applyWindowMode(window, mode.name), qPrintable(mode.name));
        QVERIFY2(state() != before, qPrintable(mode.name));
    }

    // Sections are renamed and added, or cancelled; their input opens only the names.
    MainWindowHarness other;
    openCatalogue(other);
    QVERIFY(other.selectNode(u"Routing"_qs));
    QVERIFY(other.click("cmdAddSection")); // "Edit Section"
    QCOMPARE(other.caption("cmdAddSection"), langText(LangEntry::SaveSectionCaption));
    QVERIFY(other.control<QLineEdit>("txtSection")->text().isEmpty()); // a rename starts from an empty field
    QVERIFY(other.click("cmdAddSection"));
    QCOMPARE(other.takeMessageEntries(), QList<int>{92});
    QVERIFY(other.type("txtSection", u"routing protocols"_qs));
    other.pressEnter();
    QCOMPARE(other.treeLines().mid(1, 2), (QStringList{u"  Routing protocols"_qs, u"    Static routes"_qs}));
    QCOMPARE(other.caption("cmdAddSection"), langText(LangEntry::EditSectionCaption));
    QCOMPARE(other.window().catalogue().tree().nodeByKey(u"OROUTING PROTOCOLS"_qs)->tag(), u"0101000"_qs);

    // A name another section has, letter case aside, is refused and logged; cancel leaves it.
    QVERIFY(other.selectNode(u"CCNA Labs"_qs));
    QVERIFY(other.click("cmdAddSection"));
    QVERIFY(other.type("txtSection", u"SPARE"_qs));
    QVERIFY(other.click("cmdAddSection"));
    QCOMPARE(other.treeLines().size(), 5);
    QCOMPARE(other.caption("cmdAddSection"), langText(LangEntry::SaveSectionCaption));
    QVERIFY(other.click("cmdCancel"));
    // The root is shown again.
    QCOMPARE(other.caption("cmdAddSection"), langText(LangEntry::SelectedItemAddSectionCaption));
    QVERIFY(other.control<QTreeView>("tvlabs")->isEnabled());
    QCOMPARE(other.currentNodeText(), u"CCNA Labs"_qs);

    // A new section goes last and opens no lab, as the catalogue already has sections.
    QVERIFY(other.click("cmdAddSection"));
    QVERIFY(other.type("txtSection", u"nat"_qs));
    QVERIFY(other.click("cmdAddSection"));
    QCOMPARE(other.treeLines().last(), u"  Nat"_qs);
    QCOMPARE(other.caption("cmdAddLab"), langText(LangEntry::AddLabCaption));
    QVERIFY(!other.control<QPushButton>("cmdAddLab")->isEnabled());
    // Clicking the new section, selected already, shows it again and offers to add a lab.
    QVERIFY(other.selectNode(u"Nat"_qs));
    QVERIFY(other.control<QPushButton>("cmdAddLab")->isEnabled());
    QCOMPARE(other.caption("lblInstructions"), langText(LangEntry::EmptySectionSelectedInstructions));
    QCOMPARE(other.takeMessageEntries(), QList<int>{});

    QVERIFY(other.selectNode(u"Static routes"_qs));
    QVERIFY(other.click("cmdAddSection"));
    // The shown lab is cleared away; its name box opens, but nothing that would choose its files.
    QCOMPARE(labInputsNot(other, kClosed), names("txtLabname cmdCancel"));
    QCOMPARE(those(other, names("txtSection txtLabname lblFile lblTopFile"), showsText), QStringList{});
    QVERIFY(!gui::hasGreyBackground(other.control<QWidget>("txtSection")));
    QCOMPARE(those(other, names("cmdAddLab cmdEdit cmdDelete cmdDeleteAll"), &QWidget::isEnabled), QStringList{});
    QTest::ignoreMessage(QtWarningMsg, "cannot select Routing protocols");
    QVERIFY(!other.selectNode(u"Routing protocols"_qs));

    QVERIFY(other.type("txtSection", u"vpn"_qs) && other.click("cmdAddSection"));
    QCOMPARE(other.currentNodeText(), u"Vpn"_qs);
    QCOMPARE(labInputsNot(other, kClosed), QStringList{});
    const auto *sectionField = other.control<QWidget>("txtSection");
    QVERIFY(gui::isLocked(sectionField) && gui::hasGreyBackground(sectionField));
    QVERIFY(other.control<QWidget>("cmdDeleteAll")->isEnabled());
    QVERIFY(other.selectNode(u"Routing protocols"_qs));
}

// The tree model over the catalogue document, checked by Qt's own model tester while the document
// changes in every way it can, and a view over it.
void MainWindowFlowsTest::theTreeModelFollowsEveryChangeAndItsViewTellsOnlyChoices()
{
    Catalogue c;
    gui::CatalogueModel model(c);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    c.clear(u"Tab"_qs);
    CatalogueNode *s1 = c.insertSection(u"S1"_qs);
    CatalogueNode *s2 = c.insertSection(u"S2"_qs, {}, 0);
    CatalogueNode *a = c.insertLab(s1, u"a"_qs, LabRecord{});
    c.insertLab(s1, u"b"_qs, LabRecord{}, 0);
    c.insertLab(s2, u"c"_qs, LabRecord{});
    QCOMPARE(rowsOf(model), (QStringList{u"Tab"_qs, u".S2"_qs, u"..c"_qs, u".S1"_qs, u"..b"_qs, u"..a"_qs}));
    QCOMPARE(model.indexOf(a).row(), 1);
    QCOMPARE(gui::CatalogueModel::nodeOf(model.indexOf(a)), a);
    QVERIFY(model.index(0, 0).data(Qt::FontRole).value<QFont>().bold());

    QVERIFY(c.moveNode(a, s2, 0));
    QVERIFY(c.moveNode(s1, c.tree().root(), 0));
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    c.renameSection(s2, u"renamed"_qs);
    QCOMPARE(changed.size(), 1);
    QCOMPARE(changed.first().first().toModelIndex(), model.indexOf(s2));
    QCOMPARE(rowsOf(model), (QStringList{u"Tab"_qs, u".S1"_qs, u"..b"_qs, u".Renamed"_qs, u"..a"_qs, u"..c"_qs}));

    QVERIFY(c.removeNode(s1));
    c.deleteAll();
    QCOMPARE(rowsOf(model), QStringList{QString()});

    // A view over it shows what the document holds, and tells the user's choices only.
    c.clear(u"Tab"_qs);
    CatalogueNode *section = c.insertSection(u"S"_qs);
    CatalogueNode *lab = c.insertLab(section, u"L"_qs, LabRecord{});
    section->setExpanded(true);
    gui::CatalogueView view;
    view.setCatalogueModel(&model);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    view.expand(model.index(0, 0));
    QVERIFY(view.isExpanded(model.indexOf(section))); // opened as the node says
    QSignalSpy chosen(&view, &gui::CatalogueView::nodeChosen);

    view.showNode(lab);
    QCOMPARE(view.currentNode(), lab);
    QVERIFY(chosen.isEmpty());

    // A click chooses once, also the node already current; the keyboard chooses where it moves.
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, view.visualRect(model.indexOf(lab)).center());
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, view.visualRect(model.indexOf(section)).center());
    QTest::keyClick(&view, Qt::Key_Down);
    QCOMPARE(chosen.size(), 3);
    QCOMPARE(chosen[0].first().value<CatalogueNode *>(), lab);
    QCOMPARE(chosen[1].first().value<CatalogueNode *>(), section);
    QCOMPARE(chosen[2].first().value<CatalogueNode *>(), lab);

    // A node that becomes current because the one before it went is no choice of the user's.
    QVERIFY(c.removeNode(lab));
    QCOMPARE(view.currentNode(), section);
    QCOMPARE(chosen.size(), 3);

    // Collapsing is kept with the node, so a reloaded catalogue opens the same way.
    view.collapse(model.indexOf(section));
    QVERIFY(!section->isExpanded());
}

FENDREL_GUI_TEST_MAIN(MainWindowFlowsTest)
#include "MainWindowFlowsTest.moc"
