#include "gui/AddLabs.h"
#include "gui/LabForm.h"
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

void AddLabs::cmdAddLabClick()
{
    if (m_addLabCommand == LabCommand::Open) {
        setWindowMode(QStringLiteral("Add Lab"));
        m_form->startEditing(false);
        if (m_form->TabStrip1->tabText(m_form->TabStrip1->currentIndex()).contains(QStringLiteral("required"), Qt::CaseInsensitive))
            m_form->txtLabname->setFocus(Qt::OtherFocusReason);
        else
            m_form->cmdBrowseLoadNwc->setFocus(Qt::OtherFocusReason);
        return;
    }
    if (!m_inStep) {
        undoable(langText(LangEntry::AddLabCaption), [this] { cmdAddLabClick(); });
        return;
    }

    std::optional<LabInput> input = m_form->typedLab();
    if (!input)
        return;
    const LabStoreResult result = m_catalogue.addLab(m_form->buffer(), *input, m_prompter);
    if (result.outcome == LabStore::Incomplete)
        m_form->focusAfterIncompleteLab();
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
    if (m_editLabCommand == LabCommand::Open) {
        setWindowMode(QStringLiteral("Edit Lab"));
        lblInstructions->setText(
            QStringLiteral("Please select a title for your lab and specify the location of the required files. ") +
            QStringLiteral("  The required files include the lab document (.htm), topology file (.top), and network "
                           "configuration (.nwc).") +
            QStringLiteral("  Click the Browse button next to each field to specify the file location."));
        m_form->startEditing(true);
        return;
    }
    if (!m_inStep) {
        undoable(langText(LangEntry::EditLabCaption), [this] { cmdEditClick(); });
        return;
    }

    std::optional<LabInput> input = m_form->typedLab();
    if (!input)
        return;
    input->documentLabel = m_form->lblFile->text();
    const LabStoreResult result =
        m_catalogue.editLab(m_form->buffer(), m_form->lblIndex->text().toShort(), *input, m_prompter);
    if (result.outcome == LabStore::Incomplete)
        m_form->focusAfterIncompleteLab();
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
    if (!m_inStep) {
        undoable(langText(LangEntry::DeleteCaption), [this] { cmdDeleteClick(); });
        return;
    }
    // Which item goes is said, not left to the tree's selection.
    const CatalogueNode *doomed = m_catalogue.selectedNode();
    if (!m_prompter.askDestructive(LangEntry::DeleteItemQuestion,
                                   doomed ? QStringLiteral("\n\n%1").arg(doomed->text()) : QString()))
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
    if (!m_inStep) {
        undoable(langText(LangEntry::DeleteAllCaption), [this] { cmdDeleteAllClick(); });
        return;
    }
    if (refusedReadOnly() || !mayReplaceCatalogue() || !m_prompter.askDestructive(LangEntry::DeleteAllQuestion))
        return;
    m_catalogue.deleteAll();
    // The catalogue file went with it: the empty catalogue is what is saved now.
    markSaved();
    for (QLineEdit *field : {txtTab, m_form->txtSection, m_form->txtLabname})
        field->clear();
    for (QLabel *label : {m_form->lblFile, m_form->lblTopFile, m_form->lblLoadNwcFile, m_form->lblNwcFile, m_form->lblPictureFile})
        label->clear();
    cmdEditTab->setEnabled(true);
    cmdDeleteAll->setEnabled(false);
    cmdAddSection->setEnabled(false);
    cmdEditTabClick();
}

void AddLabs::cmdAddSectionClick()
{
    if (m_sectionCommand != SectionCommand::Store) {
        m_sectionEdit = m_sectionCommand == SectionCommand::Edit;
        setWindowMode(QStringLiteral("Add Section"));
        return;
    }
    if (!m_inStep) {
        undoable(langText(m_sectionEdit ? LangEntry::RenameSectionStepText : LangEntry::AddSectionCaption),
                 [this] { cmdAddSectionClick(); });
        return;
    }

    const QString name = trimSpaces(m_form->txtSection->text());
    if (name.isEmpty()) {
        m_prompter.message(LangEntry::SectionNameMissingMessage, MessageIcon::None);
        m_form->txtSection->setFocus(Qt::OtherFocusReason);
        return;
    }
    if (refuseUncarriable(m_prompter, name, m_form->txtSection))
        return;
    m_changed = true;
    CatalogueNode *node =
        m_sectionEdit ? m_catalogue.renameSection(m_catalogue.tree().nodeByIndex(m_form->lblIndex->text().toShort()), name)
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
    if (!m_tabEditing) {
        m_tabEditing = true;
        cmdEditTab->setText(langText(LangEntry::SaveCaption));
        txtTab->setEnabled(true);
        setFieldBackground(txtTab, false);
        setDefaultButton(cmdEditTab);
        txtTab->setFocus(Qt::OtherFocusReason);
        // Typing changes the catalogue's title as it goes; the step starts before the first key.
        m_beforeTabEdit = m_catalogue.snapshot();
        return;
    }
    if (!m_inStep) {
        undoable(langText(LangEntry::TabTitleStepText), [this] { cmdEditTabClick(); }, m_beforeTabEdit);
        return;
    }

    if (trimSpaces(txtTab->text()).isEmpty()) {
        m_prompter.message(LangEntry::TabTitleMissingMessage, MessageIcon::Exclamation);
        return;
    }
    if (refuseUncarriable(m_prompter, txtTab->text(), txtTab))
        return;
    closeTabField();
    if (trimSpaces(m_form->txtSection->text()).isEmpty()) {
        cmdAddSection->setEnabled(true);
        cmdAddSectionClick();
    }
    const CatalogueNode *root = m_catalogue.tree().root();
    if (!root || root->text() != txtTab->text())
        m_changed = true;
    m_catalogue.setTabTitle(txtTab->text());
}

void AddLabs::closeTabField()
{
    m_tabEditing = false;
    cmdEditTab->setText(langText(LangEntry::EditTabCaption));
    txtTab->setEnabled(false);
    setFieldBackground(txtTab, true);
}

void AddLabs::closeEditing()
{
    if (m_tabEditing)
        closeTabField();
    setWindowMode(QStringLiteral("Cancel"));
    tvlabs->setEnabled(true);
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
