#include "startup/LanguageTable.h"

#include "startup/Folders.h"
#include "text/Windows1252.h"

#include <QFile>
#include <QtEndian>

#include <optional>

namespace fendrel {
namespace {

class RecordReader {
public:
    explicit RecordReader(QByteArrayView data) : m_data(data) {}

    bool atEnd() const { return m_pos >= m_data.size(); }
    qsizetype position() const { return m_pos; }

    std::optional<QString> text()
    {
        const auto length = u16();
        if (!length || remaining() < *length)
            return std::nullopt;
        const QString value = fromWindows1252(m_data.sliced(m_pos, *length));
        m_pos += *length;
        return value;
    }

    std::optional<QByteArray> byteArray()
    {
        const auto dimensions = u16();
        if (!dimensions || *dimensions != 1 || remaining() < 8)
            return std::nullopt;
        const quint32 count = qFromLittleEndian<quint32>(m_data.data() + m_pos);
        m_pos += 8; // element count, then the lower bound, which does not change the bytes
        if (static_cast<quint64>(remaining()) < count)
            return std::nullopt;
        QByteArray value(m_data.data() + m_pos, static_cast<qsizetype>(count));
        m_pos += static_cast<qsizetype>(count);
        return value;
    }

private:
    qsizetype remaining() const { return m_data.size() - m_pos; }

    std::optional<quint16> u16()
    {
        if (remaining() < 2)
            return std::nullopt;
        const quint16 value = qFromLittleEndian<quint16>(m_data.data() + m_pos);
        m_pos += 2;
        return value;
    }

    QByteArrayView m_data;
    qsizetype m_pos = 0;
};

std::optional<LanguageRecord> readRecord(RecordReader &reader)
{
    LanguageRecord r;
    for (QString *field : {&r.number, &r.note, &r.english, &r.spanish, &r.portuguese}) {
        auto value = reader.text();
        if (!value)
            return std::nullopt;
        *field = std::move(*value);
    }
    for (QByteArray *field : {&r.korean, &r.japanese}) {
        auto value = reader.byteArray();
        if (!value)
            return std::nullopt;
        *field = std::move(*value);
    }
    return r;
}

bool appendText(QByteArray &out, const QString &text)
{
    const QByteArray bytes = toWindows1252(text);
    if (bytes.size() > 0xFFFF)
        return false;
    char length[2];
    qToLittleEndian<quint16>(static_cast<quint16>(bytes.size()), length);
    out.append(length, 2).append(bytes);
    return true;
}

bool appendByteArray(QByteArray &out, const QByteArray &bytes)
{
    if (bytes.size() > 0x7FFFFFFF)
        return false;
    char header[10];
    qToLittleEndian<quint16>(1, header);
    qToLittleEndian<quint32>(static_cast<quint32>(bytes.size()), header + 2);
    qToLittleEndian<quint32>(0, header + 6);
    out.append(header, 10).append(bytes);
    return true;
}

// A whole number written with digits only, an optional sign allowed.
std::optional<qint64> entryNumber(const QString &text)
{
    bool ok = false;
    const qint64 value = text.toLongLong(&ok, 10);
    if (!ok)
        return std::nullopt;
    return value;
}

} // namespace

QList<LanguageRecord> parseLanguageRecords(QByteArrayView data)
{
    QList<LanguageRecord> records;
    RecordReader reader(data);
    while (!reader.atEnd()) {
        auto record = readRecord(reader);
        if (!record)
            break;
        records.append(std::move(*record));
    }
    return records;
}

QByteArray serializeLanguageRecord(const LanguageRecord &record)
{
    QByteArray out;
    for (const QString *field : {&record.number, &record.note, &record.english, &record.spanish,
                                 &record.portuguese}) {
        if (!appendText(out, *field))
            return {};
    }
    if (!appendByteArray(out, record.korean) || !appendByteArray(out, record.japanese))
        return {};
    return out;
}

void LanguageTable::fill(const QList<LanguageRecord> &records)
{
    const qsizetype last = records.size() + 1;
    m_entries = QStringList(last + 1);
    for (const LanguageRecord &record : records) {
        const auto number = entryNumber(record.number.trimmed());
        if (!number || *number < 0 || *number > last)
            continue;
        m_entries[static_cast<qsizetype>(*number)] = record.english.trimmed();
    }
    m_loaded = true;
}

bool LanguageTable::loadFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return false;
    fill(parseLanguageRecords(data));
    return true;
}

QString LanguageTable::text(qsizetype entry) const
{
    return entry >= 0 && entry < m_entries.size() ? m_entries.at(entry) : QString();
}

LanguageTable &languageTable()
{
    static LanguageTable table;
    return table;
}

QString langText(LangEntry entry)
{
    return languageTable().text(static_cast<qsizetype>(entry));
}

bool loadLanguageTable(const QString &programFolder, QString *errorMessage)
{
    const QString path = findProgramResource(programFolder, kLanguageFileName);
    if (!path.isEmpty() && languageTable().loadFile(path))
        return true;
    if (errorMessage) {
        const QStringList places = programResourceCandidates(programFolder, kLanguageFileName);
        *errorMessage = path.isEmpty()
            ? QStringLiteral("Fendrel cannot start: its language file %1 was not found (looked for %2).")
                  .arg(kLanguageFileName, places.join(QStringLiteral(" and ")))
            : QStringLiteral("Fendrel cannot start: its language file %1 could not be read.").arg(path);
    }
    return false;
}

} // namespace fendrel
