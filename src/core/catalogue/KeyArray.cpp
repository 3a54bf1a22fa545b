#include "catalogue/KeyArray.h"

#include "errorlog/ErrorLog.h"
#include "errorlog/ErrorNumbers.h"

#include <new>

namespace fendrel {
namespace {

void overwriteIfSet(QString &field, const QString &value)
{
    if (!value.isEmpty())
        field = value;
}

} // namespace

void KeyArray::keyArrayInitialize()
{
    m_records.assign(2, LabRecord{});
    m_initialized = true;
    rebuildIndex();
}

void KeyArray::rebuildIndex()
{
    m_firstIndex.clear();
    for (std::size_t i = 0; i < m_records.size(); ++i) {
        if (!m_firstIndex.contains(m_records[i].key))
            m_firstIndex.insert(m_records[i].key, static_cast<qint32>(i));
    }
}

bool KeyArray::keyArrayInsert(const LabRecord &record)
{
    if (!m_initialized) {
        logError(QStringLiteral("Key Array Insert"), m_moduleLabel, kErrSubscriptOutOfRange, kErrSubscriptOutOfRangeText);
        return false;
    }
    try {
        LabRecord stored = record;
        stored.optFiles = stored.countOptFiles();
        if (!m_firstIndex.contains(stored.key))
            m_firstIndex.insert(stored.key, static_cast<qint32>(m_records.size()));
        m_records.push_back(std::move(stored));
    } catch (const std::bad_alloc &) {
        logError(QStringLiteral("Key Array Insert"), m_moduleLabel, kErrOutOfMemory, kErrOutOfMemoryText);
        return false;
    }
    return true;
}

bool KeyArray::keyArrayUpdate(const LabRecord &record)
{
    const qint32 i = keyArraySearch(record.key);
    if (i == -1) {
        logError(QStringLiteral("Key Array Update"), m_moduleLabel, kErrComplaint, QString());
        return false;
    }
    LabRecord &stored = m_records[static_cast<std::size_t>(i)];
    overwriteIfSet(stored.linkPage, record.linkPage);
    overwriteIfSet(stored.description, record.description);
    overwriteIfSet(stored.nwcFile, record.nwcFile);
    overwriteIfSet(stored.link, record.link);
    overwriteIfSet(stored.loadNwcFile, record.loadNwcFile);
    overwriteIfSet(stored.topFile, record.topFile);
    overwriteIfSet(stored.picture, record.picture);
    overwriteIfSet(stored.examsCovered, record.examsCovered);
    stored.optFiles = stored.countOptFiles();
    stored.mode = record.mode;
    overwriteIfSet(stored.sku, record.sku);
    return true;
}

bool KeyArray::keyArrayDelete(const QString &key)
{
    const qint32 i = keyArraySearch(key);
    if (i == -1) {
        logError(QStringLiteral("Key Array Delete"), m_moduleLabel, kErrComplaint, QString());
        return false;
    }
    m_records.erase(m_records.begin() + i);
    rebuildIndex();
    return true;
}

qint32 KeyArray::keyArraySearch(const QString &key) const
{
    if (!m_initialized) {
        logError(QStringLiteral("Key Array Search"), m_moduleLabel, kErrSubscriptOutOfRange, kErrSubscriptOutOfRangeText);
        return -1;
    }
    return m_firstIndex.value(key, -1);
}

qint32 KeyArray::getKeyIndex(const QString &key) const
{
    for (std::size_t i = 1; i < m_records.size(); ++i) {
        if (m_records[i].key == key)
            return static_cast<qint32>(i);
    }
    return -1;
}

bool KeyArray::clearSku(const QString &key)
{
    const qint32 i = keyArraySearch(key);
    if (i < 2)
        return false;
    m_records[static_cast<std::size_t>(i)].sku.clear();
    return true;
}

} // namespace fendrel
