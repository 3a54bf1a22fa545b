#include "gui/AddLabs.h"

#include "catalogue/CatalogueEditing.h"
#include "catalogue/CatalogueFile.h"
#include "catalogue/Ini.h"
#include "catalogue/KeyArray.h"
#include "gui/ProgressWindows.h"
#include "interaction/Prompter.h"
#include "loader/DeleteFolder.h"
#include "startup/Folders.h"
#include "startup/LanguageTable.h"
#include "startup/Settings.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>

namespace fendrel::gui {
namespace {

const QList<FileFilter> kPackageFilters{{QStringLiteral("Lab Package (*.lab)"), QStringLiteral("*.lab")}};

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
    }
    BusyScope(const BusyScope &) = delete;
    BusyScope &operator=(const BusyScope &) = delete;

private:
    AddLabs &m_window;
};

void AddLabs::cmdCreatePckClick()
{
    if (m_catalogue.tree.count() <= 1) {
        m_prompter.message(97, MessageIcon::Exclamation);
        return;
    }
    const QString tabCaption = cmdEditTab->text();
    if (tabCaption == u"Save" || tabCaption == langText(31)) {
        m_prompter.message(98, MessageIcon::Exclamation);
        return;
    }
    const QString sectionCaption = cmdAddSection->text();
    if (sectionCaption == u"Save Section" || sectionCaption == langText(125)) {
        m_prompter.message(99, MessageIcon::Exclamation);
        return;
    }

    FileRequest request;
    request.kind = FileDialogKind::Save;
    request.title = langText(100);
    request.filters = kPackageFilters;
    request.initialFolder = folders().labs;
    request.defaultExtension = QStringLiteral("lab");
    request.options = FileDialogOption::OverwritePrompt | FileDialogOption::HideReadOnly;
    const QString packagePath = m_chooser.chooseFile(request);
    if (packagePath.isEmpty())
        return;

    const BusyScope busy(*this);
    saveIni(m_catalogue, keyArray(), m_prompter);
    m_saveStatus->load(windowTitle());
    m_saveStatus->lblCompiling->setText(QStringLiteral("Compiling Lab Package"));
    m_saveStatus->showNow();
    const bool written = runCompilation(packagePath);
    m_saveStatus->unload();
    if (!written)
        return;
    setWindowTitle(m_loadedCaption + QStringLiteral(" - ") + fileNameOfPath(packagePath));
    m_changed = false;
}

bool AddLabs::runCompilation(const QString &packagePath)
{
    // TODO(package core): call the compiler of src/core/package here with m_catalogue, keyArray(),
    // m_prompter and packagePath: it checks each lab's network configurations, gathers the members,
    // writes and compresses the package, and reports through m_saveStatus (ProgressBar1 while
    // gathering, lblCompiling "Compressing Lab Package..." and huffmanProgress while encoding).
    // Return whether the package was written. Nothing is compiled yet.
    Q_UNUSED(packagePath);
    return false;
}

void AddLabs::cmdLoadLabPckClick()
{
    FileRequest request;
    request.kind = FileDialogKind::Open;
    request.title = QStringLiteral("Open Lab Package...");
    request.filters = kPackageFilters;
    request.initialFolder = folders().labs;
    request.options = FileDialogOption::FileMustExist | FileDialogOption::PathMustExist | FileDialogOption::HideReadOnly;
    const QString packagePath = m_chooser.chooseFile(request);
    if (trimSpaces(packagePath).isEmpty()) {
        setWindowTitle(m_loadedCaption + QStringLiteral(" - "));
        return;
    }

    const BusyScope busy(*this);
    m_progress->load(windowTitle());
    m_progress->showNow();
    const bool extracted = runExtraction(packagePath);
    m_progress->unload();
    if (!extracted)
        return;
    createNewTree();
    setWindowTitle(m_loadedCaption + QStringLiteral(" - ") + fileNameOfPath(packagePath));
}

bool AddLabs::runExtraction(const QString &packagePath)
{
    // TODO(package core): call the loader of src/core/loader here with packagePath, m_prompter and
    // folders().appData: it decodes the package (moving m_progress through huffmanProgress),
    // extracts the members below "CompilerLabs", rewrites the catalogue's file keys and puts the
    // catalogue in place of Fendrel.ini. Return whether the catalogue was replaced; the caller
    // then rebuilds the tree. Nothing is extracted yet.
    Q_UNUSED(packagePath);
    return false;
}

void AddLabs::unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    m_saveStatus->unload();
    m_progress->unload();
    saveWizardSetting(chkWizStartup->isChecked() ? 1 : 0);
    deleteLabFolder(folders().appData + QStringLiteral("CompilerLabs"), m_prompter);
}

} // namespace fendrel::gui
