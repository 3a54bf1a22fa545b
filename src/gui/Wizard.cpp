#include "gui/Wizard.h"

#include "catalogue/CatalogueEditing.h"
#include "catalogue/Ini.h"
#include "gui/FileDialogs.h"
#include "gui/Icon.h"
#include "gui/WidgetHelpers.h"
#include "interaction/Prompter.h"
#include "package/LabFileKind.h"
#include "package/NetworkConfiguration.h"
#include "startup/Folders.h"
#include "startup/LanguageTable.h"
#include "startup/Settings.h"
#include "text/TextHelpers.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace fendrel::gui {
namespace {

constexpr qint16 kLastPage = 7;

} // namespace

Wizard::Wizard(Prompter &prompter, FileChooser &chooser, QWidget *parent)
    : QWidget(parent, Qt::Window), m_prompter(prompter), m_chooser(chooser)
{
    setObjectName(QStringLiteral("frmWizard"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    setupUi(this);
    chkShowMe->setChecked(getWizardSetting() == 1);
    for (QLabel *label : {lblLabFile, lblTopFile, lblPicFile, lblGradeNwcFile, lblLoadNwcFile})
        label->setContentsMargins(4, 2, 4, 2);
    connectControls();
    setIcon(this, kIconResource, true);
    setCaptions();
    m_results = {};
    m_page = 0;
}

void Wizard::setCaptions()
{
    // The owner's caption without its unsaved marker.
    setWindowTitle((parentWidget() ? parentWidget()->windowTitle().remove(QStringLiteral("[*]")) : QString())
                   + langText(LangEntry::WizardTitleSuffix));
    lblIntroduction->setText(langText(LangEntry::WizardWelcomeText));
    lblDescription->setText(langText(LangEntry::WizardDescriptionText));
    lblFinished->setText(langText(LangEntry::WizardFinishedText));
    lblOptFiles->setText(langText(LangEntry::WizardOptionalFilesText));
    lblReqFiles->setText(langText(LangEntry::WizardRequiredFilesText));
    lblTabInfo->setText(langText(LangEntry::WizardTabText));
    lblSectionAndLab->setText(langText(LangEntry::WizardSectionAndLabText));
}

void Wizard::connectControls()
{
    connect(cmdNext, &QPushButton::clicked, this, [this] { cmdNextClick(); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { cmdCancelClick(); });

    const QList<FileFilter> documents = withAllSupported({filter(u"Word Document (*.doc)", u"*.doc"),
                                                          filter(u"Portable Document Format (*.pdf)", u"*.pdf"),
                                                          filter(u"Text File (*.txt)", u"*.txt")});
    const QList<FileFilter> topology = withAllSupported({filter(u"Topology File (*.top)", u"*.top")});
    const QList<FileFilter> pictures = withAllSupported({filter(u"Bitmap (*.bmp)", u"*.bmp"), filter(u"JPEG (*.jpg)", u"*.jpg"),
                                                         filter(u"GIF (*.gif)", u"*.gif"),
                                                         filter(u"Windows Metafile (*.wmf)", u"*.wmf")});
    const QList<FileFilter> configurations = withAllSupported({filter(u"Network Config Files (*.nwc)", u"*.nwc")});
    connect(cmdBrowseLab, &QPushButton::clicked, this,
            [this, documents] { browse(documents, m_results.link, lblLabFile, LabFileField::Document); });
    connect(cmdBrowseTop, &QPushButton::clicked, this,
            [this, topology] { browse(topology, m_results.topFile, lblTopFile, LabFileField::Topology); });
    connect(cmdBrowsePicFile, &QPushButton::clicked, this,
            [this, pictures] { browse(pictures, m_results.picture, lblPicFile, LabFileField::Picture); });
    connect(cmdBrowseGradeNwc, &QPushButton::clicked, this,
            [this, configurations] { browse(configurations, m_results.nwcFile, lblGradeNwcFile, LabFileField::GradingConfiguration); });
    connect(cmdBrowseLoadNwc, &QPushButton::clicked, this,
            [this, configurations] { browse(configurations, m_results.loadNwcFile, lblLoadNwcFile, LabFileField::LoadingConfiguration); });

    const auto clearer = [this](QString &result, QLabel *label) {
        return [&result, label] {
            result.clear();
            label->clear();
        };
    };
    connect(cmdClearPicFile, &QPushButton::clicked, this, clearer(m_results.picture, lblPicFile));
    connect(cmdClearGradeNwc, &QPushButton::clicked, this, clearer(m_results.nwcFile, lblGradeNwcFile));
    connect(cmdClearLoadNwc, &QPushButton::clicked, this, clearer(m_results.loadNwcFile, lblLoadNwcFile));

    const std::pair<QPushButton *, LangEntry> help[] = {{cmdQuestionLabFile, LangEntry::LabDocumentHelp},
                                                  {cmdQuestionTopFile, LangEntry::TopologyFileHelp},
                                                  {cmdQuestionPicFile, LangEntry::LabGraphicHelp},
                                                  {cmdQuestionGradeNwc, LangEntry::GradingNwcHelp},
                                                  {cmdQestionLoadNwc, LangEntry::LoadingNwcHelp}};
    for (const auto &[button, entry] : help)
        connect(button, &QPushButton::clicked, this,
                [this, entry = entry] { m_prompter.message(entry, MessageIcon::Information); });

    // Return on the description page goes on, as everywhere else in the wizard: the catalogue
    // file keeps a description on one line anyway.
    txtDescription->installEventFilter(this);
}

void Wizard::showPage(QWidget *next, QWidget *previous)
{
    next->show();
    previous->hide();
    // The first field of the new page takes the keyboard, so a user can type and press Enter.
    for (QWidget *child : next->findChildren<QWidget *>()) {
        if (qobject_cast<QLineEdit *>(child) || qobject_cast<QPlainTextEdit *>(child)) {
            child->setFocus(Qt::OtherFocusReason);
            return;
        }
    }
    cmdNext->setFocus(Qt::OtherFocusReason);
}

void Wizard::cmdNextClick()
{
    ++m_page;
    if (m_page > kLastPage) {
        m_page = static_cast<qint16>(m_page - 2);
        cmdNextClick();
        return;
    }
    const auto missing = [this] {
        m_prompter.message(LangEntry::WizardPageIncompleteMessage, MessageIcon::Exclamation);
        --m_page;
    };
    switch (m_page) {
    case 1:
        saveWizardSetting(chkShowMe->isChecked() ? 1 : 0);
        showPage(fraTab, fraIntro);
        break;
    case 2:
        if (txtTabTitle->text().isEmpty())
            return missing();
        if (refuseUncarriable(m_prompter, txtTabTitle->text(), txtTabTitle)) {
            --m_page;
            return;
        }
        m_results.tabTitle = txtTabTitle->text();
        showPage(fraSection, fraTab);
        break;
    case 3:
        if (txtLabTitle->text().isEmpty() || txtSection->text().isEmpty())
            return missing();
        if (refuseUncarriable(m_prompter, txtSection->text(), txtSection) || refuseUncarriable(m_prompter, txtLabTitle->text(), txtLabTitle)) {
            --m_page;
            return;
        }
        m_results.labTitle = txtLabTitle->text();
        m_results.sectionName = txtSection->text();
        showPage(fraReqFiles, fraSection);
        break;
    case 4:
        if (lblLabFile->text().isEmpty() || lblTopFile->text().isEmpty())
            return missing();
        showPage(fraOptFiles, fraReqFiles);
        break;
    case 5:
        showPage(fraDescription, fraOptFiles);
        break;
    case 6: {
        const QString description = trimSpaces(txtDescription->toPlainText());
        if (refuseUncarriable(m_prompter, description, txtDescription)) {
            --m_page;
            return;
        }
        m_results.description = description;
        showPage(fraFinish, fraDescription);
        cmdNext->setText(langText(LangEntry::FinishCaption));
        break;
    }
    case 7:
        // The last page stays until the lab is taken, so that Finish can be tried again.
        Q_EMIT labFinished(m_results);
        break;
    default:
        break;
    }
}

bool Wizard::confirmCancel()
{
    if (!m_prompter.askDestructive(LangEntry::CancelWizardQuestion))
        return false;
    saveWizardSetting(chkShowMe->isChecked() ? 1 : 0);
    return true;
}

void Wizard::cmdCancelClick()
{
    if (confirmCancel())
        closeQuietly();
}

void Wizard::closeQuietly()
{
    m_finishing = true;
    close();
}

void Wizard::closeFinished()
{
    closeQuietly();
}

void Wizard::browse(const QList<FileFilter> &filters, QString &result, QLabel *label, LabFileField field)
{
    FileRequest request;
    request.kind = FileDialogKind::Open;
    request.title = langText(LangEntry::FileBrowseCaption);
    request.filters = filters;
    request.initialFolder = folders().labs;
    request.options = FileDialogOption::PathMustExist | FileDialogOption::FileMustExist;
    QString path = chooseRememberedFile(m_chooser, dialogKindOf(field), request);
    path.remove(QChar(u'\0'));
    path = trimSpaces(path);
    if (path.isEmpty())
        return;
    if (!QFileInfo(path).isFile()) {
        m_prompter.show(QStringLiteral("\"%1\" could not be found. Please choose an existing file.").arg(path),
                        MessageIcon::Exclamation, MessageButtons::Ok, langText(LangEntry::MessageTitle));
        return;
    }
    if (refuseUncarriable(m_prompter, path, nullptr))
        return;
    // The same check as the main window's Browse buttons.
    if (refuseLabFile(field, path, m_prompter))
        return;
    const bool configuration = field == LabFileField::GradingConfiguration || field == LabFileField::LoadingConfiguration;
    if (configuration && !verifyAndCollectRtr(path, m_prompter))
        return;
    result = path;
    label->setText(fileNameOfPath(path));
}

bool Wizard::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == txtDescription && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            cmdNext->click();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void Wizard::keyPressEvent(QKeyEvent *event)
{
    // A plain window has no default button of its own: Enter presses the focused button, else Next.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        auto *focused = qobject_cast<QPushButton *>(focusWidget());
        (focused ? focused : cmdNext)->click();
        return;
    }
    // Esc is Cancel, with its question.
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void Wizard::closeEvent(QCloseEvent *event)
{
    // The window's own close button asks the same question as Cancel: a half-built lab is lost.
    if (!m_finishing && !confirmCancel()) {
        event->ignore();
        return;
    }
    unload();
    event->accept();
}

void Wizard::unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    Q_EMIT startupChoiceMade(chkShowMe->isChecked());
}

} // namespace fendrel::gui
