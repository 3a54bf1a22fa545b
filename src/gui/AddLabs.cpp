#include "gui/AddLabs.h"
#include "gui/LabForm.h"

#include "catalogue/CatalogueEditing.h"
#include "catalogue/CatalogueFile.h"
#include "catalogue/CatalogueRecovery.h"
#include "catalogue/ExamList.h"
#include "catalogue/Ini.h"
#include "catalogue/WizardCatalogue.h"
#include "gui/CatalogueModel.h"
#include "gui/CatalogueSteps.h"
#include "gui/DroppedFiles.h"
#include "gui/CatalogueView.h"
#include "gui/Icon.h"
#include "gui/PDFLink.h"
#include "gui/ProblemsList.h"
#include "gui/ProgressWindows.h"
#include "gui/WindowModes.h"
#include "gui/WindowPlacement.h"
#include "gui/Wizard.h"
#include "interaction/Prompter.h"
#include "package/CatalogueCheck.h"
#include "startup/Folders.h"
#include "startup/LanguageTable.h"
#include "startup/Settings.h"
#include "text/TextHelpers.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QHeaderView>
#include <QScreen>
#include <QTableView>
#include <QTabBar>
#include <QTimer>
#include <QUndoStack>

namespace fendrel::gui {

AddLabs::AddLabs(Catalogue &catalogue, Prompter &prompter, FileChooser &chooser, QWidget *parent)
    : QMainWindow(parent), m_prompter(prompter), m_drops(std::make_unique<ChooserWithDrops>(chooser)),
      m_chooser(*m_drops), m_catalogue(catalogue),
      m_saveStatus(std::make_unique<SaveStatus>()), m_progress(std::make_unique<Progress>())
{
    setObjectName(QStringLiteral("frmAddLabs"));
    createControls();
    createLayout();
    createMenus();
    connectControls();

    setIcon(this, kIconResource, true);
    setCaptions();
    m_catalogue.keyArrayInitialize();
    m_loadedCaption = windowTitle();
    setCaption(m_loadedCaption);
    m_undo = new QUndoStack(this);
    m_undo->setUndoLimit(100);
    connect(m_undo, &QUndoStack::cleanChanged, this, [this](bool clean) { setWindowModified(!clean); });
    // After an undo or redo the catalogue differs from its file exactly when the stack is not clean
    // (the stack moves its index after the step has run).
    connect(m_undo, &QUndoStack::indexChanged, this, [this] {
        if (std::exchange(m_restoring, false))
            m_changed = !m_undo->isClean();
    });
    createEditMenu();
    // Files from a file manager: a package on the window opens it, a file on a field is chosen.
    setAcceptDrops(true);
    for (QWidget *target : std::initializer_list<QWidget *>{m_form->lblFile, m_form->cmdBrowse, m_form->lblTopFile, m_form->cmdBrowseTop,
                                                           m_form->lblPictureFile, m_form->cmdBrowsePicture, m_form->lblNwcFile,
                                                           m_form->cmdBrowsenwc, m_form->lblLoadNwcFile, m_form->cmdBrowseLoadNwc}) {
        target->setAcceptDrops(true);
        target->installEventFilter(this);
    }
    tvlabs->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(tvlabs, &QWidget::customContextMenuRequested, this, [this](const QPoint &at) {
        CatalogueNode *node = CatalogueModel::nodeOf(tvlabs->indexAt(at));
        if (!node || !tvlabs->isEnabled())
            return;
        QMenu menu(this);
        menu.addActions(contextActionsFor(node));
        if (!menu.isEmpty())
            menu.exec(tvlabs->viewport()->mapToGlobal(at));
    });
    // Soon after every change the catalogue as edited is kept, so that a crash loses nothing.
    m_recoveryTimer = new QTimer(this);
    m_recoveryTimer->setSingleShot(true);
    m_recoveryTimer->setInterval(1000);
    connect(m_recoveryTimer, &QTimer::timeout, this, &AddLabs::keepRecovery);
    // Started by the first change of a run and not restarted by the next ones, so that a steady
    // stream of changes is still kept within a second or so.
    connect(&m_catalogue, &Catalogue::changed, this, [this] {
        if (!m_recoveryTimer->isActive())
            m_recoveryTimer->start();
    });
    for (QWidget *field : std::initializer_list<QWidget *>{txtTab, m_form->txtLabDescription, m_form->txtSection, m_form->txtLabname})
        setFieldBackground(field, true);
    lockExamBoxes();
    createNewTree();
    // After the first load, so that the list fills from the catalogue on screen.
    m_problems = new ProblemsList(m_catalogue, &m_pdfPages, this);
    addDockWidget(Qt::BottomDockWidgetArea, m_problems);
    m_problems->view()->setToolTip(langText(LangEntry::ProblemsListTip));
    m_problems->view()->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 8);
    m_problems->view()->setMinimumHeight(3 * (fontMetrics().height() + 8));
    // Room for the header and several rows, but on a small screen no more than a fifth of it:
    // the form, which then scrolls, is what the author works in.
    const int screenHeight = screen() ? screen()->availableGeometry().height() : 1080;
    resizeDocks({m_problems}, {std::min(9 * (fontMetrics().height() + 8), screenHeight / 5)}, Qt::Vertical);
    // Room for a few rows of problems below the form, as far as the screen allows, and wholly on it.
    if (const QScreen *shown = screen()) {
        const QRect area = shown->availableGeometry();
        const QRect wanted(area.center() - QPoint(width() / 2, (height() + 170) / 2), QSize(width(), height() + 170));
        // The frame is not known before the window is shown; its title bar and borders take
        // about this much.
        constexpr int kTitleBar = 40;
        constexpr int kBorder = 8;
        setGeometry(fittedInto(wanted, area.adjusted(kBorder, kTitleBar, -kBorder, -kBorder)));
    }
    m_problemsAction->setText(langText(LangEntry::ProblemsCaption));
    connect(m_problemsAction, &QAction::triggered, this, &AddLabs::showProblemsList);
    connect(m_problems, &ProblemsList::problemActivated, this, &AddLabs::showProblem);
    m_problemCount = new QLabel(this);
    m_problemCount->setObjectName(QStringLiteral("lblProblemCount"));
    statusBar()->addPermanentWidget(m_problemCount);
    connect(m_problemCount, &QLabel::linkActivated, this, &AddLabs::showProblemsList);
    connect(m_problems, &ProblemsList::problemsChanged, this, &AddLabs::showProblemCount);
    showProblemCount(static_cast<int>(m_problems->problems().size()), m_problems->isChecking());
    lblInstructions->setText(langText(LangEntry::MainInstructions));
    if (txtTab->text().isEmpty()) {
        cmdEditTab->setEnabled(true);
        cmdEditTabClick();
    }
    cmdAddSection->setEnabled(false);
    if (m_catalogue.tree().count() == 1)
        cmdDeleteAll->setEnabled(false);

    {
        const QSignalBlocker quiet(m_form->TabStrip1);
        while (m_form->TabStrip1->count() > 0)
            m_form->TabStrip1->removeTab(0);
        m_form->TabStrip1->setTabData(m_form->TabStrip1->addTab(langText(LangEntry::RequiredFilesTab)), QStringLiteral("Tab1"));
        m_form->TabStrip1->setTabData(m_form->TabStrip1->addTab(langText(LangEntry::OptionalFilesTab)), QStringLiteral("Tab2"));
    }
    // A hidden tab bar does not tell its layout that it has grown.
    m_form->TabStrip1->updateGeometry();
    if (getWizardSetting() == 1)
        chkWizStartup->setChecked(true);
    m_form->chkTestSimMode->setEnabled(false);
}

AddLabs::~AddLabs() = default;

void AddLabs::connectControls()
{
    // A click shows its node even when the node is selected already; the keyboard shows each node
    // it moves to.
    connect(tvlabs, &CatalogueView::nodeChosen, this, [this](CatalogueNode *node) {
        m_catalogue.select(node);
        tvlabsNodeClick(node);
    });
    connect(txtTab, &QLineEdit::textChanged, this, [this](const QString &text) { m_catalogue.setTypedTabTitle(text); });
    connect(lblHelp, &QLabel::linkActivated, this, [this] { openManual(); });

    connect(cmdAddLab, &QPushButton::clicked, this, [this] { cmdAddLabClick(); });
    connect(cmdEdit, &QPushButton::clicked, this, [this] { cmdEditClick(); });
    connect(cmdDelete, &QPushButton::clicked, this, [this] { cmdDeleteClick(); });
    connect(cmdDeleteAll, &QPushButton::clicked, this, [this] { cmdDeleteAllClick(); });
    connect(cmdAddSection, &QPushButton::clicked, this, [this] { cmdAddSectionClick(); });
    connect(cmdEditTab, &QPushButton::clicked, this, [this] { cmdEditTabClick(); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { cmdCancelClick(); });
    connect(cmdCreatePck, &QPushButton::clicked, this, [this] { cmdCreatePckClick(); });
    connect(cmdLoadLabPck, &QPushButton::clicked, this, [this] { cmdLoadLabPckClick(); });

    connect(m_form->cmdBrowse, &QPushButton::clicked, this, [this] { cmdBrowseClick(); });
    connect(m_form->cmdBrowseTop, &QPushButton::clicked, this, [this] { cmdBrowseTopClick(); });
    connect(m_form->cmdBrowsenwc, &QPushButton::clicked, this, [this] { cmdBrowsenwcClick(); });
    connect(m_form->cmdBrowseLoadNwc, &QPushButton::clicked, this, [this] { cmdBrowseLoadNwcClick(); });
    connect(m_form->cmdBrowsePicture, &QPushButton::clicked, this, [this] { cmdBrowsePictureClick(); });
    connect(m_form->cmdBrowseSetupFile, &QPushButton::clicked, this, [this] { cmdBrowseSetupFileClick(); });
    connect(m_form->cmdBrowseNodaraXImages, &QPushButton::clicked, this, [this] { cmdBrowseNodaraXImagesClick(); });

    // Return in the description stores the lab like everywhere else in the window; the catalogue
    // file could not keep a line break anyway. The menu follows the compile button's state.
    m_form->txtLabDescription->installEventFilter(this);
    cmdCreatePck->installEventFilter(this);
}

void AddLabs::setWindowMode(const QString &mode)
{
    if (!applyWindowMode(*this, mode))
        return;
    switch (*windowModeNamed(mode)) {
    case WindowMode::AddLab: m_addLabCommand = LabCommand::Store; break;
    case WindowMode::SaveLab: m_addLabCommand = LabCommand::Open; break;
    case WindowMode::EditLab: m_editLabCommand = LabCommand::Store; break;
    case WindowMode::SaveEditLab: m_editLabCommand = LabCommand::Open; break;
    case WindowMode::AddSection: m_sectionCommand = SectionCommand::Store; break;
    case WindowMode::SaveSection: m_sectionCommand = SectionCommand::Edit; break;
    case WindowMode::Cancel:
        m_addLabCommand = LabCommand::Open;
        m_editLabCommand = LabCommand::Open;
        m_sectionCommand = SectionCommand::Add;
        break;
    }
}

void AddLabs::showSectionCommand(SectionCommand command)
{
    m_sectionCommand = command;
    cmdAddSection->setText(langText(command == SectionCommand::Edit ? LangEntry::EditSectionCaption
                                                                    : LangEntry::SelectedItemAddSectionCaption));
}

void AddLabs::setDefaultButton(QPushButton *button)
{
    if (m_defaultButton)
        m_defaultButton->setDefault(false);
    m_defaultButton = button;
    if (m_defaultButton)
        m_defaultButton->setDefault(true);
}

void AddLabs::lockExamBoxes()
{
    m_form->lockExamBoxes();
}

void AddLabs::unlockExamBoxes()
{
    m_form->unlockExamBoxes();
}

void AddLabs::createNewTree()
{
    m_catalogue.createNewTree(m_prompter, folders().appData);
    // Steps before a reload would go back to a catalogue the file no longer holds.
    if (m_undo)
        m_undo->clear();
    showLoadedTree();
}

bool AddLabs::loadWizardLab(const WizardLab &lab)
{
    if (!m_inStep) {
        bool imported = false;
        undoable(langText(LangEntry::WizardLabStepText), [&] { imported = loadWizardLab(lab); });
        return imported;
    }
    if (refusedReadOnly() || !mayReplaceCatalogue())
        return false;
    if (!m_catalogue.importWizardLab(lab, folders().appData, m_prompter)) {
        const QString file = folders().appData + kCatalogueFileName;
        m_prompter.show(QStringLiteral("The wizard's catalogue could not be written to \"%1\". The current catalogue "
                                       "is unchanged; please check that the folder is writable and try again.")
                            .arg(QDir::toNativeSeparators(file)),
                        MessageIcon::Critical, MessageButtons::Ok, langText(LangEntry::MessageTitle));
        return false;
    }
    showLoadedTree();
    markSaved();
    if (m_tabEditing) {
        txtTab->setText(lab.tabTitle);
        cmdEditTabClick();
    }
    return true;
}

void AddLabs::markSaved()
{
    m_changed = false;
    if (m_inStep)
        m_savedInStep = true; // the step's end is what was saved
    else
        m_undo->setClean();
    m_recoveryTimer->stop();
    if (!m_readOnly)
        removeRecovery(folders().appData);
}

void AddLabs::undoable(const QString &text, const std::function<void()> &edit, std::optional<Catalogue::Snapshot> before)
{
    if (!before)
        before = m_catalogue.snapshot();
    bool changed = false;
    const QMetaObject::Connection watch = connect(&m_catalogue, &Catalogue::changed, this, [&changed] { changed = true; });
    m_inStep = true;
    m_savedInStep = false;
    edit();
    m_inStep = false;
    disconnect(watch);
    if (changed)
        m_undo->push(new CatalogueStep(m_catalogue, std::move(*before), m_catalogue.snapshot(), text, [this] { showRestored(); }));
    if (std::exchange(m_savedInStep, false)) {
        m_undo->setClean();
        m_changed = false;
    }
}

void AddLabs::showRestored()
{
    m_restoring = true;
    const QString selected = m_catalogue.selectedNode() ? m_catalogue.selectedNode()->key() : QString();
    closeEditing();
    showLoadedTree();
    if (CatalogueNode *node = m_catalogue.tree().nodeByKey(selected)) {
        selectNode(node);
        tvlabsNodeClick(node);
    }
    cmdDeleteAll->setEnabled(m_catalogue.tree().count() > 1);
    cmdEditTab->setEnabled(true);
}

void AddLabs::setCaption(const QString &caption)
{
    setWindowTitle(caption + QStringLiteral("[*]"));
}

bool AddLabs::editOpen() const
{
    return m_addLabCommand == LabCommand::Store || m_editLabCommand == LabCommand::Store
        || m_sectionCommand == SectionCommand::Store || m_tabEditing;
}

bool AddLabs::moveNode(CatalogueNode *node, CatalogueNode *newParent, int row)
{
    if (!node || !newParent || editOpen())
        return false;
    bool moved = false;
    undoable(langText(LangEntry::MoveStepText), [&] {
        moved = node->parent() == m_catalogue.tree().root() ? m_catalogue.moveNode(node, newParent, row)
                                                            : m_catalogue.moveLab(node, newParent, row);
    });
    if (!moved)
        return false;
    m_changed = true;
    tvlabs->expandNode(newParent);
    selectNode(node);
    tvlabsNodeClick(node);
    return true;
}

QPushButton *AddLabs::browseButtonFor(QWidget *field) const
{
    const std::pair<QWidget *, QPushButton *> fields[] = {
        {m_form->lblFile, m_form->cmdBrowse},           {m_form->lblTopFile, m_form->cmdBrowseTop},
        {m_form->lblPictureFile, m_form->cmdBrowsePicture}, {m_form->lblNwcFile, m_form->cmdBrowsenwc},
        {m_form->lblLoadNwcFile, m_form->cmdBrowseLoadNwc}};
    for (const auto &[label, button] : fields) {
        if (field == label || field == button)
            return button;
    }
    return nullptr;
}

bool AddLabs::dropFileOn(QWidget *field, const QString &path)
{
    QPushButton *browse = browseButtonFor(field);
    if (!browse || !browse->isEnabled() || path.isEmpty())
        return false;
    // The optional files are on the other tab of the form; its Browse button must be showing.
    const bool required = browse == m_form->cmdBrowse || browse == m_form->cmdBrowseTop;
    m_form->TabStrip1->setCurrentIndex(required ? 0 : 1);
    m_drops->answerNextWith(path);
    browse->click();
    return true;
}

QList<QAction *> AddLabs::contextActionsFor(CatalogueNode *node)
{
    QList<QAction *> actions;
    if (!node)
        return actions;
    selectNode(node);
    tvlabsNodeClick(node);
    for (QPushButton *button : {cmdAddSection, cmdAddLab, cmdEdit, cmdDelete}) {
        if (!button->isEnabled())
            continue;
        auto *action = new QAction(button->text(), this);
        connect(action, &QAction::triggered, button, &QPushButton::click);
        actions << action;
        if (button == cmdEdit && CatalogueTree::isLabNode(*node))
            actions << m_editActions.value(QStringLiteral("actionDuplicateLab"));
    }
    return actions;
}

void AddLabs::dragEnterEvent(QDragEnterEvent *event)
{
    if (droppedLocalFile(event->mimeData()).endsWith(QLatin1String(".lab"), Qt::CaseInsensitive))
        event->acceptProposedAction();
}

void AddLabs::dropEvent(QDropEvent *event)
{
    const QString package = droppedLocalFile(event->mimeData());
    if (!package.endsWith(QLatin1String(".lab"), Qt::CaseInsensitive))
        return;
    event->acceptProposedAction();
    // After the drop has ended, so that the file manager is not held by the questions.
    QTimer::singleShot(0, this, [this, package] { openPackage(package); });
}

void AddLabs::duplicateLab()
{
    CatalogueNode *lab = m_catalogue.selectedNode();
    if (!lab || !CatalogueTree::isLabNode(*lab) || !cmdEdit->isEnabled() || m_readOnly)
        return;
    const LabRecord *record = m_catalogue.recordOf(*lab);
    if (!record)
        return;
    CatalogueNode *copy = nullptr;
    undoable(langText(LangEntry::DuplicateLabCaption), [&] {
        LabRecord r = *record;
        r.key.clear();
        r.sku.clear(); // as for an added lab: the SKU is made when the catalogue is saved
        copy = m_catalogue.insertLab(lab->parent(), lab->text() + QStringLiteral(" (copy)"), r, lab->row() + 1);
    });
    if (!copy)
        return;
    m_changed = true;
    selectNode(copy);
    tvlabsNodeClick(copy);
    cmdEdit->click();
}

void AddLabs::catalogueFileWritten()
{
    markSaved();
    m_catalogue.dropLoadProblems(ProblemKind::SectionsMerged);
    m_problems->refreshSoon();
}

void AddLabs::keepRecovery()
{
    m_recoveryTimer->stop();
    if (m_readOnly || m_unloaded || !m_changed)
        return;
    QString failure;
    if (writeRecovery(m_catalogue, m_prompter, folders().appData, &failure) || m_recoveryFailureSaid)
        return;
    m_recoveryFailureSaid = true; // said once, not at every change
    m_prompter.show(failure + langText(LangEntry::RecoveryNotWrittenMessage), MessageIcon::Exclamation,
                    MessageButtons::Ok, langText(LangEntry::MessageTitle));
}

void AddLabs::showProblemCount(int count, bool checking)
{
    QString text = count == 0 ? langText(LangEntry::NoProblemsStatusText) : langText(LangEntry::ProblemsStatusText).arg(count);
    if (checking)
        text += QStringLiteral(" \u2014 ") + langText(LangEntry::ProblemsCheckingText);
    m_problemCount->setText(QStringLiteral("<a href=\"problems\">%1</a>").arg(text.toHtmlEscaped()));
    m_problemCount->setAccessibleName(text);
}

void AddLabs::showProblemsList()
{
    m_problems->show();
    m_problems->raise();
}

void AddLabs::showProblem(const CatalogueProblem &problem)
{
    CatalogueNode *node = m_catalogue.tree().nodeByKey(problem.nodeKey);
    // An edit in progress keeps its lab; the author finishes or cancels it first.
    if (!node || editOpen())
        return;
    selectNode(node);
    tvlabsNodeClick(node);
    tvlabs->setFocus(Qt::OtherFocusReason);
    if (!problem.field || !CatalogueTree::isLabNode(*node) || !cmdEdit->isEnabled())
        return;
    cmdEdit->click();
    if (m_editLabCommand != LabCommand::Store)
        return;
    const bool required = problem.field == LabFileField::Document || problem.field == LabFileField::Topology;
    m_form->TabStrip1->setCurrentIndex(required ? 0 : 1);
    QPushButton *browse = problem.field == LabFileField::Document ? m_form->cmdBrowse
        : problem.field == LabFileField::Topology                 ? m_form->cmdBrowseTop
        : problem.field == LabFileField::Picture                  ? m_form->cmdBrowsePicture
        : problem.field == LabFileField::GradingConfiguration     ? m_form->cmdBrowsenwc
                                                                  : m_form->cmdBrowseLoadNwc;
    browse->setFocus(Qt::OtherFocusReason);
}

bool AddLabs::offerRecovery()
{
    if (m_readOnly || !recoveryDiffers(folders().appData))
        return false;
    if (m_prompter.message(LangEntry::RecoveryQuestion, MessageIcon::Question, MessageButtons::RestoreDiscard)
        != MessageAnswer::Restore) {
        removeRecovery(folders().appData);
        return false;
    }
    restoreRecovery(m_catalogue, m_prompter, folders().appData);
    closeEditing();
    showLoadedTree();
    m_changed = true;
    // The restored edits are not in the file: marked unsaved, with no step to undo into it.
    m_undo->clear();
    m_undo->resetClean();
    return true;
}

void AddLabs::setReadOnly(const QString &because)
{
    m_readOnly = true;
    m_readOnlyBecause = because;
    m_loadedCaption += QStringLiteral(" (read-only)");
    setCaption(m_loadedCaption);
}

bool AddLabs::refusedReadOnly()
{
    if (!m_readOnly)
        return false;
    m_prompter.show(langText(LangEntry::ReadOnlyRefusalMessage).arg(QDir::toNativeSeparators(folders().appData), m_readOnlyBecause),
                    MessageIcon::Information, MessageButtons::Ok, langText(LangEntry::MessageTitle));
    return true;
}

Wizard *AddLabs::showWizard()
{
    if (refusedReadOnly())
        return nullptr;
    if (!m_wizard) {
        m_wizard = new Wizard(m_prompter, m_chooser, this);
        connect(m_wizard, &Wizard::labFinished, this, [this](const WizardLab &lab) {
            if (loadWizardLab(lab))
                m_wizard->closeFinished();
        });
        connect(m_wizard, &Wizard::startupChoiceMade, this, &AddLabs::setWizardStartup);
    }
    // Beside the main window where the screen has room, over it where it has not.
    const QRect area = screen() ? screen()->availableGeometry() : QRect(frameGeometry().topLeft(), m_wizard->size());
    m_wizard->move(besideOrOver(frameGeometry(), m_wizard->frameGeometry().size(), area));
    m_wizard->show();
    m_wizard->raise();
    return m_wizard;
}

void AddLabs::setWizardStartup(bool show)
{
    chkWizStartup->setChecked(show);
}

void AddLabs::showLoadedTree()
{
    txtTab->setText(m_catalogue.tabTitle());
    for (QPushButton *button : {cmdAddSection, cmdAddLab, cmdDelete, cmdEdit})
        button->setEnabled(false);
    setFieldBackground(m_form->txtSection, true);
    setFieldBackground(m_form->txtLabname, true);
    if (CatalogueNode *root = m_catalogue.tree().root()) {
        selectNode(root);
        tvlabsNodeClick(root);
    }
    setDefaultButton(cmdAddSection);
}

void AddLabs::selectNode(CatalogueNode *node)
{
    m_catalogue.select(node);
    tvlabs->showNode(node);
}

void AddLabs::tvlabsNodeClick(CatalogueNode *node)
{
    m_form->clearFields();
    for (QPushButton *button : {m_form->cmdBrowse, m_form->cmdBrowseTop, m_form->cmdBrowsenwc, m_form->cmdBrowsePicture, m_form->cmdBrowseLoadNwc,
                                cmdAddSection, cmdAddLab, cmdDelete, cmdEdit})
        button->setEnabled(false);
    if (!node || m_catalogue.tree().count() == 0)
        return;

    const bool hasTab = !txtTab->text().isEmpty();
    if (CatalogueTree::isLabNode(*node)) {
        m_form->txtSection->setText(node->parent() ? node->parent()->text() : QString());
        m_form->txtLabname->setText(node->text());
        const LabRecord *record = m_catalogue.recordOf(*node);
        if (!record) {
            m_prompter.message(LangEntry::LabDetailsNotFoundMessage, MessageIcon::Exclamation);
            m_form->lblIndex->setText(QString::number(node->index()));
            return;
        }
        m_form->showLab(*record);
        if (fraIntro->isHidden())
            lblInstructions->setText(langText(LangEntry::LabSelectedInstructions));
        cmdEdit->setEnabled(true);
        cmdDelete->setEnabled(true);
        if (hasTab)
            cmdAddSection->setEnabled(true);
        cmdAddLab->setEnabled(true);
        showSectionCommand(SectionCommand::Add);
    } else if (node->key() == kTabKey) {
        if (fraIntro->isHidden())
            lblInstructions->setText(langText(LangEntry::TabSelectedInstructions));
        if (hasTab)
            cmdAddSection->setEnabled(true);
        showSectionCommand(SectionCommand::Add);
        m_form->lblLabPackID->setText(node->tag());
    } else {
        m_form->txtSection->setText(node->text());
        node->setExpanded(true);
        tvlabs->expandNode(node);
        cmdAddLab->setEnabled(true);
        showSectionCommand(SectionCommand::Edit);
        if (hasTab)
            cmdAddSection->setEnabled(true);
        lblInstructions->setText(langText(LangEntry::SectionSelectedInstructions));
        if (node->childCount() == 0) {
            cmdDelete->setEnabled(true);
            lblInstructions->setText(langText(LangEntry::EmptySectionSelectedInstructions));
        }
        m_form->lblLabPackID->setText(node->tag());
    }
    m_form->lblIndex->setText(QString::number(node->index()));
}

void AddLabs::setPageNumber(const QString &value)
{
    m_form->setPageNumber(value);
}

const LabRecord &AddLabs::editBuffer() const
{
    return m_form->buffer();
}

void AddLabs::openManual()
{
    const QString manual = findProgramResource(folders().program, QStringLiteral("help.pdf"));
    if (manual.isEmpty())
        return;
    openPageLink(manual, PDFLink::Purpose::Reading);
}

void AddLabs::showAbout()
{
    m_prompter.show(langText(LangEntry::ProgramTitle) + QStringLiteral(" " FENDREL_VERSION "\n\n") +
                        QStringLiteral("Builds lab catalogues and lab packages for the Nodara network simulator."),
                    MessageIcon::Information, MessageButtons::Ok, langText(LangEntry::MessageTitle));
}

QPushButton *AddLabs::enterButton() const
{
    // Enter finishes what the focused field is being edited for; elsewhere it is the default button.
    QWidget *focused = focusWidget();
    if (auto *button = qobject_cast<QPushButton *>(focused))
        return button;
    if (focused == txtTab && m_tabEditing)
        return cmdEditTab;
    if (focused == m_form->txtSection && m_sectionCommand == SectionCommand::Store)
        return cmdAddSection;
    return m_defaultButton;
}

void AddLabs::keyPressEvent(QKeyEvent *event)
{
    // Esc does what Cancel does while an edit is open.
    if (event->key() == Qt::Key_Escape && cmdCancel->isEnabled() && cmdCancel->isVisible()) {
        cmdCancel->click();
        return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        QPushButton *button = enterButton();
        if (button && button->isEnabled() && button->isVisible())
            button->click();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

bool AddLabs::eventFilter(QObject *watched, QEvent *event)
{
    if ((event->type() == QEvent::DragEnter || event->type() == QEvent::Drop) && !m_busy) {
        auto *field = qobject_cast<QWidget *>(watched);
        auto *drag = static_cast<QDropEvent *>(event);
        const QString path = droppedLocalFile(drag->mimeData());
        QPushButton *browse = browseButtonFor(field);
        if (browse && browse->isEnabled() && !path.isEmpty()) {
            drag->acceptProposedAction();
            if (event->type() == QEvent::Drop)
                QTimer::singleShot(0, this, [this, field, path] { dropFileOn(field, path); });
            return true;
        }
    }
    if (m_busy) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::Wheel:
        case QEvent::Shortcut:
        case QEvent::ShortcutOverride:
        case QEvent::ContextMenu: {
            // The wizard and the page-link window change the catalogue too; message boxes and
            // the progress windows go on answering.
            auto *widget = qobject_cast<QWidget *>(watched);
            const QWidget *window = widget ? widget->window() : nullptr;
            if (window && (window == this || window == m_wizard || window == m_pageLink))
                return true;
            break;
        }
        default:
            break;
        }
    }
    if (watched == m_form->txtLabDescription && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            if (m_defaultButton && m_defaultButton->isEnabled() && m_defaultButton->isVisible())
                m_defaultButton->click();
            return true;
        }
    }
    if (watched == cmdCreatePck && event->type() == QEvent::EnabledChange && m_compileAction)
        m_compileAction->setEnabled(cmdCreatePck->isEnabled());
    return QMainWindow::eventFilter(watched, event);
}

void AddLabs::closeEvent(QCloseEvent *event)
{
    if (m_busy) {
        event->ignore();
        return;
    }
    if (!m_unloaded && !m_readOnly && m_changed) {
        // Whatever does not end in the catalogue being kept, or knowingly dropped, keeps the window.
        const MessageAnswer answer = m_prompter.message(LangEntry::CatalogueChangedQuestion, MessageIcon::Question,
                                                        MessageButtons::YesNoSaveCancel);
        const bool close = answer == MessageAnswer::Yes    ? cmdCreatePckClick()
                         : answer == MessageAnswer::Save ? saveCatalogue()
                                                         : answer == MessageAnswer::No;
        if (!close) {
            event->ignore();
            return;
        }
    }
    unload();
    event->accept();
}

} // namespace fendrel::gui
