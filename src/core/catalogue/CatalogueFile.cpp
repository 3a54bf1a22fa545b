#include "catalogue/CatalogueFile.h"

#include "catalogue/Catalogue.h"
#include "catalogue/CatalogueSchema.h"
#include "catalogue/Ini.h"
#include "errorlog/ErrorLog.h"
#include "errorlog/ErrorNumbers.h"
#include "interaction/Prompter.h"
#include "catalogue/ProductSku.h"
#include "startup/Folders.h"
#include "startup/LanguageTable.h"
#include "text/TextHelpers.h"

#include <QFile>
#include <QFileInfo>

#include <limits>

namespace fendrel {
namespace {

using namespace schema;

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

CatalogueProblem sectionProblem(ProblemKind kind, const CatalogueNode &section, QStringList details)
{
    CatalogueProblem problem;
    problem.kind = kind;
    problem.section = section.text();
    problem.nodeKey = section.key();
    problem.details = std::move(details);
    return problem;
}

} // namespace

QStringList catalogueFileLines(const Catalogue &catalogue, Prompter &prompter)
{
    IniDocument ini;
    const CatalogueNode *root = catalogue.tree().root();
    ini.write(kGeneral, kTabTitle, catalogue.tabTitle());
    ini.write(kGeneral, kSku, root ? root->tag() : QString());

    qint32 s = 0;
    for (const CatalogueNode *section : catalogue.sections()) {
        const QString name = schema::section(s++);
        ini.write(name, kSectionName, section->text());
        ini.write(name, kSku, section->tag());
        ini.write(name, kNumberOfEntries, QString::number(section->childCount()));

        qint32 j = 0;
        for (const CatalogueNode *lab : section->children()) {
            const LabRecord *r = catalogue.recordOf(*lab);
            if (!r) {
                prompter.message(LangEntry::LabNotSavedMessage, MessageIcon::Exclamation);
                ini.write(name, labKey(kLab, j++), lab->text());
                continue;
            }
            ini.write(name, labKey(kLab, j), lab->text());
            ini.write(name, labKey(kLink, j), r->link);
            ini.write(name, labKey(kLinkPage, j), r->linkPage);
            ini.write(name, labKey(kTopFile, j), r->topFile);
            ini.write(name, labKey(kPicture, j), r->picture);
            ini.write(name, labKey(kOptFiles, j), QString::number(r->optFiles));
            ini.write(name, labKey(kNwcFile, j), r->nwcFile);
            ini.write(name, labKey(kLoadNwcFile, j), r->loadNwcFile);
            ini.write(name, labKey(kDescription, j), r->description);
            ini.write(name, labKey(kExamsCovered, j), r->examsCovered);
            ini.write(name, labKey(kMode, j), r->mode);
            ini.write(name, labKey(kSku, j), r->sku);
            ++j;
        }
    }
    return ini.lines();
}

std::optional<QByteArray> catalogueFileBytes(const Catalogue &catalogue, Prompter &prompter, QString *failure)
{
    // Labs the load could not take are still in the file; writing the catalogue as it stands here
    // would lose them without a word. Deleting their section here says so.
    for (const CatalogueProblem &problem : catalogue.loadProblems()) {
        if (problem.kind != ProblemKind::TooManyLabsLoaded || !catalogue.tree().nodeByKey(problem.nodeKey))
            continue;
        if (failure)
            *failure = langText(LangEntry::LabsNotLoadedRefusal)
                           .arg(catalogue.iniPath(), problem.details.value(0), problem.section, problem.details.value(1));
        return std::nullopt;
    }
    return iniFileBytes(catalogueFileLines(catalogue, prompter));
}

bool saveIni(const Catalogue &catalogue, Prompter &prompter, QString *failure)
{
    if (catalogue.tree().count() <= 1) {
        QFile file(catalogue.iniPath());
        if (!file.exists() || file.remove())
            return true;
        if (failure)
            *failure = QStringLiteral("%1 cannot be removed: %2").arg(catalogue.iniPath(), file.errorString());
        return false;
    }
    const std::optional<QByteArray> bytes = catalogueFileBytes(catalogue, prompter, failure);
    return bytes && writeIniFile(catalogue.iniPath(), *bytes, failure);
}

void Catalogue::createNewTree(Prompter &prompter, const QString &appDataFolder, const QString &iniFolder)
{
    resetWith([&] {
        m_skus.clear();
        m_loadProblems.clear();
        m_iniPath = withTrailingSeparator(iniFolder.isEmpty() ? appDataFolder : iniFolder) + kCatalogueFileName;
        const IniSnapshot ini = IniSnapshot::fromFile(m_iniPath);

        const QString title = ini.read(kGeneral, kTabTitle);
        const QString tabSku = skuOrNew(m_skus, SkuLevel::Tab, ini.read(kGeneral, kSku), {}, {});
        clear(title, tabSku);
        CatalogueNode *root = m_tree.root();

        for (qint32 s = 0;; ++s) {
            const QString section = schema::section(s);
            const QString name = ini.read(section, kSectionName);
            if (name.isEmpty())
                break;

            QString sectionSku;
            CatalogueNode *sectionNode = insertSection(name);
            if (sectionNode) {
                sectionSku = skuOrNew(m_skus, SkuLevel::Section, ini.read(section, kSku), tabSku, {});
                m_tree.setTag(sectionNode, sectionSku);
            } else {
                // Two sections cannot share a name, letter case aside: keep the labs in the first.
                sectionNode = m_tree.nodeByKey(sectionKey(name));
                sectionSku = sectionNode->tag();
                logError(QStringLiteral("Create New Tree"), kMainWindowLabel, kErrComplaint,
                         QStringLiteral("%1 repeats the section name \"%2\"; its labs were added to that section")
                             .arg(section, sectionNode->text()));
                m_loadProblems.append(sectionProblem(ProblemKind::SectionsMerged, *sectionNode, {name}));
            }

            const qint16 entries = ini.readInt(section, kNumberOfEntries, 0);
            bool counted = false;
            const qlonglong stated = ini.read(section, kNumberOfEntries).toLongLong(&counted);
            if (counted && stated != entries)
                m_loadProblems.append(sectionProblem(ProblemKind::TooManyLabsLoaded, *sectionNode,
                                                     {QString::number(stated), QString::number(std::numeric_limits<qint16>::max())}));
            for (qint32 j = 0; j < entries; ++j) {
                LabRecord r;
                const QString labName = trimSpaces(ini.read(section, labKey(kLab, j)));
                r.link = trimSpaces(ini.read(section, labKey(kLink, j)));
                r.linkPage = trimSpaces(ini.read(section, labKey(kLinkPage, j)));
                r.topFile = trimSpaces(ini.read(section, labKey(kTopFile, j)));
                r.picture = trimSpaces(ini.read(section, labKey(kPicture, j)));
                r.nwcFile = trimSpaces(ini.read(section, labKey(kNwcFile, j)));
                r.loadNwcFile = trimSpaces(ini.read(section, labKey(kLoadNwcFile, j)));
                r.description = trimSpaces(ini.read(section, labKey(kDescription, j)));
                r.examsCovered = trimSpaces(ini.read(section, labKey(kExamsCovered, j)));
                r.mode = trimSpaces(ini.read(section, labKey(kMode, j)));
                r.sku = skuOrNew(m_skus, SkuLevel::Lab, trimSpaces(ini.read(section, labKey(kSku, j))), tabSku,
                                 sectionSku);
                if (labName.isEmpty())
                    continue;
                const CatalogueNode *lab = insertLab(sectionNode, labName, r);
                if (lab && !recordOf(*lab))
                    prompter.message(LangEntry::LabNotLoadedMessage, MessageIcon::Exclamation);
            }
        }

        root->setExpanded(true);
        if (CatalogueNode *first = m_tree.nodeByIndex(2))
            first->setExpanded(true);
        m_tree.select(root);
    });
}

} // namespace fendrel
