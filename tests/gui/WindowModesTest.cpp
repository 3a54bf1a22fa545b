// The control states of every window mode, written out here mode by mode, independently of the
// table the window applies. Each mode is applied twice, once over controls set one way and once
// over controls set the opposite way, so a state the mode leaves alone is told apart from one it
// sets.

#include "gui/WindowModes.h"
#include "startup/LanguageTable.h"
#include "support/GuiTestSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>

using namespace fendrel;
using namespace fendrel::test;

namespace {

const QStringList kBrowseButtons{QStringLiteral("cmdBrowse"),           QStringLiteral("cmdBrowseTop"),
                                 QStringLiteral("cmdBrowsenwc"),        QStringLiteral("cmdBrowsePicture"),
                                 QStringLiteral("cmdBrowseLoadNwc"),    QStringLiteral("cmdBrowseNodaraXImages"),
                                 QStringLiteral("cmdBrowseNodaraXTopFile"), QStringLiteral("cmdBrowseSetupFile")};
const QStringList kFileLabels{QStringLiteral("lblFile"), QStringLiteral("lblTopFile"), QStringLiteral("lblNwcFile"),
                              QStringLiteral("lblPictureFile"), QStringLiteral("lblLoadNwcFile")};
const QStringList kNodaraXLabels{QStringLiteral("lblNodaraXImagesPath"), QStringLiteral("lblNodaraXTopFilePath"),
                                 QStringLiteral("lblSetupFilePath")};
const QStringList kExamBoxes{QStringLiteral("chkBCMSN"), QStringLiteral("chkBSCI"),   QStringLiteral("chkICND1"),
                             QStringLiteral("chkICND2"), QStringLiteral("chkISCW"),   QStringLiteral("chkRoute"),
                             QStringLiteral("chkSupplemental"), QStringLiteral("chkONT"), QStringLiteral("chkSwitch"),
                             QStringLiteral("chkTshoot")};
const QString kSentinel = QStringLiteral("sentinel");

// Every control and property that some mode sets, with the state given to it before a mode is
// applied: "on" for the first pass, the opposite for the second.
struct Prepared {
    QString control;
    QString property;
};

QList<Prepared> preparedStates()
{
    QList<Prepared> states;
    auto add = [&](const QStringList &controls, const char *property) {
        for (const QString &c : controls)
            states.append({c, QString::fromLatin1(property)});
    };
    add({QStringLiteral("tvlabs"), QStringLiteral("cmdAddLab"), QStringLiteral("cmdEdit"), QStringLiteral("cmdDelete"),
         QStringLiteral("cmdDeleteAll"), QStringLiteral("cmdAddSection"), QStringLiteral("cmdEditTab"),
         QStringLiteral("cmdCreatePck"), QStringLiteral("chkTestSimMode")},
        "enabled");
    add(kBrowseButtons, "enabled");
    add(kExamBoxes, "enabled");
    add({QStringLiteral("cmdAddLab"), QStringLiteral("cmdEdit"), QStringLiteral("cmdAddSection"),
         QStringLiteral("lblInstructions")},
        "caption");
    add(kFileLabels, "caption");
    add(kNodaraXLabels, "caption");
    add({QStringLiteral("cmdCancel")}, "visible");
    add({QStringLiteral("txtLabname"), QStringLiteral("txtLabDescription"), QStringLiteral("txtSection")}, "locked");
    add({QStringLiteral("txtLabname"), QStringLiteral("txtLabDescription"), QStringLiteral("txtSection")}, "background");
    add(kFileLabels, "background");
    add(kNodaraXLabels, "background");
    add({QStringLiteral("txtLabname"), QStringLiteral("txtLabDescription"), QStringLiteral("txtSection")}, "text");
    return states;
}

QString textOf(QWidget *w)
{
    if (auto *button = qobject_cast<QAbstractButton *>(w))
        return button->text();
    if (auto *label = qobject_cast<QLabel *>(w))
        return label->text();
    if (auto *line = qobject_cast<QLineEdit *>(w))
        return line->text();
    if (auto *plain = qobject_cast<QPlainTextEdit *>(w))
        return plain->toPlainText();
    return {};
}

void setTextOf(QWidget *w, const QString &text)
{
    if (auto *button = qobject_cast<QAbstractButton *>(w))
        button->setText(text);
    else if (auto *label = qobject_cast<QLabel *>(w))
        label->setText(text);
    else if (auto *line = qobject_cast<QLineEdit *>(w))
        line->setText(text);
    else if (auto *plain = qobject_cast<QPlainTextEdit *>(w))
        plain->setPlainText(text);
}

// The state as a text that the expectations below can name: "yes"/"no" for switches,
// "grey"/"window" for colours, "entry N" or "empty" or the sentinel for texts.
QString stateOf(gui::AddLabs &window, const Prepared &p)
{
    QWidget *w = window.findChild<QWidget *>(p.control);
    if (p.property == u"enabled")
        return w->isEnabled() ? QStringLiteral("yes") : QStringLiteral("no");
    if (p.property == u"visible")
        return w->isVisibleTo(&window) ? QStringLiteral("yes") : QStringLiteral("no");
    if (p.property == u"locked")
        return gui::isLocked(w) ? QStringLiteral("yes") : QStringLiteral("no");
    if (p.property == u"background")
        return gui::hasGreyBackground(w) ? QStringLiteral("grey") : QStringLiteral("window");
    const QString text = textOf(w);
    if (text.isEmpty())
        return QStringLiteral("empty");
    if (text == kSentinel)
        return kSentinel;
    for (int entry : {4, 6, 23, 87, 125, 126, 127, 128}) {
        if (text == languageTable().text(entry))
            return QStringLiteral("entry %1").arg(entry);
    }
    return text;
}

void prepare(gui::AddLabs &window, const Prepared &p, bool on)
{
    QWidget *w = window.findChild<QWidget *>(p.control);
    if (p.property == u"enabled")
        w->setEnabled(on);
    else if (p.property == u"visible")
        w->setVisible(on);
    else if (p.property == u"locked")
        gui::setLocked(w, on);
    else if (p.property == u"background")
        gui::setFieldBackground(w, on);
    else
        setTextOf(w, kSentinel);
}

} // namespace

class WindowModesTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void controlStatesOfEachMode_data();
    void controlStatesOfEachMode();
    void unknownModeChangesNothing();
};

void WindowModesTest::controlStatesOfEachMode_data()
{
    // Each row lists what the mode sets, as "control.property=state"; everything else must keep
    // the state it had. "browse", "files", "nodarax" and "exams" stand for their groups.
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("sets");
    QTest::addColumn<QString>("defaultButton"); // the default button afterwards; "-" for unchanged
    QTest::addColumn<QString>("focus");         // the focus widget afterwards; "-" for unchanged

    QTest::newRow("Add Lab") << "Add Lab"
                             << "tvlabs.enabled=no cmdAddLab.caption=entry 126 cmdEdit.enabled=no cmdDelete.enabled=no "
                                "cmdDeleteAll.enabled=no cmdAddSection.enabled=no cmdCreatePck.enabled=no "
                                "cmdCancel.visible=yes browse.enabled=yes chkTestSimMode.enabled=yes exams.enabled=yes "
                                "txtLabname.locked=no txtLabname.background=window txtLabname.text=empty "
                                "txtLabDescription.locked=no txtLabDescription.background=window "
                                "txtLabDescription.text=empty txtSection.locked=yes files.background=window "
                                "files.caption=empty nodarax.background=window nodarax.caption=empty "
                                "lblInstructions.caption=entry 127"
                             << "cmdAddLab" << "-";
    QTest::newRow("Save Lab") << "Save Lab"
                              << "tvlabs.enabled=yes cmdAddLab.caption=entry 4 cmdAddLab.enabled=yes "
                                 "cmdDeleteAll.enabled=yes cmdAddSection.enabled=yes cmdEditTab.enabled=yes "
                                 "cmdCreatePck.enabled=yes cmdCancel.visible=no browse.enabled=no exams.enabled=no "
                                 "txtLabname.locked=yes txtLabname.background=grey txtLabname.text=empty "
                                 "txtLabDescription.locked=yes txtLabDescription.background=grey "
                                 "txtSection.locked=yes files.background=grey files.caption=empty "
                                 "nodarax.background=grey"
                              << "cmdAddSection" << "-";
    QTest::newRow("Edit Lab") << "Edit Lab"
                              << "tvlabs.enabled=no cmdAddLab.enabled=no cmdEdit.caption=entry 126 "
                                 "cmdDelete.enabled=no cmdDeleteAll.enabled=no cmdAddSection.enabled=no "
                                 "cmdCreatePck.enabled=no cmdCancel.visible=yes browse.enabled=yes "
                                 "chkTestSimMode.enabled=yes exams.enabled=yes txtLabname.locked=no "
                                 "txtLabname.background=window txtLabDescription.locked=no "
                                 "txtLabDescription.background=window files.background=window "
                                 "nodarax.background=window lblInstructions.caption=entry 128"
                              << "-" << "-";
    QTest::newRow("Save Edit Lab") << "Save Edit Lab"
                                   << "tvlabs.enabled=yes cmdAddLab.enabled=yes cmdEdit.caption=entry 6 "
                                      "cmdDeleteAll.enabled=yes cmdEditTab.enabled=yes cmdCreatePck.enabled=yes "
                                      "cmdCancel.visible=no browse.enabled=no exams.enabled=no txtLabname.locked=yes "
                                      "txtLabname.background=grey txtLabDescription.locked=yes "
                                      "txtLabDescription.background=grey txtSection.locked=yes files.background=grey "
                                      "nodarax.background=grey"
                                   << "-" << "-";
    QTest::newRow("Add Section") << "Add Section"
                                 << "tvlabs.enabled=no cmdAddLab.enabled=no cmdEdit.enabled=no cmdDelete.enabled=no "
                                    "cmdDeleteAll.enabled=no cmdAddSection.caption=entry 125 cmdCancel.visible=yes "
                                    "txtLabname.locked=no txtLabname.text=empty txtSection.locked=no "
                                    "txtSection.background=window txtSection.text=empty files.caption=empty "
                                    "nodarax.caption=empty"
                                 << "-" << "txtSection";
    QTest::newRow("Save Section") << "Save Section"
                                  << "tvlabs.enabled=yes cmdAddLab.enabled=no cmdDeleteAll.enabled=yes "
                                     "cmdAddSection.caption=entry 87 cmdAddSection.enabled=yes cmdEditTab.enabled=yes "
                                     "cmdCancel.visible=no browse.enabled=no txtLabname.locked=yes "
                                     "txtLabname.text=empty txtSection.locked=yes txtSection.background=grey "
                                     "files.caption=empty nodarax.caption=empty"
                                  << "cmdAddSection" << "-";
    QTest::newRow("Cancel") << "Cancel"
                            << "cmdAddLab.caption=entry 4 cmdAddLab.enabled=no cmdEdit.caption=entry 6 "
                               "cmdDeleteAll.enabled=yes cmdAddSection.caption=entry 23 cmdAddSection.enabled=yes "
                               "cmdCreatePck.enabled=yes cmdCancel.visible=no exams.enabled=no "
                               "txtLabname.background=grey txtLabname.text=empty txtLabDescription.locked=yes "
                               "txtLabDescription.background=grey txtSection.background=grey txtSection.text=empty "
                               "files.background=grey files.caption=empty nodarax.background=grey "
                               "nodarax.caption=empty"
                            << "cmdAddSection" << "-";
}

void WindowModesTest::controlStatesOfEachMode()
{
    QFETCH(QString, mode);
    QFETCH(QString, sets);
    QFETCH(QString, defaultButton);
    QFETCH(QString, focus);

    QMap<QString, QString> expected; // "control.property" -> state
    const QMap<QString, QStringList> groups{{QStringLiteral("browse"), kBrowseButtons},
                                            {QStringLiteral("files"), kFileLabels},
                                            {QStringLiteral("nodarax"), kNodaraXLabels},
                                            {QStringLiteral("exams"), kExamBoxes}};
    for (const QString &item : sets.split(QRegularExpression(QStringLiteral(" (?=[A-Za-z0-9]+\\.)")))) {
        const qsizetype dot = item.indexOf(u'.');
        const qsizetype equals = item.indexOf(u'=');
        const QString control = item.left(dot);
        const QString key = item.mid(dot, equals - dot);
        for (const QString &c : groups.value(control, QStringList{control}))
            expected.insert(c + key, item.mid(equals + 1));
    }

    MainWindowHarness h;
    gui::AddLabs &window = h.open();
    const QList<Prepared> states = preparedStates();
    for (const QString &key : expected.keys()) {
        const bool known = std::any_of(states.begin(), states.end(),
                                       [&](const Prepared &p) { return p.control + u'.' + p.property == key; });
        QVERIFY2(known, qPrintable(QStringLiteral("the test prepares no state for ") + key));
    }

    for (bool on : {true, false}) {
        for (const Prepared &p : states)
            prepare(window, p, on);
        auto *sentinelDefault = h.control<QPushButton>(on ? "cmdLoadLabPck" : "cmdAddSection");
        window.setDefaultButton(sentinelDefault);
        h.control<QWidget>("cmdLoadLabPck")->setFocus();
        QMap<QString, QString> before;
        for (const Prepared &p : states)
            before.insert(p.control + u'.' + p.property, stateOf(window, p));

        window.setWindowMode(mode);

        for (const Prepared &p : states) {
            const QString key = p.control + u'.' + p.property;
            const QString want = expected.value(key, before.value(key));
            QVERIFY2(stateOf(window, p) == want, qPrintable(QStringLiteral("%1 is %2, expected %3 (pass %4)")
                                                                .arg(key, stateOf(window, p), want,
                                                                     on ? QStringLiteral("on") : QStringLiteral("off"))));
        }
        const QString defaultName = window.defaultButton() ? window.defaultButton()->objectName() : QString();
        QCOMPARE(defaultName, defaultButton == u"-" ? sentinelDefault->objectName() : defaultButton);
        QCOMPARE(window.focusWidget()->objectName(), focus == u"-" ? QStringLiteral("cmdLoadLabPck") : focus);
    }
}

void WindowModesTest::unknownModeChangesNothing()
{
    MainWindowHarness h;
    gui::AddLabs &window = h.open();
    QMap<QString, QString> before;
    for (const Prepared &p : preparedStates())
        before.insert(p.control + u'.' + p.property, stateOf(window, p));
    window.setWindowMode(QStringLiteral("Save All"));
    window.setWindowMode(QStringLiteral("add lab")); // mode names are matched exactly
    for (const Prepared &p : preparedStates())
        QCOMPARE(stateOf(window, p), before.value(p.control + u'.' + p.property));
}

FENDREL_GUI_TEST_MAIN(WindowModesTest)
#include "WindowModesTest.moc"
