#pragma once

#include "startup/LanguageEntries.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

namespace fendrel {

inline const QString kLanguageFileName = QStringLiteral("lclang.bdb");

// One record of lclang.bdb. Only the English text is shown; the other languages are carried
// so that the file stays whole when it is rewritten.
struct LanguageRecord {
    QString number; // decimal text, may carry spaces
    QString note;   // not used by the program
    QString english;
    QString spanish;
    QString portuguese;
    QByteArray korean;   // UTF-16LE characters
    QByteArray japanese; // UTF-16LE characters
};

// Reads the complete records of a language file; a damaged or truncated tail is ignored,
// and no length read from the file is trusted before it is checked against what remains.
QList<LanguageRecord> parseLanguageRecords(QByteArrayView data);

// The bytes of one record; texts over 65535 bytes cannot be stored and give an empty result.
QByteArray serializeLanguageRecord(const LanguageRecord &record);

// The captions and messages of the program, indexed by entry number.
class LanguageTable {
public:
    // Sizes the table to entries 0 .. records + 1; records whose number is not a whole number
    // in that range are skipped.
    void fill(const QList<LanguageRecord> &records);
    bool loadFile(const QString &path);

    QString text(qsizetype entry) const;
    qsizetype size() const { return m_entries.size(); }
    bool isLoaded() const { return m_loaded; }

private:
    QStringList m_entries;
    bool m_loaded = false;
};

// The process-wide table, filled once at start-up.
LanguageTable &languageTable();

// Shorthand for a caption or message of the process-wide table.
QString langText(LangEntry entry);

// Finds lclang.bdb for the program folder and fills the process-wide table. On failure,
// errorMessage receives a plain English explanation (the table has no texts to offer yet).
bool loadLanguageTable(const QString &programFolder, QString *errorMessage);

} // namespace fendrel
