// The windows around the main window: the progress windows, the splash and the program's icon.

#include "gui/GuiTestSupport.h"
#include "gui/Icon.h"
#include "gui/ProgressWindows.h"
#include "gui/Splash.h"
#include "startup/LanguageTable.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QProgressBar>
#include <QTimer>

using namespace fendrel;

class ProgramWindowsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void progressWindowsMoveTheirBarAndStartEmpty();
    void aClickDismissesTheSplash();
    void everyWindowCarriesTheProgramIcon();
};

void ProgramWindowsTest::progressWindowsMoveTheirBarAndStartEmpty()
{
    gui::SaveStatus status;
    QCOMPARE(status.objectName(), QStringLiteral("frmSaveStatus"));
    QCOMPARE(status.lblCompiling->objectName(), QStringLiteral("lblCompiling"));
    status.load(QStringLiteral("Fendrel Lab Builder - Net.lab"));
    QCOMPARE(status.lblCompiling->text(), langText(37));
    QCOMPARE(status.windowTitle(), QStringLiteral("Fendrel Lab Builder - Net.lab"));
    QCOMPARE(status.ProgressBar1->minimum(), 0);
    QCOMPARE(status.ProgressBar1->maximum(), 100);
    status.showNow();
    QVERIFY(status.isVisible());
    status.huffmanProgress(40);
    QCOMPARE(status.ProgressBar1->value(), 40);
    status.huffmanProgress(100);
    QCOMPARE(status.ProgressBar1->value(), 100);
    status.unload();
    QCOMPARE(status.ProgressBar1->value(), 0);
    QVERIFY(!status.isVisible());
    // A second load starts from an empty bar and its own label again.
    status.lblCompiling->setText(QStringLiteral("Compressing Lab Package..."));
    status.huffmanProgress(70);
    status.load(QStringLiteral("Fendrel Lab Builder"));
    QCOMPARE(status.ProgressBar1->value(), 0);
    QCOMPARE(status.lblCompiling->text(), langText(37));

    gui::Progress progress;
    QCOMPARE(progress.objectName(), QStringLiteral("frmProgress"));
    progress.load(QStringLiteral("Fendrel Lab Builder"));
    QCOMPARE(progress.Label1->text(), langText(36));
    QCOMPARE(progress.Label1->objectName(), QStringLiteral("Label1"));
}

void ProgramWindowsTest::aClickDismissesTheSplash()
{
    QTimer::singleShot(50, [] {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (w->objectName() == u"frmSplash" && w->isVisible())
                QTest::mouseClick(w, Qt::LeftButton);
        }
    });
    QElapsedTimer shown;
    shown.start();
    gui::showSplash(60000);
    QVERIFY(shown.elapsed() < 30000);
    for (QWidget *w : QApplication::topLevelWidgets())
        QVERIFY(w->objectName() != u"frmSplash" || !w->isVisible());
}

void ProgramWindowsTest::everyWindowCarriesTheProgramIcon()
{
    const QIcon icon = gui::iconResource(gui::kIconResource);
    QVERIFY(!icon.isNull());
    QVERIFY(icon.availableSizes().contains(QSize(16, 16)));
    QVERIFY(icon.availableSizes().contains(QSize(256, 256)));
    QVERIFY(gui::iconResource(QStringLiteral("BBB")).isNull());

    fendrel::test::MainWindowHarness h;
    const gui::AddLabs &window = h.open();
    QCOMPARE(window.windowIcon().availableSizes(), icon.availableSizes());
    gui::Progress progress;
    progress.load(window.windowTitle());
    QCOMPARE(progress.windowIcon().availableSizes(), icon.availableSizes());
}

FENDREL_GUI_TEST_MAIN(ProgramWindowsTest)
#include "ProgramWindowsTest.moc"
