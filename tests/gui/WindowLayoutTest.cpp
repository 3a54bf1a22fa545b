// The windows as laid out on a real screen: wholly on it, the wizard beside the main window where
// there is room, no two controls over each other at the smallest size, a tab order that reads as
// the layout does, and a name for every control a screen reader can reach. CTest runs this once
// per screen of tests/data/screens, some scaled (see tests/CMakeLists.txt).

#include "gui/PDFLink.h"
#include "gui/Wizard.h"
#include "support/GuiTestSupport.h"

#include <QAbstractScrollArea>
#include <QAccessible>
#include <QScreen>
#include <QScrollBar>

using namespace fendrel;
using namespace fendrel::test;

namespace {

QString describe(const QWidget *w)
{
    return w->objectName() + u' ' + QString::fromLatin1(w->metaObject()->className());
}

QString describe(const QRect &r)
{
    return QStringLiteral("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

bool shown(const QWidget *w, const QWidget *window)
{
    return w->isVisibleTo(window) && w->width() > 0 && w->height() > 0;
}

// Pairs of sibling controls that cover each other. The parts of a scroll area and the tool
// buttons a tab bar overlays on its tabs are drawn over each other on purpose.
QStringList overlaps(QWidget *window)
{
    QStringList found;
    QList<QWidget *> parents = window->findChildren<QWidget *>();
    parents << window;
    for (QWidget *parent : parents) {
        if (!shown(parent, window) || qobject_cast<QAbstractScrollArea *>(parent) || parent->inherits("QTabBar"))
            continue;
        QList<QWidget *> children;
        for (QObject *child : parent->children()) {
            auto *w = qobject_cast<QWidget *>(child);
            if (w && !w->isWindow() && shown(w, window))
                children << w;
        }
        for (int i = 0; i < children.size(); ++i) {
            for (int j = i + 1; j < children.size(); ++j) {
                if (children[i]->geometry().intersects(children[j]->geometry()))
                    found << describe(children[i]) + u'/' + describe(children[j]) + QStringLiteral(" in ") + describe(parent);
            }
        }
    }
    return found;
}

// Tab goes down the window, and within a row from left to right: each control the focus chain
// reaches next, among those sharing its parent, must not stand above the row of the one before.
QStringList tabOrderFaults(QWidget *window)
{
    QStringList faults;
    QList<QWidget *> chain;
    QWidget *w = window;
    do {
        w = w->nextInFocusChain();
        if ((w->focusPolicy() & Qt::TabFocus) && w->isEnabled() && shown(w, window))
            chain << w;
    } while (w != window && chain.size() < 500);
    for (int i = 1; i < chain.size(); ++i) {
        const QWidget *before = chain[i - 1];
        const QWidget *next = chain[i];
        if (before->parentWidget() != next->parentWidget())
            continue;
        if (next->geometry().bottom() < before->geometry().top())
            faults << describe(before) + QStringLiteral(" -> ") + describe(next);
    }
    return faults;
}

QStringList unnamedControls()
{
    QStringList unnamed;
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (!window->isVisible())
            continue;
        for (QWidget *control : window->findChildren<QWidget *>()) {
            if (control->focusPolicy() == Qt::NoFocus || !control->isVisibleTo(window))
                continue;
            QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(control);
            if (!accessible || accessible->text(QAccessible::Name).trimmed().isEmpty())
                unnamed << window->objectName() + u'/' + describe(control);
        }
    }
    return unnamed;
}

} // namespace

class WindowLayoutTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void windowsOpenWhollyOnTheScreen();
    void smallestLayoutsKeepControlsApart();
    void everyControlHasANameAndTabReadsTheLayout();
};

void WindowLayoutTest::windowsOpenWhollyOnTheScreen()
{
    MainWindowHarness h;
    openTwoLabs(h);
    QWidget &main = h.window();
    gui::Wizard *wizard = h.window().showWizard();
    QVERIFY(wizard);
    QVERIFY(QTest::qWaitForWindowExposed(wizard));
    const QRect area = main.screen()->availableGeometry();
    qInfo("screen %s, scale %.2f", qPrintable(describe(area)), main.screen()->devicePixelRatio());
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (window->isVisible())
            QVERIFY2(area.contains(window->frameGeometry()), qPrintable(describe(window) + u' ' + describe(window->frameGeometry())));
    }
    const QRect mainFrame = main.frameGeometry();
    const QRect wizardFrame = wizard->frameGeometry();
    const bool roomBeside = mainFrame.width() + wizardFrame.width() <= area.width();
    QCOMPARE(!mainFrame.intersects(wizardFrame), roomBeside);
    if (roomBeside)
        QCOMPARE(wizardFrame.top(), mainFrame.top());
}

void WindowLayoutTest::smallestLayoutsKeepControlsApart()
{
    MainWindowHarness h;
    openTwoLabs(h);
    QVERIFY(h.selectNode(QStringLiteral("Rip")));
    QVERIFY(h.click("cmdEdit")); // the most controls at once
    h.chooser.answers = {h.makeFile(QStringLiteral("guide.pdf"), "%PDF-1.4")};
    h.prompter.answers = {MessageAnswer::Yes};
    QVERIFY(h.click("cmdBrowse"));
    QWidget *link = h.window().pageLink();
    QVERIFY(link);
    gui::Wizard *wizard = h.window().showWizard();
    for (QWidget *window : std::initializer_list<QWidget *>{&h.window(), wizard, link}) {
        window->resize(window->minimumSizeHint().expandedTo(window->minimumSize()));
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QCoreApplication::processEvents();
        const QStringList found = overlaps(window);
        QVERIFY2(found.isEmpty(), qPrintable(found.join(u'\n')));
    }
}

void WindowLayoutTest::everyControlHasANameAndTabReadsTheLayout()
{
    MainWindowHarness h;
    openTwoLabs(h);
    QVERIFY(h.selectNode(QStringLiteral("Rip")));
    QVERIFY(h.click("cmdEdit"));
    gui::Wizard *wizard = h.window().showWizard();
    const QStringList unnamed = unnamedControls();
    QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(u'\n')));
    for (QWidget *window : std::initializer_list<QWidget *>{&h.window(), wizard}) {
        const QStringList faults = tabOrderFaults(window);
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(u'\n')));
    }
}

FENDREL_GUI_TEST_MAIN(WindowLayoutTest)
#include "WindowLayoutTest.moc"
