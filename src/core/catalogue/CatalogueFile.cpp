#include "catalogue/CatalogueFile.h"

#include "catalogue/Catalogue.h"
#include "catalogue/Ini.h"
#include "catalogue/KeyArray.h"
#include "errorlog/ErrorLog.h"
#include "errorlog/ErrorNumbers.h"
#include "interaction/Prompter.h"
#include "package/ProductSku.h"
#include "startup/Folders.h"

#include <QFile>
#include <QFileInfo>

namespace fendrel {
namespace {

const QString kGeneral = QStringLiteral("General");

QString sectionName(qint32 s)
{
    return QStringLiteral("Section") + QString::number(s);
}

QString numbered(const char16_t *key, qint32 j)
{
    return QString::fromUtf16(key) + QString::number(j);
}

// A SKU from the file is recorded so that SKUs made later continue after it.
void recordStoredSku(SkuTree &skus, SkuLevel level, const QString &sku)
{
    if (isWellFormedSku(sku))
        skus.insertProductSku(static_cast<qint32>(level), sku);
}

QString skuOrNew(SkuTree &skus, SkuLevel level, const QString &stored, const QString &tabSku,
                 const QString &sectionSku)
{
    if (!stored.isEmpty()) {
        recordStoredSku(skus, level, stored);
        return stored;
    }
    const QString made = skus.createProductSku(static_cast<qint32>(level), tabSku, sectionSku);
    skus.insertProductSku(static_cast<qint32>(level), made);
    return made;
}

} // namespace

QStringList catalogueFileLines(const Catalogue &catalogue, const KeyArray &records, Prompter &prompter)
{
    IniDocument ini;
    const CatalogueNode *root = catalogue.tree.root();
    ini.write(kGeneral, QStringLiteral("TabTitle"), catalogue.tabTitle);
    ini.write(kGeneral, QStringLiteral("Sku"), root ? root->tag() : QString());
    if (!root)
        return ini.lines();

    qint32 s = 0;
    for (const CatalogueNode *section : root->children()) {
        const QString name = sectionName(s++);
        ini.write(name, QStringLiteral("SectionName"), section->text());
        ini.write(name, QStringLiteral("Sku"), section->tag());
        ini.write(name, QStringLiteral("NumberOfEntries"), QString::number(section->childCount()));

        qint32 j = 0;
        for (const CatalogueNode *lab : section->children()) {
            const qint32 index = records.keyArraySearch(lab->key());
            if (index == -1) {
                prompter.message(LangEntry::LabNotSavedMessage, MessageIcon::Exclamation);
                ini.write(name, numbered(u"Lab", j++), lab->text());
                continue;
            }
            const LabRecord &r = records.at(index);
            ini.write(name, numbered(u"Lab", j), lab->text());
            ini.write(name, numbered(u"Link", j), r.link);
            ini.write(name, numbered(u"LinkPage", j), r.linkPage);
            ini.write(name, numbered(u"TopFile", j), r.topFile);
            ini.write(name, numbered(u"Picture", j), r.picture);
            ini.write(name, numbered(u"OptFiles", j), QString::number(r.optFiles));
            ini.write(name, numbered(u"NWCFile", j), r.nwcFile);
            ini.write(name, numbered(u"LoadNWCFile", j), r.loadNwcFile);
            ini.write(name, numbered(u"Description", j), r.description);
            ini.write(name, numbered(u"ExamsCovered", j), r.examsCovered);
            ini.write(name, numbered(u"Mode", j), r.mode);
            ini.write(name, numbered(u"Sku", j), r.sku);
            ++j;
        }
    }
    return ini.lines();
}

bool saveIni(const Catalogue &catalogue, const KeyArray &records, Prompter &prompter)
{
    if (catalogue.tree.count() <= 1) {
        QFile::remove(catalogue.iniPath);
        return !QFileInfo::exists(catalogue.iniPath);
    }
    return writeIniFile(catalogue.iniPath, catalogueFileLines(catalogue, records, prompter));
}

void createNewTree(Catalogue &catalogue, KeyArray &records, SkuTree &skus, Prompter &prompter,
                   const QString &appDataFolder, const QString &iniFolder)
{
    catalogue.tree.clear();
    skus.clear();
    catalogue.iniPath = withTrailingSeparator(iniFolder.isEmpty() ? appDataFolder : iniFolder) + kCatalogueFileName;
    const IniSnapshot ini = IniSnapshot::fromFile(catalogue.iniPath);

    catalogue.tabTitle = ini.read(kGeneral, QStringLiteral("TabTitle"));
    CatalogueNode *root = catalogue.tree.add({}, kTabKey, catalogue.tabTitle);
    const QString tabSku = skuOrNew(skus, SkuLevel::Tab, ini.read(kGeneral, QStringLiteral("Sku")), {}, {});
    root->setTag(tabSku);

    for (qint32 s = 0;; ++s) {
        const QString section = sectionName(s);
        const QString name = ini.read(section, QStringLiteral("SectionName"));
        if (name.isEmpty())
            break;

        QString sectionSku;
        CatalogueNode *sectionNode = catalogue.tree.add(kTabKey, sectionKey(name), name);
        if (sectionNode) {
            sectionSku = skuOrNew(skus, SkuLevel::Section, ini.read(section, QStringLiteral("Sku")), tabSku, {});
            sectionNode->setTag(sectionSku);
        } else {
            // Two sections cannot share a name, letter case aside: keep the labs in the first.
            sectionNode = catalogue.tree.nodeByKey(sectionKey(name));
            sectionSku = sectionNode->tag();
            logError(QStringLiteral("Create New Tree"), kMainWindowLabel, kErrComplaint,
                     QStringLiteral("%1 repeats the section name \"%2\"; its labs were added to that section")
                         .arg(section, sectionNode->text()));
        }

        const qint16 entries = ini.readInt(section, QStringLiteral("NumberOfEntries"), 0);
        for (qint32 j = 0; j < entries; ++j) {
            LabRecord r;
            const QString labName = trimSpaces(ini.read(section, numbered(u"Lab", j)));
            r.link = trimSpaces(ini.read(section, numbered(u"Link", j)));
            r.linkPage = trimSpaces(ini.read(section, numbered(u"LinkPage", j)));
            r.topFile = trimSpaces(ini.read(section, numbered(u"TopFile", j)));
            r.picture = trimSpaces(ini.read(section, numbered(u"Picture", j)));
            r.nwcFile = trimSpaces(ini.read(section, numbered(u"NWCFile", j)));
            r.loadNwcFile = trimSpaces(ini.read(section, numbered(u"LoadNWCFile", j)));
            r.description = trimSpaces(ini.read(section, numbered(u"Description", j)));
            r.examsCovered = trimSpaces(ini.read(section, numbered(u"ExamsCovered", j)));
            r.mode = trimSpaces(ini.read(section, numbered(u"Mode", j)));
            r.sku = skuOrNew(skus, SkuLevel::Lab, trimSpaces(ini.read(section, numbered(u"Sku", j))), tabSku,
                             sectionSku);
            if (labName.isEmpty())
                continue;
            r.key = catalogue.keys.createNewKey();
            if (r.key.isEmpty() || !catalogue.tree.add(sectionNode->key(), r.key, labName, kLabTag))
                continue;
            if (!records.keyArrayInsert(r))
                prompter.message(LangEntry::LabNotLoadedMessage, MessageIcon::Exclamation);
        }
    }

    root->setExpanded(true);
    if (CatalogueNode *first = catalogue.tree.nodeByIndex(2))
        first->setExpanded(true);
    catalogue.tree.select(root);
}

} // namespace fendrel
