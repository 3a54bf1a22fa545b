#pragma once

#include <QList>
#include <QSet>
#include <QString>

namespace fendrel {

// SKUs are seven digits TT SS LLL: tab, section within the tab, lab within the section.
// "-1" stands for none.
inline const QString kNoSku = QStringLiteral("-1");

enum class SkuLevel : qint32 { Tab = 1, Section = 2, Lab = 3 };

// The SKUs handed out (and, in this program, read) while a catalogue is loaded, so that a new
// one continues after the highest recorded at its level.
class SkuTree {
public:
    // The next free SKU at a level, or "-1". tabSku and sectionSku may be full SKUs or their parts.
    QString createProductSku(qint32 level, const QString &tabSku, const QString &sectionSku) const;
    void insertProductSku(qint32 level, const QString &sku);
    void clear()
    {
        m_tabs.clear();
        m_largestTab = 0;
    }

    qsizetype tabCount() const { return m_tabs.size(); }
    qsizetype sectionCount(const QString &tabPart) const;
    qsizetype labCount(const QString &tabPart, const QString &sectionPart) const;

private:
    // The largest part is kept as parts are recorded, so proposing a SKU never rescans.
    struct Section {
        QString part;
        QSet<QString> labs;
        qint64 largestLab = 0;
    };
    struct Tab {
        QString part;
        QList<Section> sections;
        qint64 largestSection = 0;
    };
    const Tab *findTab(const QString &part) const;
    Tab *findTab(const QString &part);

    QList<Tab> m_tabs;
    qint64 m_largestTab = 0;
};

// Seven ASCII digits: the only SKUs the tree records.
bool isWellFormedSku(const QString &sku);

} // namespace fendrel
