#pragma once

#include "gui/DocumentViewer.h"
#include "gui/PDFLink.h"
#include "gui/Wizard.h"

#include "catalogue/Catalogue.h"
#include "catalogue/LabRecord.h"
#include "interaction/FileChooser.h"
#include "package/LabFileKind.h"
#include "package/PackageCompiler.h"

#include <QMainWindow>
#include <QHash>
#include <QPointer>

#include <functional>
#include <memory>
#include <optional>

class QAction;
class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class QUndoStack;

namespace fendrel {
class CatalogueNode;
class Prompter;
struct WizardLab;
} // namespace fendrel

namespace fendrel::gui {

class ChooserWithDrops;
class PackageInspector;
class ProblemsList;
enum class DialogKind;

class CatalogueModel;
class CatalogueView;
class LabForm;
class Progress;
class SaveStatus;

// frmAddLabs, the main window: the catalogue as a tree (CatalogueView), the selected tab, section
// or lab beside it (LabForm), and the commands that edit, compile and open catalogues. The window
// has no separate edit dialogs; its window modes open and close the same fields, and each
// two-phase button knows its phase from the mode the window is in, whatever its caption says.
// The catalogue is handed to it and outlives it.
class AddLabs : public QMainWindow {
    Q_OBJECT
public:
    AddLabs(Catalogue &catalogue, Prompter &prompter, FileChooser &chooser, QWidget *parent = nullptr);
    ~AddLabs() override;

    // Applies one of the seven window modes, named in English or by its language-table text.
    void setWindowMode(const QString &mode);
    // Shows the node in the fields and enables what can be done with it.
    void tvlabsNodeClick(CatalogueNode *node);
    // The page the page-link window reports for the lab document; ignored unless numeric.
    void setPageNumber(const QString &value);
    // Rebuilds the tree from the catalogue file of the application data folder.
    void createNewTree();
    // Replaces the catalogue with the wizard's one-lab catalogue and shows it.
    // False (and a message) when the catalogue file could not be replaced; nothing changed then.
    bool loadWizardLab(const WizardLab &lab);
    // Shows the lab wizard beside this window (one at a time).
    Wizard *showWizard();
    Wizard *wizard() const { return m_wizard; }
    // The wizard's own start-up box reports here when it closes.
    void setWizardStartup(bool show);
    // The page-link window while it is open.
    PDFLink *pageLink() const { return m_pageLink; }
    // How the page-link window shows documents; tests put a viewer of their own here.
    void setViewerFactory(ViewerFactory factory);
    // The window's part of a rebuild: the tree shown, the root selected, the buttons reset.
    void showLoadedTree();

    // Another window holds the data folder (because says who, or why it cannot be held): this one
    // writes nothing to it (no catalogue file, no package compiled or opened, no wizard, no
    // removal of extracted packages on closing).
    void setReadOnly(const QString &because);
    bool isReadOnly() const { return m_readOnly; }
    // Save Catalogue: writes the catalogue file as compiling does, without a package. False (and a
    // message that says why) when it was not written.
    bool saveCatalogue();
    // At start: a recovery file left by a window that stopped before it saved is offered back.
    // True when the author restored it.
    bool offerRecovery();
    // Opens a package named from outside (the command line, a file manager): the same questions
    // and checks as Open Package after its dialog. True when it was opened.
    bool openPackage(const QString &packagePath);
    // File > Inspect Package: asks for a package and shows what it holds without importing it.
    PackageInspector *inspectPackage();

    // Every change of the catalogue as an undoable step; clean where the catalogue file is.
    QUndoStack *undoStack() const { return m_undo; }
    // A node dragged to row of newParent (counted before it leaves its place): one undoable step.
    bool moveNode(CatalogueNode *node, CatalogueNode *newParent, int row);
    // A file dropped on a file field (or its Browse button) of the lab form: taken as if chosen
    // with that Browse button, through its checks. False when the field takes no file now.
    bool dropFileOn(QWidget *field, const QString &path);
    // The commands the tree's context menu offers for a node (it is selected first).
    QList<QAction *> contextActionsFor(CatalogueNode *node);
    // Edit > Duplicate Lab: a copy of the selected lab after it (same files, a new key, no SKU,
    // the name with " (copy)"), selected and opened for editing.
    void duplicateLab();
    // The window's caption; the unsaved marker follows it.
    void setCaption(const QString &caption);

    // The Problems dock: every problem of the catalogue, kept current.
    ProblemsList *problemsList() const { return m_problems; }
    // A problem's lab (or section) selected, and its field opened for editing where it names one.
    void showProblem(const CatalogueProblem &problem);
    // Writes the recovery file now rather than when the timer runs out (tests).
    void keepRecovery();

    // Before the catalogue is replaced (Open Package, the wizard's Finish): unsaved changes are
    // saved or dropped as the author says. False when the author cancels or the save failed.
    bool mayReplaceCatalogue();

    const Catalogue &catalogue() const { return m_catalogue; }
    const LabRecord &editBuffer() const;
    bool catalogueChanged() const { return m_changed; }
    QString loadedCaption() const { return m_loadedCaption; }

    QPushButton *defaultButton() const { return m_defaultButton; }
    void setDefaultButton(QPushButton *button);
    void lockExamBoxes();
    void unlockExamBoxes();

protected:
    void closeEvent(QCloseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    friend class BusyScope;

    // Building the window (AddLabsLayout.cpp).
    void createControls();
    void createLayout();
    void createMenus();
    void createEditMenu();
    void setCaptions();
    void connectControls();

    // The node shown in the fields and current in the tree.
    void selectNode(CatalogueNode *node);
    QPushButton *enterButton() const;
    void openManual();
    void showAbout();

    // Editing commands (AddLabsEditing.cpp).
    void cmdAddLabClick();
    void cmdEditClick();
    void cmdDeleteClick();
    void cmdDeleteAllClick();
    void cmdAddSectionClick();
    void cmdEditTabClick();
    void cmdCancelClick();

    // File choosers (AddLabsFiles.cpp).
    QString browseFile(DialogKind kind, const QList<FileFilter> &filters, const QString &initialFolder,
                       FileDialogOptions options);
    void cmdBrowseClick();
    void cmdBrowseTopClick();
    void cmdBrowsenwcClick();
    void cmdBrowseLoadNwcClick();
    void cmdBrowsePictureClick();
    void cmdBrowseSetupFileClick();
    void cmdBrowseNodaraXImagesClick();
    bool chooseNetworkConfiguration(LabFileField kind, QLabel *label, QString &field);
    bool checkNetworkConfiguration(const QString &path);
    void openDocument(const QString &path);
    PDFLink *openPageLink(const QString &path, PDFLink::Purpose purpose);

    // Package commands (AddLabsPackage.cpp).
    // True when a package was written (the quit question's Yes closes only then).
    bool cmdCreatePckClick();
    void cmdLoadLabPckClick();
    // The check before a compile: false (with the list shown, and a message or a question
    // answered Cancel) when the problems found stop it. checked receives what it learned.
    bool problemsAllowCompiling(CatalogueCheck &check);
    // labs receives how many labs the compiled catalogue held, unchanged whether the catalogue
    // stayed as compiled.
    CompileOutcome runCompilation(const QString &packagePath, QString *failure, const CheckedFiles *checked,
                                  qsizetype *labs, bool *unchanged);
    // Saving and compiling thousands of labs would hold the window still: they work on a copy of
    // the catalogue as it stands, on a thread of their own, while the window keeps drawing (its
    // input held), and ask through a prompter that reaches the window's thread. The file then
    // holds the copy, so a change that came in meanwhile all the same is still unsaved, which the
    // result says: false.
    bool onCatalogueCopy(const std::function<void(const Catalogue &copy, Prompter &prompter)> &work);
    void showProblemsList();
    void showProblemCount(int count, bool checking);
    bool runExtraction(const QString &packagePath);
    bool openPackageFile(const QString &packagePath);
    void unload();

    Prompter &m_prompter;
    std::unique_ptr<ChooserWithDrops> m_drops; // before m_chooser, which is it
    FileChooser &m_chooser;
    Catalogue &m_catalogue;
    bool m_changed = false;
    // What a click of each two-phase button does next.
    enum class LabCommand { Open, Store };
    enum class SectionCommand { Add, Edit, Store };
    LabCommand m_addLabCommand = LabCommand::Open;
    LabCommand m_editLabCommand = LabCommand::Open;
    SectionCommand m_sectionCommand = SectionCommand::Add;
    bool m_sectionEdit = false; // the open section fields rename the selected section
    bool m_tabEditing = false;
    void showSectionCommand(SectionCommand command);
    bool m_busy = false;
    QString m_packageWhileBusy; // handed over while busy, opened after
    bool m_unloaded = false;
    bool m_readOnly = false;
    QTimer *m_recoveryTimer = nullptr;
    bool m_recoveryFailureSaid = false;
    // The catalogue on screen is the catalogue file: nothing to recover, nothing to ask at quit.
    void markSaved();
    // The same after this window wrote the file: what the last load merged is the file's form now.
    void catalogueFileWritten();
    // Runs an edit; when it changed the catalogue, the change becomes one undoable step named text.
    void undoable(const QString &text, const std::function<void()> &edit,
                  std::optional<Catalogue::Snapshot> before = std::nullopt);
    void showRestored();
    QUndoStack *m_undo = nullptr;
    bool m_inStep = false;
    bool m_savedInStep = false;
    bool m_restoring = false; // an undo or redo ran; the stack's next index tells whether it is saved
    std::optional<Catalogue::Snapshot> m_beforeTabEdit;
    QString m_readOnlyBecause;
    // Says why a command that writes to the data folder does nothing; true when it must not run.
    bool refusedReadOnly();
    // A lab, section or tab title is open for editing: the tree's selection stays where it is.
    bool editOpen() const;
    // A package path that is no regular file (a folder, a pipe, gone) is said to be so; true then.
    bool refusedAsNoFile(const QString &path);
    // The tab title or a section still in its field would be left out of what is written: says so.
    bool refusedWhileEditing();
    // A replaced catalogue starts with no field open for editing.
    void closeEditing();
    void closeTabField();
    QString m_loadedCaption;
    QPushButton *m_defaultButton = nullptr;
    std::unique_ptr<SaveStatus> m_saveStatus;
    std::unique_ptr<Progress> m_progress;
    QPointer<Wizard> m_wizard;
    QPointer<PDFLink> m_pageLink;
    ViewerFactory m_viewerFactory;
    PdfPageCounter m_pdfPages;
    ProblemsList *m_problems = nullptr;
    QLabel *m_problemCount = nullptr;

    // The controls, named as the catalogue's authors have always known them.
    CatalogueModel *m_model;
    CatalogueView *tvlabs;
    LabForm *m_form;
    QLabel *lblInstructions;
    QGroupBox *fraButtons;
    QPushButton *cmdAddLab;
    QPushButton *cmdDelete;
    QPushButton *cmdEdit;
    QPushButton *cmdDeleteAll;
    QPushButton *cmdCancel;
    QPushButton *cmdCreatePck;
    QPushButton *cmdLoadLabPck;
    QCheckBox *chkWizStartup;
    QLabel *lblTabTitle;
    QPushButton *cmdEditTab;
    QPushButton *cmdAddSection;
    QLabel *lblHelp;
    QLineEdit *txtTab;
    QFrame *fraIntro;

    QAction *m_openAction = nullptr;
    QAction *m_compileAction = nullptr;
    QAction *m_problemsAction = nullptr;
    QHash<QString, QAction *> m_editActions; // by object name
    // The Browse button each file field (and the button itself) stands for, as a drop target.
    QPushButton *browseButtonFor(QWidget *field) const;
};

} // namespace fendrel::gui
