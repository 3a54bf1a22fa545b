#include "gui/AddLabs.h"
#include "gui/LabForm.h"

#include "catalogue/CatalogueEditing.h"
#include "catalogue/CatalogueFile.h"
#include "catalogue/CatalogueRecovery.h"
#include "catalogue/Ini.h"
#include "gui/FileDialogs.h"
#include "gui/PackageInspector.h"
#include "gui/ProblemsList.h"
#include "gui/ProgressWindows.h"
#include "gui/RecentPackages.h"
#include "gui/Wizard.h"
#include "interaction/Prompter.h"
#include "interaction/PrompterOnThread.h"
#include "io/FileKind.h"
#include "loader/PackageLoader.h"
#include "startup/Folders.h"
#include "startup/LanguageTable.h"
#include "startup/Settings.h"
#include "text/TextHelpers.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QLabel>
#include <QStatusBar>
#include <QUndoStack>
#include <QPushButton>
#include <QTimer>

#include <atomic>
#include <exception>
#include <thread>
#include <utility>

namespace fendrel::gui {
namespace {

qsizetype labCount(const Catalogue &catalogue)
{
    qsizetype labs = 0;
    for (const CatalogueNode *section : catalogue.sections())
        labs += static_cast<qsizetype>(section->children().size());
    return labs;
}

QList<FileFilter> packageFilters()
{
    return withAllSupported({{QStringLiteral("Lab Package (*.lab)"), QStringLiteral("*.lab")}});
}

// The status window follows the compilation: shown while members are gathered, shown afresh
// (with a fresh bar) while the package is compressed.
class SaveStatusObserver : public CompileObserver {
public:
    SaveStatusObserver(SaveStatus &window, const QString &caption) : m_window(window), m_caption(caption) {}
    void gatheringStarted() override
    {
        m_window.beginCommand();
        showWith(QStringLiteral("Compiling Lab Package"));
    }
    void compressingStarted() override
    {
        m_window.unload();
        showWith(QStringLiteral("Compressing Lab Package..."));
    }
    void progress(int percent) override { m_window.huffmanProgress(static_cast<qint16>(percent)); }
    bool cancelled() const override { return m_window.cancelRequested(); }

private:
    void showWith(const QString &label)
    {
        m_window.load(m_caption);
        m_window.lblCompiling->setText(label);
        m_window.showNow();
    }
    SaveStatus &m_window;
    QString m_caption;
};

// Passes a compilation's phases and progress from its own thread to the status window, waiting
// each time until the window has them, so that Cancel is seen at the next step as it would be
// on the window's thread. The gathering reports every lab; only changes are passed on.
class ObserverOnThread : public CompileObserver {
public:
    ObserverOnThread(CompileObserver &target, QObject &context) : m_target(target), m_context(context) {}
    void gatheringStarted() override { runOnThreadOf(m_context, [this] { m_target.gatheringStarted(); }); }
    void compressingStarted() override { runOnThreadOf(m_context, [this] { m_target.compressingStarted(); }); }
    void progress(int percent) override
    {
        if (std::exchange(m_shown, percent) == percent)
            return;
        runOnThreadOf(m_context, [this, percent] {
            m_target.progress(percent);
            m_cancelled = m_target.cancelled();
        });
    }
    bool cancelled() const override { return m_cancelled; }

private:
    CompileObserver &m_target;
    QObject &m_context;
    int m_shown = -1;
    std::atomic<bool> m_cancelled = false;
};

// Runs work on a thread of its own while this thread's event loop goes on, so that the windows
// keep drawing; returns when the work is done, with what it threw.
void runBesideWindows(const std::function<void()> &work)
{
    QEventLoop waiting;
    std::exception_ptr thrown;
    std::thread worker([&] {
        try {
            work();
        } catch (...) {
            thrown = std::current_exception();
        }
        QMetaObject::invokeMethod(&waiting, &QEventLoop::quit, Qt::QueuedConnection);
    });
    waiting.exec();
    worker.join();
    if (thrown)
        std::rethrow_exception(thrown);
}

class ProgressObserver : public ExtractObserver {
public:
    ProgressObserver(Progress &window, const QString &caption) : m_window(window), m_caption(caption) {}
    void decodingStarted() override
    {
        m_window.beginCommand();
        m_window.load(m_caption);
        m_window.showNow();
    }
    void progress(int percent) override { m_window.huffmanProgress(static_cast<qint16>(percent)); }
    void decodingFinished() override { m_window.unload(); }
    bool cancelled() const override { return m_window.cancelRequested(); }

private:
    Progress &m_window;
    QString m_caption;
};

} // namespace

// While a package is compiled or opened the window takes no input: the work lets window events
// run so that the progress bar moves, and a click in between must not change the catalogue.
class BusyScope {
public:
    explicit BusyScope(AddLabs &window) : m_window(window)
    {
        m_window.m_busy = true;
        qApp->installEventFilter(&m_window);
        QApplication::setOverrideCursor(Qt::WaitCursor);
    }
    ~BusyScope()
    {
        QApplication::restoreOverrideCursor();
        qApp->removeEventFilter(&m_window);
        m_window.m_busy = false;
        if (!m_window.m_packageWhileBusy.isEmpty()) {
            AddLabs &window = m_window;
            QTimer::singleShot(0, &window, [&window, path = std::exchange(window.m_packageWhileBusy, {})] {
                window.openPackage(path);
            });
        }
    }
    BusyScope(const BusyScope &) = delete;
    BusyScope &operator=(const BusyScope &) = delete;

private:
    AddLabs &m_window;
};

bool AddLabs::refusedWhileEditing()
{
    if (m_tabEditing) {
        m_prompter.message(LangEntry::TabStillEditedMessage, MessageIcon::Exclamation);
        return true;
    }
    if (m_sectionCommand == SectionCommand::Store) {
        m_prompter.message(LangEntry::SectionStillEditedMessage, MessageIcon::Exclamation);
        return true;
    }
    return false;
}

bool AddLabs::saveCatalogue()
{
    if (refusedReadOnly() || refusedWhileEditing())
        return false;
    QString failure;
    bool saved = false;
    bool unchanged = false;
    {
        const BusyScope busy(*this);
        unchanged = onCatalogueCopy(
            [&](const Catalogue &copy, Prompter &prompter) { saved = saveIni(copy, prompter, &failure); });
    }
    if (!saved) {
        m_prompter.show(failure + langText(LangEntry::CatalogueNotSavedMessage), MessageIcon::Critical, MessageButtons::Ok,
                        langText(LangEntry::MessageTitle));
        return false;
    }
    if (unchanged)
        catalogueFileWritten();
    return true;
}

bool AddLabs::onCatalogueCopy(const std::function<void(const Catalogue &copy, Prompter &prompter)> &work)
{
    bool changedMeanwhile = false;
    const QMetaObject::Connection watch =
        connect(&m_catalogue, &Catalogue::changed, this, [&changedMeanwhile] { changedMeanwhile = true; });
    const Catalogue::Snapshot snapshot = m_catalogue.snapshot();
    const QString iniPath = m_catalogue.iniPath();
    const QString filesFolder = m_catalogue.filesFolder();
    PrompterOnThread prompter(m_prompter, *this);
    runBesideWindows([&] {
        Catalogue copy;
        copy.restore(snapshot);
        copy.setIniPath(iniPath);
        copy.setFilesFolder(filesFolder);
        work(copy, prompter);
    });
    disconnect(watch);
    return !changedMeanwhile;
}

bool AddLabs::mayReplaceCatalogue()
{
    if (!m_changed)
        return true;
    switch (m_prompter.message(LangEntry::ReplaceUnsavedQuestion, MessageIcon::Question, MessageButtons::SaveDiscardCancel)) {
    case MessageAnswer::Save: return saveCatalogue();
    case MessageAnswer::Discard: return true;
    default: break;
    }
    return false;
}

bool AddLabs::cmdCreatePckClick()
{
    if (refusedReadOnly())
        return false;
    if (m_catalogue.tree().count() <= 1) {
        m_prompter.message(LangEntry::NothingToCompileMessage, MessageIcon::Exclamation);
        return false;
    }
    if (refusedWhileEditing())
        return false;
    CatalogueCheck check;
    if (!problemsAllowCompiling(check))
        return false;

    FileRequest request;
    request.kind = FileDialogKind::Save;
    request.title = langText(LangEntry::SavePackageDialogTitle);
    request.filters = packageFilters();
    request.initialFolder = folders().labs;
    request.suggestedName = suggestedPackageName(m_catalogue.tabTitle());
    request.defaultExtension = QStringLiteral("lab");
    request.options = FileDialogOption::OverwritePrompt | FileDialogOption::HideReadOnly;
    const QString packagePath = chooseRememberedFile(m_chooser, DialogKind::PackageSave, request);
    if (packagePath.isEmpty())
        return false;

    const BusyScope busy(*this);
    QString failure;
    qsizetype labs = 0;
    bool unchanged = false;
    const CompileOutcome outcome = runCompilation(packagePath, &failure, &check.files, &labs, &unchanged);
    m_saveStatus->unload();
    const auto fileWritten = [&] {
        if (unchanged)
            catalogueFileWritten();
    };
    switch (outcome) {
    case CompileOutcome::Written:
        setCaption(m_loadedCaption + QStringLiteral(" - ") + fileNameOfPath(packagePath));
        fileWritten();
        statusBar()->showMessage(langText(LangEntry::PackageWrittenStatus)
                                     .arg(QDir::toNativeSeparators(packagePath))
                                     .arg(QFileInfo(packagePath).size())
                                     .arg(labs));
        recentPackages::add(packagePath);
        return true;
    case CompileOutcome::WriteFailed:
        // The catalogue file was saved before the package failed.
        fileWritten();
        m_prompter.show(failure + langText(LangEntry::PackageNotWrittenMessage), MessageIcon::Critical, MessageButtons::Ok,
                        langText(LangEntry::MessageTitle));
        return false;
    case CompileOutcome::CatalogueNotSaved:
        m_prompter.show(failure + langText(LangEntry::CompileStoppedUnsavedMessage), MessageIcon::Critical,
                        MessageButtons::Ok, langText(LangEntry::MessageTitle));
        return false;
    case CompileOutcome::NothingToCompile:
    case CompileOutcome::Aborted:
    case CompileOutcome::Interrupted:
        break;
    }
    return false;
}

bool AddLabs::problemsAllowCompiling(CatalogueCheck &check)
{
    {
        const BusyScope busy(*this);
        // Thousands of files take a while to look at; the window keeps drawing meanwhile.
        check = checkCatalogue(m_catalogue, &m_pdfPages, runBesideWindows);
    }
    m_problems->showCheck(check);
    switch (worstSeverity(check.problems).value_or(ProblemSeverity::Warning)) {
    case ProblemSeverity::CannotBuild:
        showProblemsList();
        m_prompter.message(LangEntry::CompileCannotBuildMessage, MessageIcon::Exclamation);
        return false;
    case ProblemSeverity::OpensWrong:
        showProblemsList();
        return m_prompter.message(LangEntry::CompileOpensWrongQuestion, MessageIcon::Question,
                                  MessageButtons::CompileAnywayCancel)
            == MessageAnswer::CompileAnyway;
    case ProblemSeverity::Warning: break;
    }
    return true;
}

CompileOutcome AddLabs::runCompilation(const QString &packagePath, QString *failure, const CheckedFiles *checked,
                                       qsizetype *labs, bool *unchanged)
{
    SaveStatusObserver status(*m_saveStatus, windowTitle().remove(QStringLiteral("[*]")));
    ObserverOnThread observer(status, *this);
    CompileOutcome outcome = CompileOutcome::Aborted;
    *unchanged = onCatalogueCopy([&](const Catalogue &copy, Prompter &prompter) {
        outcome = compileCatalogue(copy, packagePath, prompter, &observer, failure, checked);
        *labs = labCount(copy);
    });
    return outcome;
}

PackageInspector *AddLabs::inspectPackage()
{
    FileRequest request;
    request.kind = FileDialogKind::Open;
    request.title = langText(LangEntry::InspectPackageCaption);
    request.filters = packageFilters();
    request.initialFolder = folders().labs;
    request.options = FileDialogOption::FileMustExist | FileDialogOption::PathMustExist | FileDialogOption::HideReadOnly;
    const QString packagePath = chooseRememberedFile(m_chooser, DialogKind::PackageOpen, request);
    if (packagePath.isEmpty())
        return nullptr;
    if (refusedAsNoFile(packagePath))
        return nullptr;
    auto *inspector = new PackageInspector(packagePath, m_prompter, m_chooser, this);
    inspector->setAttribute(Qt::WA_DeleteOnClose);
    inspector->show();
    return inspector;
}

void AddLabs::cmdLoadLabPckClick()
{
    if (refusedReadOnly() || !mayReplaceCatalogue())
        return;
    FileRequest request;
    request.kind = FileDialogKind::Open;
    request.title = QStringLiteral("Open Lab Package...");
    request.filters = packageFilters();
    request.initialFolder = folders().labs;
    request.options = FileDialogOption::FileMustExist | FileDialogOption::PathMustExist | FileDialogOption::HideReadOnly;
    const QString packagePath = chooseRememberedFile(m_chooser, DialogKind::PackageOpen, request);
    if (trimSpaces(packagePath).isEmpty()) {
        setCaption(m_loadedCaption + QStringLiteral(" - "));
        return;
    }
    openPackageFile(packagePath);
}

bool AddLabs::refusedAsNoFile(const QString &path)
{
    const QString why = whyNotARegularFile(path);
    if (why.isEmpty())
        return false;
    m_prompter.show(QStringLiteral("%1 %2.").arg(QDir::toNativeSeparators(path), why), MessageIcon::Exclamation,
                    MessageButtons::Ok, langText(LangEntry::MessageTitle));
    return true;
}

bool AddLabs::openPackage(const QString &packagePath)
{
    // One handed over by another start during a compilation waits for its end.
    if (m_busy) {
        m_packageWhileBusy = packagePath;
        return false;
    }
    // The file is asked about before the unsaved changes: a folder is not worth a question.
    if (refusedReadOnly() || refusedAsNoFile(packagePath) || !mayReplaceCatalogue())
        return false;
    return openPackageFile(packagePath);
}

bool AddLabs::openPackageFile(const QString &packagePath)
{
    const BusyScope busy(*this);
    const bool extracted = runExtraction(packagePath);
    m_progress->unload();
    // The title names the package chosen, also one that could not be opened.
    setCaption(m_loadedCaption + QStringLiteral(" - ") + fileNameOfPath(packagePath));
    if (!extracted)
        return false;
    statusBar()->showMessage(langText(LangEntry::PackageOpenedStatus)
                                 .arg(QDir::toNativeSeparators(packagePath))
                                 .arg(labCount(m_catalogue))
                                 .arg(m_catalogue.sections().size()));
    recentPackages::add(packagePath);
    return true;
}

bool AddLabs::runExtraction(const QString &packagePath)
{
    ProgressObserver observer(*m_progress, windowTitle().remove(QStringLiteral("[*]")));
    const ExtractResult result =
        openLabPackage(m_catalogue, packagePath, folders().appData, m_prompter, &observer);
    if (result.status != ExtractResult::Status::Extracted)
        return false;
    closeEditing();
    showLoadedTree();
    m_undo->clear();
    markSaved(); // the catalogue on screen is the catalogue file now
    return true;
}

void AddLabs::unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    if (m_wizard)
        m_wizard->closeQuietly();
    if (m_pageLink)
        m_pageLink->close();
    m_saveStatus->unload();
    m_progress->unload();
    saveWizardSetting(chkWizStartup->isChecked() ? 1 : 0);
    // A clean quit: what was not saved was given up knowingly.
    m_recoveryTimer->stop();
    if (!m_readOnly)
        removeRecovery(folders().appData);
    // The packages extracted there are the other window's.
    if (!m_readOnly)
        removeUnusedPackageFolders(folders().appData, m_prompter);
}

} // namespace fendrel::gui
