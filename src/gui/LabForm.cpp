#include "gui/LabForm.h"

#include "catalogue/CatalogueEditing.h"
#include "catalogue/ExamList.h"
#include "gui/WidgetHelpers.h"
#include "gui/WindowModes.h"
#include "interaction/Prompter.h"
#include "startup/LanguageTable.h"
#include "text/TextHelpers.h"

namespace fendrel::gui {

LabForm::LabForm(Prompter &prompter, QWidget *parent) : QWidget(parent), m_prompter(prompter)
{
    setupUi(this);
    m_examBoxes = {chkBCMSN, chkBSCI, chkICND1, chkICND2, chkISCW, chkRoute, chkSupplemental, chkONT, chkSwitch, chkTshoot};
    txtLabDescription->setMinimumHeight(txtLabDescription->fontMetrics().lineSpacing() * 3 + 12);
    for (QLabel *label : {lblFile, lblTopFile, lblNwcFile, lblLoadNwcFile, lblPictureFile, lblNodaraXImagesPath,
                          lblNodaraXTopFilePath, lblSetupFilePath}) {
        label->setContentsMargins(4, 2, 4, 2);
        setFieldBackground(label, true);
    }
    setCaptions();
    // Switching tabs must not move the fields below the panel: it is as tall as its tallest frame.
    int tallest = 0;
    for (QFrame *frame : {fraReqFiles, fraOptFiles, fraNodaraXFiles})
        tallest = std::max(tallest, frame->sizeHint().height());
    const QMargins margins = panelLayout->contentsMargins();
    filePanel->setMinimumHeight(tallest + margins.top() + margins.bottom());

    for (int i = 0; i < kExamCount; ++i)
        connect(m_examBoxes[i], &QCheckBox::clicked, this, [this, i](bool checked) { onExamBoxClicked(i, checked); });
    connect(TabStrip1, &QTabBar::currentChanged, this, [this] { tabStrip1Click(); });
}

void LabForm::setCaptions()
{
    Frame1->setTitle(langText(LangEntry::LabDetailsTitle));
    label2->setText(langText(LangEntry::SectionLabel));
    lblIndex->setText(langText(LangEntry::NodeIndexCaption));
    Label6->setText(langText(LangEntry::LabNameLabel));
    Label3->setText(langText(LangEntry::LabDocumentLabel));
    Label4->setText(langText(LangEntry::TopologyFileLabel));
    Label5->setText(langText(LangEntry::ExamsCoveredLabel));
    cmdBrowse->setText(langText(LangEntry::BrowseCaption));
    for (QPushButton *button : {cmdBrowseTop, cmdBrowseLoadNwc, cmdBrowseNodaraXImages, cmdBrowseNodaraXTopFile,
                                cmdBrowsePicture, cmdBrowsenwc, cmdBrowseSetupFile})
        button->setText(langText(LangEntry::FileBrowseCaption));
    fraLabDescription->setTitle(langText(LangEntry::LabDescriptionTitle));
    Label1->setText(langText(LangEntry::LabDescriptionLabel));
    lblLoadNwc->setText(langText(LangEntry::LoadingNwcLabel));
    lblGradeNwc->setText(langText(LangEntry::GradingNwcLabel));
    lblPicture->setText(langText(LangEntry::LabGraphicLabel));

    // Exam names and the test-mode box are the same in every language.
    const QStringList examNames{QStringLiteral("BCMSN"), QStringLiteral("BSCI"),  QStringLiteral("ICND1"),
                                QStringLiteral("ICND2"), QStringLiteral("ISCW"),  QStringLiteral("ROUTE"),
                                QStringLiteral("Supplemental"), QStringLiteral("ONT"), QStringLiteral("SWITCH"),
                                QStringLiteral("TSHOOT")};
    for (int i = 0; i < kExamCount; ++i)
        m_examBoxes[i]->setText(examNames[i]);
    chkTestSimMode->setText(QStringLiteral("Test simulation mode"));
}

void LabForm::clearFields()
{
    lblIndex->clear();
    for (QLineEdit *field : {txtSection, txtLabname})
        field->clear();
    for (QLabel *label : {lblFile, lblTopFile, lblNwcFile, lblPictureFile, lblLoadNwcFile})
        label->clear();
    txtLabDescription->clear();
    m_shownPage.clear();
    lblLinkPage->clear();
    txtSection->setReadOnly(true);
    txtLabname->setReadOnly(true);
}

void LabForm::showLab(const LabRecord &r)
{
    lblFile->setText(fileNameOfPath(r.link));
    m_shownPage = r.linkPage;
    showLinkPage(r.linkPage);
    chkTestSimMode->setChecked(!trimSpaces(r.mode).isEmpty());
    txtLabDescription->setPlainText(r.description);
    lblTopFile->setText(fileNameOfPath(r.topFile));
    lblNwcFile->setText(fileNameOfPath(r.nwcFile));
    lblLoadNwcFile->setText(fileNameOfPath(r.loadNwcFile));
    lblPictureFile->setText(fileNameOfPath(r.picture));
    lblLabPackID->setText(r.sku);
    showExamList(r.examsCovered);
}

void LabForm::showExamList(const QString &list)
{
    ExamBoxes boxes{};
    for (int i = 0; i < kExamCount; ++i)
        boxes[i] = m_examBoxes[i]->isChecked();
    fendrel::showExamList(list, boxes, m_buffer.examsCovered);
    for (int i = 0; i < kExamCount; ++i)
        m_examBoxes[i]->setChecked(boxes[i]);
}

void LabForm::onExamBoxClicked(int box, bool checked)
{
    m_buffer.examsCovered = updateExamList(m_buffer.examsCovered, examCodes()[box], checked);
}

void LabForm::lockExamBoxes()
{
    for (QCheckBox *box : m_examBoxes)
        box->setEnabled(false);
}

void LabForm::unlockExamBoxes()
{
    for (QCheckBox *box : m_examBoxes)
        box->setEnabled(true);
}

void LabForm::setPageNumber(const QString &value)
{
    if (const std::optional<QString> page = pageNumberValue(value))
        m_buffer.linkPage = *page;
    showLinkPage(m_buffer.linkPage.isEmpty() ? m_keptPage : m_buffer.linkPage);
}

void LabForm::startEditing(bool keepsStoredFiles)
{
    for (QString *field : {&m_buffer.link, &m_buffer.linkPage, &m_buffer.topFile, &m_buffer.nwcFile,
                           &m_buffer.loadNwcFile, &m_buffer.picture})
        field->clear();
    // An edit stores only the files chosen anew, and so keeps the lab's page unless one is chosen.
    m_keptPage = keepsStoredFiles ? m_shownPage : QString();
}

void LabForm::documentChosen(const QString &path, bool pageToBeChosen)
{
    lblFile->setText(fileNameOfPath(path));
    m_buffer.link = path;
    if (pageToBeChosen)
        m_buffer.linkPage.clear();
    showLinkPage(m_buffer.linkPage.isEmpty() ? m_keptPage : m_buffer.linkPage);
}

void LabForm::showLinkPage(const QString &page)
{
    lblLinkPage->setText(page.isEmpty() ? QString() : langText(LangEntry::LinkedPageText).arg(page));
}

std::optional<LabInput> LabForm::typedLab()
{
    if (refuseUncarriable(m_prompter, txtLabname->text(), txtLabname)
        || refuseUncarriable(m_prompter, txtLabDescription->toPlainText(), txtLabDescription))
        return std::nullopt;
    LabInput input;
    input.name = txtLabname->text();
    input.section = txtSection->text();
    input.description = txtLabDescription->toPlainText();
    input.testSimMode = chkTestSimMode->isChecked();
    return input;
}

void LabForm::focusAfterIncompleteLab()
{
    if (trimSpaces(txtLabname->text()).isEmpty())
        txtLabname->setFocus(Qt::OtherFocusReason);
    else
        cmdBrowse->setFocus(Qt::OtherFocusReason);
}

void LabForm::tabStrip1Click()
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

} // namespace fendrel::gui
