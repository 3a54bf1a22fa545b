#include "catalogue/CatalogueEditing.h"

#include "catalogue/Catalogue.h"
#include "catalogue/Ini.h"
#include "catalogue/KeyArray.h"
#include "errorlog/ErrorLog.h"
#include "errorlog/ErrorNumbers.h"
#include "interaction/Prompter.h"
#include "text/Windows1252.h"

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

QString catalogueValueRefusal(const QString &value)
{
    if (QString refusal = iniValueRefusal(value); !refusal.isEmpty())
        return refusal;
    if (value.contains(u'='))
        return QStringLiteral("\"%1\" holds \"=\", which the catalogue file drops from every value. "
                              "Please leave it out.")
            .arg(value);
    if (value.contains(u'\n') || value.contains(u'\r'))
        return QStringLiteral("The text holds a line break, but the catalogue file keeps each value on one line. "
                              "Please write it as one line.");
    if (!fitsWindows1252(value))
        return QStringLiteral("\"%1\" holds characters that the catalogue file cannot store (it keeps Western "
                              "European letters only). Please use other characters.")
            .arg(value);
    return {};
}

std::optional<QString> pageNumberValue(const QString &value)
{
    const QString page = value.toLower().trimmed();
    bool numeric = false;
    page.toDouble(&numeric);
    if (!numeric)
        return std::nullopt;
    return page;
}

LabStoreResult addLab(Catalogue &catalogue, KeyArray &records, const LabRecord &buffer, const LabInput &input,
                      Prompter &prompter)
{
    const QString name = trimSpaces(input.name);
    if (name.isEmpty() || buffer.link.isEmpty() || trimSpaces(buffer.topFile).isEmpty()) {
        prompter.message(LangEntry::LabIncompleteMessage, MessageIcon::Exclamation);
        return {LabStore::Incomplete};
    }
    LabRecord r = gathered(buffer, input);
    const QString label = QStringLiteral("Add Lab - Click");

    r.key = catalogue.keys.createNewKey();
    if (r.key.isEmpty())
        return {LabStore::Failed};
    CatalogueNode *node =
        catalogue.tree.add(sectionKey(trimSpaces(input.section)), r.key, capitalizeFirst(name), kLabTag);
    if (!node) {
        logError(label, kMainWindowLabel, kErrElementNotFound, kErrElementNotFoundText);
        return {LabStore::Failed};
    }
    if (!records.keyArrayInsert(r)) {
        prompter.message(LangEntry::LabNotStoredMessage, MessageIcon::Exclamation);
        return {LabStore::NotStored, node};
    }
    return {LabStore::Stored, node};
}

LabStoreResult editLab(Catalogue &catalogue, KeyArray &records, LabRecord &buffer, qint32 nodeIndex,
                       const LabInput &input, Prompter &prompter)
{
    const QString name = trimSpaces(input.name);
    CatalogueNode *node = catalogue.tree.nodeByIndex(nodeIndex);
    const qint32 i = node ? records.keyArraySearch(node->key()) : -1;
    if (i == -1) {
        prompter.message(LangEntry::EditedLabDetailsMissingMessage, MessageIcon::Exclamation);
        return {LabStore::RecordMissing};
    }
    const LabRecord &stored = records.at(i);
    takeStoredIfEmpty(buffer.link, stored.link);
    takeStoredIfEmpty(buffer.topFile, stored.topFile);
    takeStoredIfEmpty(buffer.nwcFile, stored.nwcFile);
    takeStoredIfEmpty(buffer.loadNwcFile, stored.loadNwcFile);
    takeStoredIfEmpty(buffer.picture, stored.picture);
    takeStoredIfEmpty(buffer.linkPage, stored.linkPage);
    takeStoredIfEmpty(buffer.examsCovered, stored.examsCovered);

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
    node->setText(capitalizeFirst(name));
    if (!records.keyArrayUpdate(r)) {
        prompter.message(LangEntry::LabChangesNotStoredMessage, MessageIcon::Exclamation);
        return {LabStore::NotStored, node};
    }
    catalogue.tree.select(node);
    return {LabStore::Stored, node};
}

CatalogueNode *deleteNode(Catalogue &catalogue, KeyArray &records, CatalogueNode *node, Prompter &prompter)
{
    if (!node || !node->parent()) {
        logError(QStringLiteral("Delete Lab - Click"), kMainWindowLabel, kErrElementNotFound, kErrElementNotFoundText);
        return nullptr;
    }
    if (node->tag().toLower() == u"lab" && !records.keyArrayDelete(node->key()))
        prompter.message(LangEntry::DeletedLabDetailsMissingMessage, MessageIcon::None);
    CatalogueNode *parent = node->parent();
    catalogue.tree.remove(node->key());
    catalogue.tree.select(parent);
    return parent;
}

void deleteAll(Catalogue &catalogue, KeyArray &records)
{
    catalogue.tree.clear();
    records.keyArrayInitialize();
    catalogue.tabTitle.clear();
    if (!catalogue.iniPath.isEmpty() && QFile::exists(catalogue.iniPath) && !QFile::remove(catalogue.iniPath))
        logError(QStringLiteral("Delete All - Click"), kMainWindowLabel, kErrComplaint,
                 QStringLiteral("The catalogue file %1 could not be deleted").arg(catalogue.iniPath));
    catalogue.tree.add({}, kTabKey, catalogue.tabTitle);
}

CatalogueNode *addSection(Catalogue &catalogue, const QString &typedName)
{
    const QString name = capitalizeFirst(trimSpaces(typedName));
    CatalogueNode *node = catalogue.tree.add(kTabKey, sectionKey(name), name);
    if (!node)
        logError(QStringLiteral("Add Section - Click"), kMainWindowLabel, kErrKeyNotUnique, kErrKeyNotUniqueText);
    return node;
}

CatalogueNode *renameSection(Catalogue &catalogue, CatalogueNode *section, const QString &typedName)
{
    const QString name = capitalizeFirst(trimSpaces(typedName));
    const QString label = QStringLiteral("Add Section - Click");
    if (!section || !section->parent() || section->parent()->key() != kTabKey) {
        logError(label, kMainWindowLabel, kErrElementNotFound, kErrElementNotFoundText);
        return nullptr;
    }
    if (!catalogue.tree.rekey(section, sectionKey(name))) {
        logError(label, kMainWindowLabel, kErrKeyNotUnique, kErrKeyNotUniqueText);
        return nullptr;
    }
    section->setText(name);
    return section;
}

void setTabTitle(Catalogue &catalogue, const QString &title)
{
    catalogue.tabTitle = title;
    if (catalogue.tree.count() <= 1) {
        catalogue.tree.clear();
        catalogue.tree.add({}, kTabKey, title);
    } else if (CatalogueNode *root = catalogue.tree.root()) {
        root->setText(title);
    }
}

} // namespace fendrel
