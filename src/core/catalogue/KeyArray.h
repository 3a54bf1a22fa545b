#pragma once

#include "catalogue/LabRecord.h"

#include <QHash>
#include <QString>

#include <vector>

namespace fendrel {

inline const QString kMainWindowLabel = QStringLiteral("frmAddLabs");

// The lab records of the catalogue, one per lab node, found by the node's key.
// After initialisation indices 0 and 1 hold blank records; real records follow from 2 in
// order of insertion. Searches are exact and the first match wins, duplicates included; an
// index of first positions keeps them from scanning the whole array.
class KeyArray {
public:
    explicit KeyArray(QString moduleLabel = kMainWindowLabel) : m_moduleLabel(std::move(moduleLabel)) {}

    void keyArrayInitialize();
    // Stores the record as given (optFiles is computed); a key already present is added again.
    bool keyArrayInsert(const LabRecord &record);
    // Overwrites the fields given as non-empty texts; mode is always overwritten.
    bool keyArrayUpdate(const LabRecord &record);
    bool keyArrayDelete(const QString &key);
    // Empties the SKU of a key's record (keyArrayUpdate keeps a field given as empty).
    bool clearSku(const QString &key);
    qint32 keyArraySearch(const QString &key) const;
    // Like keyArraySearch from index 1, and silent.
    qint32 getKeyIndex(const QString &key) const;

    bool isInitialized() const { return m_initialized; }
    // -1 before the first initialisation.
    qint32 upperBound() const { return static_cast<qint32>(m_records.size()) - 1; }
    const LabRecord &at(qint32 index) const { return m_records.at(static_cast<std::size_t>(index)); }

    void setModuleLabel(const QString &label) { m_moduleLabel = label; }

private:
    void rebuildIndex();

    std::vector<LabRecord> m_records;
    QHash<QString, qint32> m_firstIndex;
    bool m_initialized = false;
    QString m_moduleLabel;
};

} // namespace fendrel
