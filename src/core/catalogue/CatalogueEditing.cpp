#include "catalogue/CatalogueEditing.h"

#include "catalogue/Catalogue.h"
#include "catalogue/Ini.h"
#include "catalogue/KeyArray.h"
#include "catalogue/WizardCatalogue.h"
#include "errorlog/ErrorLog.h"
#include "errorlog/ErrorNumbers.h"
#include "startup/LanguageTable.h"
#include "interaction/Prompter.h"
#include "text/Windows1252.h"
#include "text/TextHelpers.h"

#include <QFile>

namespace fendrel {
namespace {

QString cleanPath(const QString &path)
{
    QString cleaned = trimSpaces(path);
    const qsizetype nul = cleaned.indexOf(QChar(u'\0'));
    if (nul >= 0)
        cleaned.remove(nul, 1);
    return cleaned;
}

LabRecord gathered(const LabRecord &buffer, const LabInput &input)
{
    LabRecord r;
    r.link = cleanPath(buffer.link);
    r.nwcFile = cleanPath(buffer.nwcFile);
    r.loadNwcFile = cleanPath(buffer.loadNwcFile);
    r.topFile = cleanPath(buffer.topFile);
    r.picture = cleanPath(buffer.picture);
    r.description = input.description;
    r.linkPage = trimSpaces(buffer.linkPage);
    r.examsCovered = trimSpaces(buffer.examsCovered);
    r.mode = input.testSimMode ? QStringLiteral("testsim") : QString();
    return r;
}

void takeStoredIfEmpty(QString &field, const QString &stored)
{
    if (trimSpaces(field).isEmpty())
        field = stored;
}

} // namespace

QString capitalizeFirst(const QString &text)
{
    if (text.isEmpty())
        return text;
    return text.left(1).toUpper() + text.mid(1);
}

std::optional<LangEntry> catalogueValueRefusalEntry(const QString &value)
{
    if (value.contains(u'[') && value.contains(u']'))
        return LangEntry::ValueRefusedText;
    if (value.contains(u'='))
        return LangEntry::ValueWithEqualsText;
    if (value.contains(u'\n') || value.contains(u'\r'))
        return LangEntry::ValueWithLineBreakText;
    if (!fitsWindows1252(value))
        return LangEntry::ValueNot1252Text;
    return std::nullopt;
}

QString catalogueValueRefusal(const QString &value)
{
    const std::optional<LangEntry> entry = catalogueValueRefusalEntry(value);
    if (!entry)
        return {};
    const QString text = langText(*entry);
    return text.contains(QStringLiteral("%1")) ? text.arg(value) : text;
}

std::optional<QString> pageNumberValue(const QString &value)
{
    const QString page = value.toLower().trimmed();
    if (!numericValue(page))
        return std::nullopt;
    return page;
}

LabStoreResult Catalogue::addLab(const LabRecord &buffer, const LabInput &input, Prompter &prompter)
{
    const QString name = trimSpaces(input.name);
    if (name.isEmpty() || buffer.link.isEmpty() || trimSpaces(buffer.topFile).isEmpty()) {
        prompter.message(LangEntry::LabIncompleteMessage, MessageIcon::Exclamation);
        return {LabStore::Incomplete};
    }
    LabRecord r = gathered(buffer, input);

    r.key = m_keys.createNewKey();
    if (r.key.isEmpty())
        return {LabStore::Failed};
    CatalogueNode *section = m_tree.nodeByKey(sectionKey(trimSpaces(input.section)));
    CatalogueNode *node = section ? insertLab(section, capitalizeFirst(name), r) : nullptr;
    if (!node) {
        logError(QStringLiteral("Add Lab - Click"), kMainWindowLabel, kErrElementNotFound, kErrElementNotFoundText);
        return {LabStore::Failed};
    }
    if (!recordOf(*node)) {
        prompter.message(LangEntry::LabNotStoredMessage, MessageIcon::Exclamation);
        return {LabStore::NotStored, node};
    }
    return {LabStore::Stored, node};
}

LabStoreResult Catalogue::editLab(LabRecord &buffer, qint32 nodeIndex, const LabInput &input, Prompter &prompter)
{
    const QString name = trimSpaces(input.name);
    CatalogueNode *node = m_tree.nodeByIndex(nodeIndex);
    const LabRecord *stored = node ? recordOf(*node) : nullptr;
    if (!stored) {
        prompter.message(LangEntry::EditedLabDetailsMissingMessage, MessageIcon::Exclamation);
        return {LabStore::RecordMissing};
    }
    takeStoredIfEmpty(buffer.link, stored->link);
    takeStoredIfEmpty(buffer.topFile, stored->topFile);
    takeStoredIfEmpty(buffer.nwcFile, stored->nwcFile);
    takeStoredIfEmpty(buffer.loadNwcFile, stored->loadNwcFile);
    takeStoredIfEmpty(buffer.picture, stored->picture);
    takeStoredIfEmpty(buffer.linkPage, stored->linkPage);
    takeStoredIfEmpty(buffer.examsCovered, stored->examsCovered);

    const QString documentLabel = trimSpaces(input.documentLabel);
    if (name.isEmpty() || buffer.link.isEmpty() || documentLabel.isEmpty() ||
        !trimSpaces(buffer.link).contains(documentLabel, Qt::CaseInsensitive) || trimSpaces(buffer.topFile).isEmpty()) {
        prompter.message(LangEntry::LabIncompleteMessage, MessageIcon::Exclamation);
        return {LabStore::Incomplete, node};
    }

    LabRecord r = gathered(buffer, input);
    buffer.link = r.link;
    buffer.topFile = r.topFile;
    buffer.nwcFile = r.nwcFile;
    buffer.loadNwcFile = r.loadNwcFile;
    buffer.picture = r.picture;
    r.key = node->key();
    m_tree.setText(node, capitalizeFirst(name));
    const bool updated = m_records.keyArrayUpdate(r);
    changeNode(node);
    if (!updated) {
        prompter.message(LangEntry::LabChangesNotStoredMessage, MessageIcon::Exclamation);
        return {LabStore::NotStored, node};
    }
    m_tree.select(node);
    return {LabStore::Stored, node};
}

CatalogueNode *Catalogue::deleteNode(CatalogueNode *node, Prompter &prompter)
{
    if (!node || !node->parent()) {
        logError(QStringLiteral("Delete Lab - Click"), kMainWindowLabel, kErrElementNotFound, kErrElementNotFoundText);
        return nullptr;
    }
    if (node->tag().toLower() == u"lab" && !m_records.keyArrayDelete(node->key()))
        prompter.message(LangEntry::DeletedLabDetailsMissingMessage, MessageIcon::None);
    CatalogueNode *parent = node->parent();
    removeNode(node);
    m_tree.select(parent);
    return parent;
}

void Catalogue::deleteAll()
{
    resetWith([this] {
        m_tree.clear();
        m_records.keyArrayInitialize();
        m_tabTitle.clear();
        if (!m_iniPath.isEmpty() && QFile::exists(m_iniPath) && !QFile::remove(m_iniPath))
            logError(QStringLiteral("Delete All - Click"), kMainWindowLabel, kErrComplaint,
                     QStringLiteral("The catalogue file %1 could not be deleted").arg(m_iniPath));
        m_tree.add({}, kTabKey, m_tabTitle);
    });
}

CatalogueNode *Catalogue::addSection(const QString &typedName)
{
    const QString name = capitalizeFirst(trimSpaces(typedName));
    CatalogueNode *node = insertSection(name);
    if (!node)
        logError(QStringLiteral("Add Section - Click"), kMainWindowLabel, kErrKeyNotUnique, kErrKeyNotUniqueText);
    return node;
}

CatalogueNode *Catalogue::renameSection(CatalogueNode *section, const QString &typedName)
{
    const QString name = capitalizeFirst(trimSpaces(typedName));
    const QString label = QStringLiteral("Add Section - Click");
    if (!section || !section->parent() || section->parent()->key() != kTabKey) {
        logError(label, kMainWindowLabel, kErrElementNotFound, kErrElementNotFoundText);
        return nullptr;
    }
    if (!m_tree.rekey(section, sectionKey(name))) {
        logError(label, kMainWindowLabel, kErrKeyNotUnique, kErrKeyNotUniqueText);
        return nullptr;
    }
    m_tree.setText(section, name);
    changeNode(section);
    return section;
}

void Catalogue::setTabTitle(const QString &title)
{
    setTypedTabTitle(title);
    if (m_tree.count() <= 1)
        clear(title);
    else if (CatalogueNode *root = m_tree.root(); root && root->text() != title) {
        m_tree.setText(root, title);
        changeNode(root);
    }
}

bool Catalogue::importWizardLab(const WizardLab &lab, const QString &appDataFolder, Prompter &prompter)
{
    if (!writeWizardCatalogue(withTrailingSeparator(appDataFolder) + kCatalogueFileName, lab))
        return false;
    resetWith([&] {
        keyArrayInitialize();
        createNewTree(prompter, appDataFolder);
    });
    return true;
}

} // namespace fendrel
