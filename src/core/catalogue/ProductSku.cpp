#include "catalogue/ProductSku.h"

#include "errorlog/ErrorLog.h"
#include "errorlog/ErrorNumbers.h"
#include "text/TextHelpers.h"

#include <algorithm>

namespace fendrel {
namespace {

const QString kModule = QStringLiteral("pckGlobals");
const QString kCreate = QStringLiteral("CreateProductSku");
const QString kInsert = QStringLiteral("InsertProductSku");

bool isDigits(const QString &text)
{
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

// Parts are recorded only from well-formed SKUs, so they are plain digits.
qint64 partValue(const QString &part)
{
    return part.toLongLong();
}

QString digits(qint64 value, int width)
{
    return QStringLiteral("%1").arg(value, width, 10, QLatin1Char('0'));
}

} // namespace

bool isWellFormedSku(const QString &sku)
{
    return sku.size() == 7 && isDigits(sku);
}

const SkuTree::Tab *SkuTree::findTab(const QString &part) const
{
    const auto it = std::find_if(m_tabs.begin(), m_tabs.end(), [&](const Tab &t) { return t.part == part; });
    return it == m_tabs.end() ? nullptr : &*it;
}

SkuTree::Tab *SkuTree::findTab(const QString &part)
{
    return const_cast<Tab *>(std::as_const(*this).findTab(part));
}

qsizetype SkuTree::sectionCount(const QString &tabPart) const
{
    const Tab *tab = findTab(tabPart);
    return tab ? tab->sections.size() : 0;
}

qsizetype SkuTree::labCount(const QString &tabPart, const QString &sectionPart) const
{
    const Tab *tab = findTab(tabPart);
    if (!tab)
        return 0;
    for (const Section &s : tab->sections) {
        if (s.part == sectionPart)
            return s.labs.size();
    }
    return 0;
}

QString SkuTree::createProductSku(qint32 level, const QString &tabSku, const QString &sectionSku) const
{
    const QString tab = tabSku.size() == 7 ? tabSku.left(2) : tabSku;
    const QString section = sectionSku.size() == 7 ? sectionSku.mid(2, 2) : sectionSku;

    switch (static_cast<SkuLevel>(level)) {
    case SkuLevel::Tab:
        if (m_tabs.isEmpty())
            return QStringLiteral("0100000");
        return digits(m_largestTab + 1, 2) + QStringLiteral("00000");

    case SkuLevel::Section: {
        const std::optional<double> number = numericValue(tab);
        if (!number) {
            logError(kCreate, kModule, kErrTypeMismatch, QStringLiteral("Type mismatch: \"%1\" is not a tab SKU").arg(tab));
            return kNoSku;
        }
        if (*number == -1)
            return kNoSku;
        if (!isDigits(tab)) {
            logError(kCreate, kModule, kErrComplaint, QStringLiteral("Bad Sku format: ") + tab);
            return kNoSku;
        }
        const Tab *entry = findTab(tab);
        if (!entry)
            return kNoSku;
        if (entry->sections.isEmpty())
            return entry->part + QStringLiteral("01000");
        return entry->part + digits(entry->largestSection + 1, 2) + QStringLiteral("000");
    }

    case SkuLevel::Lab: {
        if (tab.isEmpty() || section.isEmpty())
            return kNoSku;
        if (!numericValue(tab) || !numericValue(section)) {
            logError(kCreate, kModule, kErrComplaint, QStringLiteral("Bad Sku format: ") + tab + u' ' + section);
            return kNoSku;
        }
        const Tab *entry = findTab(tab);
        if (!entry)
            return kNoSku;
        for (const Section &s : entry->sections) {
            if (s.part != section)
                continue;
            if (s.labs.isEmpty())
                return entry->part + s.part + QStringLiteral("001");
            return entry->part + s.part + digits(s.largestLab + 1, 3);
        }
        return kNoSku;
    }
    }
    return kNoSku;
}

void SkuTree::insertProductSku(qint32 level, const QString &sku)
{
    if (!isWellFormedSku(sku)) {
        logError(kInsert, kModule, kErrComplaint, QStringLiteral("Bad Sku format: ") + sku);
        return;
    }
    const QString tabPart = sku.left(2);
    const QString sectionPart = sku.mid(2, 2);
    const QString labPart = sku.right(3);
    const QString exists = QStringLiteral("sku already exists: ") + sku;

    switch (static_cast<SkuLevel>(level)) {
    case SkuLevel::Tab:
        if (findTab(tabPart)) {
            logError(kInsert, kModule, kErrComplaint, exists);
            return;
        }
        m_largestTab = m_tabs.isEmpty() ? partValue(tabPart) : std::max(m_largestTab, partValue(tabPart));
        m_tabs.append({tabPart, {}, 0});
        return;
    case SkuLevel::Section: {
        Tab *tab = findTab(tabPart);
        if (!tab)
            return;
        if (std::any_of(tab->sections.begin(), tab->sections.end(), [&](const Section &s) { return s.part == sectionPart; })) {
            logError(kInsert, kModule, kErrComplaint, exists);
            return;
        }
        tab->largestSection = tab->sections.isEmpty() ? partValue(sectionPart)
                                                      : std::max(tab->largestSection, partValue(sectionPart));
        tab->sections.append({sectionPart, {}, 0});
        return;
    }
    case SkuLevel::Lab: {
        Tab *tab = findTab(tabPart);
        if (!tab)
            return;
        for (Section &s : tab->sections) {
            if (s.part != sectionPart)
                continue;
            if (s.labs.contains(labPart)) {
                logError(kInsert, kModule, kErrComplaint, exists);
                return;
            }
            s.largestLab = s.labs.isEmpty() ? partValue(labPart) : std::max(s.largestLab, partValue(labPart));
            s.labs.insert(labPart);
            return;
        }
        return;
    }
    }
}

} // namespace fendrel
