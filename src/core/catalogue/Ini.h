#pragma once

#include <QByteArrayView>
#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>

namespace fendrel {

// The program's own INI rules. Files are Windows-1252 lines ended by CR LF; headers are written
// in upper case and keys in lower case, and both are matched letter case aside. A key's line is
// the first line of its section that begins with key + "=". Values lose every "=" and their
// surrounding spaces. Only spaces are trimmed, as the format always has.

// The trimmed, non-blank lines of a file; none when it cannot be read.
QStringList readLines(const QString &file);
qsizetype readLines(QStringList &lines, const QString &file);
QStringList parseIniLines(QByteArrayView bytes);
// A line holding both "[" and "]" anywhere starts a section for every reader.
bool isSectionLine(const QString &line);
void insertLine(QStringList &lines, qsizetype position, const QString &text);

QString readIni(const QString &section, const QString &key, const QString &file, const QString &defaultValue = {});
qint16 readIniInt(const QString &section, const QString &key, const QString &file, qint16 defaultValue);
// Writes one value (an empty key removes the section) and rewrites the file atomically.
void writeIni(const QString &section, const QString &key, const QString &value, const QString &file);

// The file form of a list of lines: every non-empty line followed by CR LF, in Windows-1252.
QByteArray iniFileBytes(const QStringList &lines);
// Replaces the file whole or leaves it as it was; error then says which file and why.
bool writeIniFile(const QString &file, const QStringList &lines, QString *error = nullptr);
bool writeIniFile(const QString &file, const QByteArray &bytes, QString *error = nullptr);

// What writeIni does to the lines of a file, without touching the disk.
void applyIniWrite(QStringList &lines, const QString &section, const QString &key, const QString &value);

// A file read once and answered many times, exactly as readIni would answer each question.
class IniSnapshot {
public:
    IniSnapshot() = default;
    explicit IniSnapshot(QStringList lines);
    static IniSnapshot fromFile(const QString &file) { return IniSnapshot(readLines(file)); }

    QString read(const QString &section, const QString &key, const QString &defaultValue = {}) const;
    qint16 readInt(const QString &section, const QString &key, qint16 defaultValue) const;

private:
    const QHash<QString, QString> &keysOfSectionAt(qsizetype headerLine) const;

    QStringList m_lines;
    QHash<QString, qsizetype> m_firstLineWithHeader; // case-folded header text -> line
    mutable QHash<qsizetype, QHash<QString, QString>> m_sectionKeys;
    // Questions come section by section; remember the last section's answer sheet.
    mutable QString m_lastSection;
    mutable bool m_lastSectionKnown = false;
    mutable qsizetype m_lastHeaderLine = -1;
};

// A catalogue-sized file held in memory, read and written exactly as readIni and writeIni would
// read and write it on disk. A file of plain "[NAME]" headers, each once, is kept as sections
// with a key index, so reads and writes cost no scan of the file; anything else (or a value that
// would read as a header) falls back to the line-by-line rules.
class IniDocument {
public:
    IniDocument() = default;
    explicit IniDocument(QStringList lines);
    static IniDocument fromFile(const QString &file);

    QString read(const QString &section, const QString &key, const QString &defaultValue = {});
    qint16 readInt(const QString &section, const QString &key, qint16 defaultValue);
    void write(const QString &section, const QString &key, const QString &value);
    QStringList lines() const;

private:
    struct Section {
        QString header;
        QStringList lines;
        QHash<QString, qsizetype> firstKey; // case-folded key -> its first line
        bool keysStale;
    };
    const QHash<QString, qsizetype> &keysOf(Section &section);
    void becomeIrregular();

    bool m_regular = true;
    QStringList m_preamble; // lines before the first header
    QList<Section> m_sections;
    QHash<QString, qsizetype> m_sectionByName; // case-folded name -> section
    QString m_lastSectionArg;                  // the section argument of the last write
    qsizetype m_lastSectionIndex = -1;

    QStringList m_lines; // the whole file, once irregular
    std::optional<IniSnapshot> m_snapshot;
};

} // namespace fendrel
