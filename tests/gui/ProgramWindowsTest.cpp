// The windows around the main window: the progress windows, the splash and the program's icon.

#include "gui/DialogFileChooser.h"
#include "gui/FileDialogs.h"
#include "gui/Icon.h"
#include "gui/MessageBoxPrompter.h"
#include "gui/ProgressWindows.h"
#include "gui/Splash.h"
#include "startup/LanguageTable.h"
#include "support/GuiTestSupport.h"
#include "support/TestSupport.h"

#include <QAbstractButton>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QTimer>

using namespace fendrel;

class ProgramWindowsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void progressWindowsMoveTheirBarAndStartEmpty();
    void aClickDismissesTheSplash();
    void everyWindowCarriesTheProgramIcon();
    void messageBoxesMapIconsButtonsAndAnswers();
    void fileDialogsFollowTheRequest();
};

void ProgramWindowsTest::progressWindowsMoveTheirBarAndStartEmpty()
{
    gui::SaveStatus status;
    status.load(QStringLiteral("Fendrel Lab Builder - Net.lab"));
    QCOMPARE(status.lblCompiling->text(), langText(LangEntry::CompilingPackageProgress));
    QCOMPARE(status.windowTitle(), QStringLiteral("Fendrel Lab Builder - Net.lab"));
    status.showNow();
    QVERIFY(status.isVisible());
    status.huffmanProgress(40);
    QCOMPARE(status.ProgressBar1->value(), 40);
    status.unload();
    QCOMPARE(status.ProgressBar1->value(), 0);
    QVERIFY(!status.isVisible());
    // A second load starts from an empty bar and its own label again.
    status.lblCompiling->setText(QStringLiteral("Compressing Lab Package..."));
    status.huffmanProgress(70);
    status.load(QStringLiteral("Fendrel Lab Builder"));
    QCOMPARE(status.ProgressBar1->value(), 0);
    QCOMPARE(status.lblCompiling->text(), langText(LangEntry::CompilingPackageProgress));

    gui::Progress progress;
    progress.load(QStringLiteral("Fendrel Lab Builder"));
    QCOMPARE(progress.Label1->text(), langText(LangEntry::OpeningPackageProgress));
}

namespace {

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

} // namespace

void ProgramWindowsTest::aClickDismissesTheSplash()
{
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
}

void ProgramWindowsTest::everyWindowCarriesTheProgramIcon()
{
    const QIcon icon = gui::iconResource(gui::kIconResource);
    QVERIFY(icon.availableSizes().contains(QSize(16, 16)));
    QVERIFY(gui::iconResource(QStringLiteral("BBB")).isNull());

    fendrel::test::MainWindowHarness h;
    const gui::AddLabs &window = h.open();
    QCOMPARE(window.windowIcon().availableSizes(), icon.availableSizes());
    gui::Progress progress;
    progress.load(window.windowTitle());
    QCOMPARE(progress.windowIcon().availableSizes(), icon.availableSizes());
}

namespace {

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

} // namespace

void ProgramWindowsTest::messageBoxesMapIconsButtonsAndAnswers()
{
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
        QCOMPARE(box->windowTitle(), QStringLiteral("Fendrel"));
        QCOMPARE(box->standardButtons(), QMessageBox::Yes | QMessageBox::No);
        box->button(QMessageBox::No)->click();
    });
    QVERIFY(!prompter.ask(LangEntry::CatalogueChangedQuestion));

    whenModal<QMessageBox>([](QMessageBox *box) { box->button(QMessageBox::Yes)->click(); });
    QCOMPARE(prompter.show(QStringLiteral("Go on?"), MessageIcon::Exclamation, MessageButtons::YesNo,
                           QStringLiteral("T")),
             MessageAnswer::Yes);

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
        QCOMPARE(box->button(QMessageBox::Save)->text(), QStringLiteral("Save Catalogue"));
        QCOMPARE(box->defaultButton(), box->button(QMessageBox::Cancel));
        QTest::keyClick(box, Qt::Key_Escape);
    });
    QCOMPARE(prompter.message(LangEntry::CatalogueChangedQuestion, MessageIcon::Question, MessageButtons::YesNoSaveCancel),
             MessageAnswer::Cancel);
    whenModal<QMessageBox>([](QMessageBox *box) { box->button(QMessageBox::Save)->click(); });
    QCOMPARE(prompter.message(LangEntry::CatalogueChangedQuestion, MessageIcon::Question, MessageButtons::YesNoSaveCancel),
             MessageAnswer::Save);
}

void ProgramWindowsTest::fileDialogsFollowTheRequest()
{
    QCOMPARE(gui::DialogFileChooser::nameFilter({QStringLiteral("Image Files (*.JPG;*.JPEG;*.PNG)"),
                                                 QStringLiteral("*.JPG;*.JPEG;*.PNG")}),
             QStringLiteral("Image Files (*.jpg *.JPG *.jpeg *.JPEG *.png *.PNG)"));
    QCOMPARE(gui::DialogFileChooser::nameFilter({QStringLiteral("All Files (*.*)"), QStringLiteral("*.*")}),
             QStringLiteral("All Files (*.*)"));

    QTemporaryDir folder;
    const QString existing = folder.filePath(QStringLiteral("Net.lab"));
    fendrel::test::writeFile(existing, "package");
    gui::DialogFileChooser chooser;

    FileRequest save;
    save.kind = FileDialogKind::Save;
    save.title = langText(LangEntry::SavePackageDialogTitle);
    save.filters = gui::withAllSupported({{QStringLiteral("Lab Package (*.lab)"), QStringLiteral("*.lab")}});
    save.initialFolder = folder.path();
    save.suggestedName = QStringLiteral("TCP_IP.lab");
    save.defaultExtension = QStringLiteral("lab");
    save.options = FileDialogOption::OverwritePrompt | FileDialogOption::HideReadOnly;
    whenModal<QFileDialog>([&folder](QFileDialog *dialog) {
        QCOMPARE(dialog->windowTitle(), langText(LangEntry::SavePackageDialogTitle));
        QCOMPARE(dialog->acceptMode(), QFileDialog::AcceptSave);
        QCOMPARE(dialog->defaultSuffix(), QStringLiteral("lab"));
        QCOMPARE(dialog->nameFilters(),
                 (QStringList{langText(LangEntry::AllSupportedFilesFilter) + QStringLiteral(" (*.lab *.LAB)"),
                              QStringLiteral("Lab Package (*.lab *.LAB)"),
                              langText(LangEntry::AllFilesFilter) + QStringLiteral(" (*)")}));
        QCOMPARE(QDir(dialog->directory()).canonicalPath(), QDir(folder.path()).canonicalPath());
        QCOMPARE(QFileInfo(dialog->selectedFiles().value(0)).fileName(), QStringLiteral("TCP_IP.lab"));
        QVERIFY(!dialog->testOption(QFileDialog::DontConfirmOverwrite));
        // What an accepted dialog then returns depends on its folder view having loaded, which
        // happens in the background; the answer itself is Qt's.
        dialog->reject();
    });
    QCOMPARE(chooser.choose(save), QStringList{});

    FileRequest open;
    open.title = QStringLiteral("Open Lab Package...");
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

FENDREL_GUI_TEST_MAIN(ProgramWindowsTest)
#include "ProgramWindowsTest.moc"
