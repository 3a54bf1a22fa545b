#include "gui/AddLabs.h"
#include "gui/WidgetHelpers.h"

#include "catalogue/CatalogueEditing.h"
#include "catalogue/Ini.h"
#include "gui/CatalogueView.h"
#include "gui/WindowModes.h"
#include "interaction/Prompter.h"
#include "startup/LanguageTable.h"
#include "text/TextHelpers.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>

namespace fendrel::gui {
namespace {

bool captionIs(const QPushButton *button, LangEntry entry, const char16_t *english)
{
    const QString caption = button->text();
    return caption == langText(entry) || caption == QString::fromUtf16(english);
}

} // namespace

std::optional<LabInput> AddLabs::typedLab()
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

void AddLabs::focusAfterIncompleteLab()
{
    if (trimSpaces(txtLabname->text()).isEmpty())
        txtLabname->setFocus(Qt::OtherFocusReason);
    else
        cmdBrowse->setFocus(Qt::OtherFocusReason);
}

void AddLabs::cmdAddLabClick()
{
    if (captionIs(cmdAddLab, LangEntry::AddLabCaption, u"Add Lab")) {
        setWindowMode(QStringLiteral("Add Lab"));
        for (QString *field : {&m_buffer.link, &m_buffer.linkPage, &m_buffer.topFile, &m_buffer.nwcFile,
                               &m_buffer.loadNwcFile, &m_buffer.picture})
            field->clear();
        if (TabStrip1->tabText(TabStrip1->currentIndex()).contains(QStringLiteral("required"), Qt::CaseInsensitive))
            txtLabname->setFocus(Qt::OtherFocusReason);
        else
            cmdBrowseLoadNwc->setFocus(Qt::OtherFocusReason);
        return;
    }

    std::optional<LabInput> input = typedLab();
    if (!input)
        return;
    const LabStoreResult result = m_catalogue.addLab(m_buffer, *input, m_prompter);
    if (result.outcome == LabStore::Incomplete)
        focusAfterIncompleteLab();
    if (!result.node)
        return;
    if (result.outcome == LabStore::Stored)
        m_changed = true;
    setWindowMode(QStringLiteral("Save Lab"));
    selectNode(result.node);
    tvlabsNodeClick(result.node);
}

void AddLabs::cmdEditClick()
{
    if (captionIs(cmdEdit, LangEntry::EditLabCaption, u"Edit Lab")) {
        setWindowMode(QStringLiteral("Edit Lab"));
        lblInstructions->setText(
            QStringLiteral("Please select a title for your lab and specify the location of the required files. ") +
            QStringLiteral("  The required files include the lab document (.htm), topology file (.top), and network "
                           "configuration (.nwc).") +
            QStringLiteral("  Click the Browse button next to each field to specify the file location."));
        for (QString *field : {&m_buffer.link, &m_buffer.topFile, &m_buffer.nwcFile, &m_buffer.loadNwcFile,
                               &m_buffer.picture, &m_buffer.linkPage})
            field->clear();
        return;
    }

    std::optional<LabInput> input = typedLab();
    if (!input)
        return;
    input->documentLabel = lblFile->text();
    const LabStoreResult result =
        m_catalogue.editLab(m_buffer, lblIndex->text().toShort(), *input, m_prompter);
    if (result.outcome == LabStore::Incomplete)
        focusAfterIncompleteLab();
    if (result.outcome == LabStore::Incomplete || result.outcome == LabStore::RecordMissing)
        return;
    if (result.outcome == LabStore::Stored)
        m_changed = true;
    CatalogueNode *selected = m_catalogue.selectedNode();
    selectNode(selected);
    tvlabsNodeClick(selected);
    setWindowMode(QStringLiteral("Save Edit Lab"));
    lblInstructions->setText(langText(LangEntry::LabChangesStoredText));
}

void AddLabs::cmdDeleteClick()
{
    if (!m_prompter.ask(LangEntry::DeleteItemQuestion))
        return;
    CatalogueNode *selected = m_catalogue.deleteNode(m_catalogue.selectedNode(), m_prompter);
    if (!selected)
        return;
    selectNode(selected);
    tvlabsNodeClick(selected);
    m_changed = true;
}

void AddLabs::cmdDeleteAllClick()
{
    if (!m_prompter.ask(LangEntry::DeleteAllQuestion))
        return;
    m_catalogue.deleteAll();
    for (QLineEdit *field : {txtTab, txtSection, txtLabname})
        field->clear();
    for (QLabel *label : {lblFile, lblTopFile, lblLoadNwcFile, lblNwcFile, lblPictureFile})
        label->clear();
    cmdEditTab->setEnabled(true);
    cmdDeleteAll->setEnabled(false);
    cmdAddSection->setEnabled(false);
    cmdEditTabClick();
}

void AddLabs::cmdAddSectionClick()
{
    if (captionIs(cmdAddSection, LangEntry::AddSectionCaption, u"Add Section") || captionIs(cmdAddSection, LangEntry::EditSectionCaption, u"Edit Section")) {
        m_sectionEdit = captionIs(cmdAddSection, LangEntry::EditSectionCaption, u"Edit Section");
        setWindowMode(QStringLiteral("Add Section"));
        return;
    }

    const QString name = trimSpaces(txtSection->text());
    if (name.isEmpty()) {
        m_prompter.message(LangEntry::SectionNameMissingMessage, MessageIcon::None);
        txtSection->setFocus(Qt::OtherFocusReason);
        return;
    }
    if (refuseUncarriable(m_prompter, name, txtSection))
        return;
    m_changed = true;
    CatalogueNode *node =
        m_sectionEdit ? m_catalogue.renameSection(m_catalogue.tree().nodeByIndex(lblIndex->text().toShort()), name)
                      : m_catalogue.addSection(name);
    if (!node)
        return;
    selectNode(node);
    tvlabsNodeClick(node);
    setWindowMode(QStringLiteral("Save Section"));
    if (m_catalogue.tree().count() == 2)
        cmdAddLabClick();
}

void AddLabs::cmdEditTabClick()
{
    if (captionIs(cmdEditTab, LangEntry::EditTabCaption, u"Edit")) {
        cmdEditTab->setText(langText(LangEntry::SaveCaption));
        txtTab->setEnabled(true);
        setFieldBackground(txtTab, false);
        setDefaultButton(cmdEditTab);
        txtTab->setFocus(Qt::OtherFocusReason);
        return;
    }

    if (trimSpaces(txtTab->text()).isEmpty()) {
        m_prompter.message(LangEntry::TabTitleMissingMessage, MessageIcon::Exclamation);
        return;
    }
    if (refuseUncarriable(m_prompter, txtTab->text(), txtTab))
        return;
    cmdEditTab->setText(langText(LangEntry::EditTabCaption));
    txtTab->setEnabled(false);
    setFieldBackground(txtTab, true);
    if (trimSpaces(txtSection->text()).isEmpty()) {
        cmdAddSection->setEnabled(true);
        cmdAddSectionClick();
    }
    const CatalogueNode *root = m_catalogue.tree().root();
    if (!root || root->text() != txtTab->text())
        m_changed = true;
    m_catalogue.setTabTitle(txtTab->text());
}

void AddLabs::cmdCancelClick()
{
    setWindowMode(QStringLiteral("Cancel"));
    tvlabs->setEnabled(true);
    CatalogueNode *root = m_catalogue.tree().nodeByIndex(1);
    selectNode(root);
    tvlabsNodeClick(root);
}

} // namespace fendrel::gui
