// What a person can and cannot do in each window mode, reached the way a person reaches it: with
// the add, edit, section and cancel buttons. Of the mode table itself only its names are checked.

#include "gui/WindowModes.h"
#include "startup/LanguageTable.h"
#include "support/GuiTestSupport.h"
#include "support/TestSupport.h"

#include <QPushButton>

#include <functional>

using namespace fendrel;
using namespace fendrel::test;

namespace {

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
            passing << name + (w ? aspect : QStringLiteral(" missing"));
    }
    return passing;
}

// The controls for a lab's own details that a person cannot use as `open` says: enabled, typed
// into, white and, for Cancel, shown.
QStringList labInputsNot(MainWindowHarness &h, bool open)
{
    QStringList wrong = those(h, kBrowse + kExamBoxes, [&](const QWidget *w) { return w->isEnabled() != open; });
    wrong += those(h, kLabFields, [&](const QWidget *w) { return gui::isLocked(w) == open; });
    wrong += those(
        h, kLabFields + kFileLabels, [&](const QWidget *w) { return gui::hasGreyBackground(w) == open; },
        QStringLiteral(" background"));
    return wrong + those(h, names("cmdCancel"), [&](const QWidget *w) { return w->isVisibleTo(w->window()) != open; });
}

// A window over a catalogue of one section and one lab, with the lab shown.
bool openOnLab(MainWindowHarness &h)
{
    writeFile(h.iniPath(), "[GENERAL]\r\ntabtitle=Labs\r\nsku=0100000\r\n[SECTION0]\r\nsectionname=Routing\r\n"
                           "sku=0101000\r\nnumberofentries=1\r\nlab0=Static routes\r\nlink0=/labs/static.txt\r\n"
                           "topfile0=/labs/static.top\r\ndescription0=Two routers\r\n");
    h.open();
    return h.selectNode(QStringLiteral("Static routes"));
}

} // namespace

class WindowModesTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void labInputIsOpenOnlyWhileALabIsAddedOrEdited();
    void sectionInputOpensOnlyTheNames();
    void tableNamesRealControlsAndModes();
};

void WindowModesTest::labInputIsOpenOnlyWhileALabIsAddedOrEdited()
{
    MainWindowHarness h;
    QVERIFY(openOnLab(h));
    const QStringList commands = names("cmdDelete cmdDeleteAll cmdAddSection cmdCreatePck");

    // Adding clears the shown lab away for the new one.
    QVERIFY(h.click("cmdAddLab"));
    QCOMPARE(labInputsNot(h, kOpen), QStringList{});
    QCOMPARE(those(h, kLabFields + kFileLabels, showsText), QStringList{});
    QCOMPARE(those(h, commands + names("cmdEdit chkTestSimMode"), &QWidget::isEnabled), names("chkTestSimMode"));
    h.chooser.answers = {h.makeFile(QStringLiteral("ospf.txt")), h.makeFile(QStringLiteral("ospf.top"))};
    QVERIFY(h.type("txtLabname", QStringLiteral("ospf")));
    QVERIFY(h.click("cmdBrowse") && h.click("cmdBrowseTop"));
    QVERIFY(h.click("cmdAddLab"));
    QCOMPARE(h.currentNodeText(), QStringLiteral("Ospf"));
    QCOMPARE(labInputsNot(h, kClosed), QStringList{});
    QCOMPARE(those(h, commands, &QWidget::isEnabled), commands);
    QCOMPARE(h.window().defaultButton(), h.control<QPushButton>("cmdAddSection"));

    // Editing keeps the lab shown and the tree still.
    QVERIFY(h.click("cmdEdit"));
    QCOMPARE(labInputsNot(h, kOpen), QStringList{});
    QCOMPARE(those(h, names("txtLabname lblFile lblTopFile"), showsText), names("txtLabname lblFile lblTopFile"));
    QCOMPARE(those(h, commands + names("cmdAddLab"), &QWidget::isEnabled), QStringList{});
    QTest::ignoreMessage(QtWarningMsg, "cannot select Static routes");
    QVERIFY(!h.selectNode(QStringLiteral("Static routes")));
    QVERIFY(h.type("txtLabDescription", QStringLiteral("Three areas")) && h.click("cmdEdit"));
    QCOMPARE(h.recordOf(QStringLiteral("Ospf")).description, QStringLiteral("Three areas"));
    QCOMPARE(labInputsNot(h, kClosed), QStringList{});
    QCOMPARE(those(h, commands, &QWidget::isEnabled), commands);

    // Cancel drops what was typed and turns both two-phase buttons back to their first phase.
    QVERIFY(h.selectNode(QStringLiteral("Static routes")) && h.click("cmdEdit"));
    QVERIFY(h.type("txtLabname", QStringLiteral("dropped")) && h.click("cmdCancel"));
    QCOMPARE(h.caption("cmdEdit"), langText(LangEntry::EditLabCaption));
    QCOMPARE(labInputsNot(h, kClosed), QStringList{});
    QCOMPARE(those(h, commands, &QWidget::isEnabled), names("cmdDeleteAll cmdAddSection cmdCreatePck"));
    QVERIFY(h.selectNode(QStringLiteral("Static routes")) && h.click("cmdAddLab") && h.click("cmdCancel"));
    QCOMPARE(h.caption("cmdAddLab"), langText(LangEntry::AddLabCaption));
    QCOMPARE(labInputsNot(h, kClosed), QStringList{});
}

void WindowModesTest::sectionInputOpensOnlyTheNames()
{
    MainWindowHarness h;
    QVERIFY(openOnLab(h));
    QVERIFY(h.click("cmdAddSection"));
    // The shown lab is cleared away; its name box opens, but nothing that would choose its files.
    QCOMPARE(labInputsNot(h, kClosed), names("txtLabname cmdCancel"));
    QCOMPARE(those(h, names("txtSection txtLabname lblFile lblTopFile"), showsText), QStringList{});
    QVERIFY(!gui::hasGreyBackground(h.control<QWidget>("txtSection")));
    QCOMPARE(those(h, names("cmdAddLab cmdEdit cmdDelete cmdDeleteAll"), &QWidget::isEnabled), QStringList{});
    QTest::ignoreMessage(QtWarningMsg, "cannot select Routing");
    QVERIFY(!h.selectNode(QStringLiteral("Routing")));

    QVERIFY(h.type("txtSection", QStringLiteral("nat")) && h.click("cmdAddSection"));
    QCOMPARE(h.currentNodeText(), QStringLiteral("Nat"));
    QCOMPARE(labInputsNot(h, kClosed), QStringList{});
    const auto *section = h.control<QWidget>("txtSection");
    QVERIFY(gui::isLocked(section) && gui::hasGreyBackground(section));
    QVERIFY(h.control<QWidget>("cmdDeleteAll")->isEnabled());
    QVERIFY(h.selectNode(QStringLiteral("Routing")));
}

void WindowModesTest::tableNamesRealControlsAndModes()
{
    MainWindowHarness h;
    QVERIFY(openOnLab(h));
    const QStringList controls = gui::windowModeControlNames();
    for (const QString &name : kBrowse + kLabFields + kFileLabels)
        QVERIFY2(controls.contains(name), qPrintable(name));
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

    // One after another, each mode changes the window from the one before.
    for (const gui::WindowModeName &mode : gui::windowModeNames()) {
        const QStringList before = state();
        QVERIFY2(gui::applyWindowMode(window, mode.name), qPrintable(mode.name));
        QVERIFY2(state() != before, qPrintable(mode.name));
    }
}

FENDREL_GUI_TEST_MAIN(WindowModesTest)
#include "WindowModesTest.moc"
