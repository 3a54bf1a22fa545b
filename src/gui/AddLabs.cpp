#include "gui/AddLabs.h"

#include "catalogue/CatalogueEditing.h"
#include "catalogue/CatalogueFile.h"
#include "catalogue/ExamList.h"
#include "catalogue/Ini.h"
#include "catalogue/WizardCatalogue.h"
#include "gui/CatalogueModel.h"
#include "gui/CatalogueView.h"
#include "gui/Icon.h"
#include "gui/PDFLink.h"
#include "gui/ProgressWindows.h"
#include "gui/WindowModes.h"
#include "gui/Wizard.h"
#include "interaction/Prompter.h"
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
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>

namespace fendrel::gui {

AddLabs::AddLabs(Catalogue &catalogue, Prompter &prompter, FileChooser &chooser, QWidget *parent)
    : QMainWindow(parent), m_prompter(prompter), m_chooser(chooser), m_catalogue(catalogue),
      m_saveStatus(std::make_unique<SaveStatus>()), m_progress(std::make_unique<Progress>())
{
    setObjectName(QStringLiteral("frmAddLabs"));
    createControls();
    createLayout();
    createMenus();
    connectControls();

    setIcon(this, kIconResource, true);
    setCaptions();
    cmbLabPackID->hide();
    lblLabPackID->hide();
    m_catalogue.keyArrayInitialize();
    m_loadedCaption = windowTitle();
    for (QWidget *field : std::initializer_list<QWidget *>{txtTab, txtLabDescription, txtSection, txtLabname})
        setFieldBackground(field, true);
    lockExamBoxes();
    createNewTree();
    lblInstructions->setText(langText(LangEntry::MainInstructions));
    if (txtTab->text().isEmpty()) {
        cmdEditTab->setEnabled(true);
        cmdEditTabClick();
    }
    cmdAddSection->setEnabled(false);
    if (m_catalogue.tree().count() == 1)
        cmdDeleteAll->setEnabled(false);

    {
        const QSignalBlocker quiet(TabStrip1);
        while (TabStrip1->count() > 0)
            TabStrip1->removeTab(0);
        TabStrip1->setTabData(TabStrip1->addTab(langText(LangEntry::RequiredFilesTab)), QStringLiteral("Tab1"));
        TabStrip1->setTabData(TabStrip1->addTab(langText(LangEntry::OptionalFilesTab)), QStringLiteral("Tab2"));
    }
    // A hidden tab bar does not tell its layout that it has grown.
    TabStrip1->updateGeometry();
    if (getWizardSetting() == 1)
        chkWizStartup->setChecked(true);
    chkTestSimMode->setEnabled(false);
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
    connect(TabStrip1, &QTabBar::currentChanged, this, [this] { tabStrip1Click(); });
    connect(txtTab, &QLineEdit::textChanged, this, [this](const QString &text) { m_catalogue.setTypedTabTitle(text); });
    connect(lblHelp, &QLabel::linkActivated, this, [this] { openManual(); });
    for (int i = 0; i < kExamCount; ++i)
        connect(m_examBoxes[i], &QCheckBox::clicked, this, [this, i](bool checked) { onExamBoxClicked(i, checked); });

    connect(cmdAddLab, &QPushButton::clicked, this, [this] { cmdAddLabClick(); });
    connect(cmdEdit, &QPushButton::clicked, this, [this] { cmdEditClick(); });
    connect(cmdDelete, &QPushButton::clicked, this, [this] { cmdDeleteClick(); });
    connect(cmdDeleteAll, &QPushButton::clicked, this, [this] { cmdDeleteAllClick(); });
    connect(cmdAddSection, &QPushButton::clicked, this, [this] { cmdAddSectionClick(); });
    connect(cmdEditTab, &QPushButton::clicked, this, [this] { cmdEditTabClick(); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { cmdCancelClick(); });
    connect(cmdCreatePck, &QPushButton::clicked, this, [this] { cmdCreatePckClick(); });
    connect(cmdLoadLabPck, &QPushButton::clicked, this, [this] { cmdLoadLabPckClick(); });

    connect(cmdBrowse, &QPushButton::clicked, this, [this] { cmdBrowseClick(); });
    connect(cmdBrowseTop, &QPushButton::clicked, this, [this] { cmdBrowseTopClick(); });
    connect(cmdBrowsenwc, &QPushButton::clicked, this, [this] { cmdBrowsenwcClick(); });
    connect(cmdBrowseLoadNwc, &QPushButton::clicked, this, [this] { cmdBrowseLoadNwcClick(); });
    connect(cmdBrowsePicture, &QPushButton::clicked, this, [this] { cmdBrowsePictureClick(); });
    connect(cmdBrowseSetupFile, &QPushButton::clicked, this, [this] { cmdBrowseSetupFileClick(); });
    connect(cmdBrowseNodaraXImages, &QPushButton::clicked, this, [this] { cmdBrowseNodaraXImagesClick(); });

    // Return in the description stores the lab like everywhere else in the window; the catalogue
    // file could not keep a line break anyway. The menu follows the compile button's state.
    txtLabDescription->installEventFilter(this);
    cmdCreatePck->installEventFilter(this);
}

void AddLabs::setWindowMode(const QString &mode)
{
    applyWindowMode(*this, mode);
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
    for (QCheckBox *box : m_examBoxes)
        box->setEnabled(false);
}

void AddLabs::unlockExamBoxes()
{
    for (QCheckBox *box : m_examBoxes)
        box->setEnabled(true);
}

void AddLabs::createNewTree()
{
    m_catalogue.createNewTree(m_prompter, folders().appData);
    showLoadedTree();
}

bool AddLabs::loadWizardLab(const WizardLab &lab)
{
    if (!m_catalogue.importWizardLab(lab, folders().appData, m_prompter)) {
        const QString file = folders().appData + kCatalogueFileName;
        m_prompter.show(QStringLiteral("The wizard's catalogue could not be written to \"%1\". The current catalogue "
                                       "is unchanged; please check that the folder is writable and try again.")
                            .arg(QDir::toNativeSeparators(file)),
                        MessageIcon::Critical, MessageButtons::Ok, langText(LangEntry::MessageTitle));
        return false;
    }
    showLoadedTree();
    m_changed = false;
    if (cmdEditTab->text().toLower() != u"edit") {
        txtTab->setText(lab.tabTitle);
        cmdEditTabClick();
    }
    return true;
}

Wizard *AddLabs::showWizard()
{
    if (!m_wizard) {
        m_wizard = new Wizard(m_prompter, m_chooser, this);
        connect(m_wizard, &Wizard::labFinished, this, [this](const WizardLab &lab) {
            if (loadWizardLab(lab))
                m_wizard->closeFinished();
        });
        connect(m_wizard, &Wizard::startupChoiceMade, this, &AddLabs::setWizardStartup);
    }
    // Beside the main window, not over it.
    m_wizard->move(geometry().topRight() + QPoint(16, 0));
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
    setFieldBackground(txtSection, true);
    setFieldBackground(txtLabname, true);
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
    lblIndex->clear();
    for (QLineEdit *field : {txtSection, txtLabname})
        field->clear();
    for (QLabel *label : {lblFile, lblTopFile, lblNwcFile, lblPictureFile, lblLoadNwcFile})
        label->clear();
    txtLabDescription->clear();
    txtSection->setReadOnly(true);
    txtLabname->setReadOnly(true);
    for (QPushButton *button : {cmdBrowse, cmdBrowseTop, cmdBrowsenwc, cmdBrowsePicture, cmdBrowseLoadNwc,
                                cmdAddSection, cmdAddLab, cmdDelete, cmdEdit})
        button->setEnabled(false);
    if (!node || m_catalogue.tree().count() == 0)
        return;

    const bool hasTab = !txtTab->text().isEmpty();
    if (CatalogueTree::isLabNode(*node)) {
        txtSection->setText(node->parent() ? node->parent()->text() : QString());
        txtLabname->setText(node->text());
        const LabRecord *record = m_catalogue.recordOf(*node);
        if (!record) {
            m_prompter.message(LangEntry::LabDetailsNotFoundMessage, MessageIcon::Exclamation);
            lblIndex->setText(QString::number(node->index()));
            return;
        }
        const LabRecord &r = *record;
        lblFile->setText(fileNameOfPath(r.link));
        chkTestSimMode->setChecked(!trimSpaces(r.mode).isEmpty());
        txtLabDescription->setPlainText(r.description);
        lblTopFile->setText(fileNameOfPath(r.topFile));
        lblNwcFile->setText(fileNameOfPath(r.nwcFile));
        lblLoadNwcFile->setText(fileNameOfPath(r.loadNwcFile));
        lblPictureFile->setText(fileNameOfPath(r.picture));
        lblLabPackID->setText(r.sku);
        showExamList(r.examsCovered);
        if (fraIntro->isHidden())
            lblInstructions->setText(langText(LangEntry::LabSelectedInstructions));
        cmdEdit->setEnabled(true);
        cmdDelete->setEnabled(true);
        if (hasTab)
            cmdAddSection->setEnabled(true);
        cmdAddLab->setEnabled(true);
        cmdAddSection->setText(langText(LangEntry::SelectedItemAddSectionCaption));
    } else if (node->key() == kTabKey) {
        if (fraIntro->isHidden())
            lblInstructions->setText(langText(LangEntry::TabSelectedInstructions));
        if (hasTab)
            cmdAddSection->setEnabled(true);
        cmdAddSection->setText(langText(LangEntry::SelectedItemAddSectionCaption));
        lblLabPackID->setText(node->tag());
    } else {
        txtSection->setText(node->text());
        node->setExpanded(true);
        tvlabs->expandNode(node);
        cmdAddLab->setEnabled(true);
        cmdAddSection->setText(langText(LangEntry::EditSectionCaption));
        if (hasTab)
            cmdAddSection->setEnabled(true);
        lblInstructions->setText(langText(LangEntry::SectionSelectedInstructions));
        if (node->childCount() == 0) {
            cmdDelete->setEnabled(true);
            lblInstructions->setText(langText(LangEntry::EmptySectionSelectedInstructions));
        }
        lblLabPackID->setText(node->tag());
    }
    lblIndex->setText(QString::number(node->index()));
}

void AddLabs::showExamList(const QString &list)
{
    ExamBoxes boxes{};
    for (int i = 0; i < kExamCount; ++i)
        boxes[i] = m_examBoxes[i]->isChecked();
    fendrel::showExamList(list, boxes, m_buffer.examsCovered);
    for (int i = 0; i < kExamCount; ++i)
        m_examBoxes[i]->setChecked(boxes[i]);
}

void AddLabs::onExamBoxClicked(int box, bool checked)
{
    m_buffer.examsCovered = updateExamList(m_buffer.examsCovered, examCodes()[box], checked);
}

void AddLabs::tabStrip1Click()
{
    for (QPushButton *button : {cmdBrowseLoadNwc, cmdBrowsenwc, cmdBrowsePicture})
        button->setText(langText(LangEntry::BrowseCaption));
    const int tab = TabStrip1->currentIndex() + 1;
    if (tab == 1) {
        fraOptFiles->hide();
        fraNodaraXFiles->hide();
        fraReqFiles->show();
        if (!txtLabname->isReadOnly() && isVisible())
            txtLabname->setFocus(Qt::TabFocusReason);
    } else if (tab == 2) {
        fraReqFiles->hide();
        fraNodaraXFiles->hide();
        fraOptFiles->show();
        if (cmdBrowseLoadNwc->isEnabled() && isVisible())
            cmdBrowseLoadNwc->setFocus(Qt::TabFocusReason);
    } else {
        m_prompter.message(LangEntry::UnknownFileTabMessage, MessageIcon::Exclamation, MessageButtons::Ok, QString::number(tab));
    }
}

void AddLabs::setPageNumber(const QString &value)
{
    if (const std::optional<QString> page = pageNumberValue(value))
        m_buffer.linkPage = *page;
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
    if (focused == txtTab && cmdEditTab->text() == langText(LangEntry::SaveCaption))
        return cmdEditTab;
    if (focused == txtSection && cmdAddSection->text() == langText(LangEntry::SaveSectionCaption))
        return cmdAddSection;
    return m_defaultButton;
}

void AddLabs::keyPressEvent(QKeyEvent *event)
{
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
            auto *widget = qobject_cast<QWidget *>(watched);
            if (widget && widget->window() == this)
                return true;
            break;
        }
        default:
            break;
        }
    }
    if (watched == txtLabDescription && event->type() == QEvent::KeyPress) {
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
    if (!m_unloaded && m_changed && m_prompter.ask(LangEntry::CatalogueChangedQuestion))
        cmdCreatePckClick();
    unload();
    event->accept();
}

} // namespace fendrel::gui
