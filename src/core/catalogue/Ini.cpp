// INI access. The line rules (readIni, applyIniWrite, writeIni) are the definition: other
// programs read these files, so even an odd file must read and change exactly as they say. A
// catalogue asks thousands of questions of one file, so IniSnapshot and IniDocument hold it in
// memory, indexed by section and key, and answer as the line rules would. A document the index
// cannot follow without doubt (odd or repeated headers, a removed section, a value that would
// read as a header) goes back to the line rules for good.

#include "catalogue/Ini.h"

#include "io/CheckedWriter.h"
#include "io/FileKind.h"

#include "text/Windows1252.h"
#include "text/TextHelpers.h"

#include <QFile>

#include <limits>

namespace fendrel {
namespace {

QString withoutChars(QString text, std::initializer_list<char16_t> chars)
{
    for (const char16_t c : chars)
        text.remove(QChar(c));
    return text;
}

QString singleLine(QString text)
{
    return text.replace(QStringLiteral("\r\n"), QStringLiteral(" ")).replace(u'\r', u' ').replace(u'\n', u' ');
}

// A write's arguments as they reach the file. Line breaks cannot live inside one line of the
// file, so they become spaces.
struct IniWriteArgs {
    QString section; // without brackets
    QString key;     // without "="
    QString value;   // without "=" and line breaks
    bool hasSection;

    IniWriteArgs(const QString &sectionArg, const QString &keyArg, const QString &valueArg)
        : section(trimSpaces(withoutChars(trimSpaces(sectionArg), {u'[', u']'}))),
          key(trimSpaces(withoutChars(trimSpaces(keyArg), {u'='}))),
          value(trimSpaces(withoutChars(trimSpaces(singleLine(valueArg)), {u'='}))),
          hasSection(!trimSpaces(sectionArg).isEmpty())
    {
    }
    QString header() const { return u'[' + section.toUpper() + u']'; }
    QString line() const { return key.isEmpty() ? value : key.toLower() + u'=' + value; }
};

// A value the rules would store unchanged.
bool isPlainValue(const QString &value)
{
    if (!value.isEmpty() && (value.front() == u' ' || value.back() == u' '))
        return false;
    for (const QChar c : value) {
        const char16_t u = c.unicode();
        if (u == u'=' || u == u'[' || u == u']' || u == u'\r' || u == u'\n')
            return false;
    }
    return true;
}

// An ASCII letters-and-digits key in lower case, or an empty text for any other key.
QString plainKeyLowered(const QString &key)
{
    QString lowered(key.size(), Qt::Uninitialized);
    QChar *out = lowered.data();
    for (const QChar c : key) {
        const char16_t u = c.unicode();
        if (u >= u'A' && u <= u'Z')
            *out++ = QChar(char16_t(u + 32));
        else if ((u >= u'a' && u <= u'z') || (u >= u'0' && u <= u'9'))
            *out++ = c;
        else
            return {};
    }
    return lowered;
}

// Keys are almost always ASCII; fold those without the full Unicode machinery.
QString foldedKey(const QString &key)
{
    const QString plain = plainKeyLowered(key);
    return plain.isEmpty() ? key.toCaseFolded() : plain;
}

bool isKeyLine(const QString &line, const QString &key)
{
    return line.size() > key.size() && line.at(key.size()) == u'=' && line.startsWith(key, Qt::CaseInsensitive);
}

// A whole number, optionally signed, that fits in 16 bits.
std::optional<qint16> toInt16(const QString &text)
{
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    if (!ok || value < std::numeric_limits<qint16>::min() || value > std::numeric_limits<qint16>::max())
        return std::nullopt;
    return static_cast<qint16>(value);
}

QString readFromLines(const QStringList &lines, const QString &section, const QString &key,
                      const QString &defaultValue)
{
    if (lines.isEmpty())
        return trimSpaces(defaultValue);
    const QString header = u'[' + trimSpaces(withoutChars(section, {u'[', u']'})) + u']';
    const QString wanted = trimSpaces(withoutChars(key, {u'='}));
    qsizetype i = 0;
    while (i < lines.size() && !lines[i].contains(header, Qt::CaseInsensitive))
        ++i;
    for (++i; i < lines.size(); ++i) {
        if (isSectionLine(lines[i]))
            return {};
        if (isKeyLine(lines[i], wanted))
            return trimSpaces(lines[i].mid(lines[i].indexOf(u'=') + 1));
    }
    return {};
}

} // namespace

qsizetype readLines(QStringList &lines, const QString &file)
{
    const QStringList read = readLines(file);
    lines += read;
    return read.size();
}

QStringList readLines(const QString &file)
{
    if (!whyNotARegularFile(file).isEmpty())
        return {};
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        return {};
    return parseIniLines(in.readAll());
}

QStringList parseIniLines(QByteArrayView bytes)
{
    const QString text = fromWindows1252(bytes);
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] != u'\r' && text[i] != u'\n')
            continue;
        const QString line = trimSpaces(text.mid(start, i - start));
        if (!line.isEmpty())
            lines.append(line);
        if (i + 1 < text.size() && text[i] == u'\r' && text[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    return lines;
}

bool isSectionLine(const QString &line)
{
    return line.contains(u'[') && line.contains(u']');
}

void insertLine(QStringList &lines, qsizetype position, const QString &text)
{
    lines.insert(position, text);
}

QString readIni(const QString &section, const QString &key, const QString &file, const QString &defaultValue)
{
    return readFromLines(readLines(file), section, key, defaultValue);
}

qint16 readIniInt(const QString &section, const QString &key, const QString &file, qint16 defaultValue)
{
    return toInt16(readIni(section, key, file, QString())).value_or(defaultValue);
}

void applyIniWrite(QStringList &lines, const QString &sectionArg, const QString &keyArg, const QString &valueArg)
{
    const IniWriteArgs args(sectionArg, keyArg, valueArg);
    if (!args.hasSection)
        return;
    const QString &key = args.key;
    const QString &value = args.value;
    const QString header = args.header();
    const QString line = args.line();
    if (lines.isEmpty()) {
        lines = {header, line};
        return;
    }
    qsizetype h = 0;
    while (h < lines.size() && !lines[h].contains(header, Qt::CaseInsensitive))
        ++h;
    if (h == lines.size()) {
        lines << header << line;
        return;
    }
    if (key.isEmpty()) {
        qsizetype i = h + 1;
        for (; i < lines.size() && !isSectionLine(lines[i]); ++i)
            lines[i].clear();
        lines[h].clear();
        return;
    }
    for (qsizetype i = h + 1; i < lines.size(); ++i) {
        if (isSectionLine(lines[i])) {
            if (!value.isEmpty())
                insertLine(lines, i, line);
            return;
        }
        if (isKeyLine(lines[i], key)) {
            lines[i] = value.isEmpty() ? QString() : line;
            return;
        }
    }
    if (!value.isEmpty())
        lines.append(line);
}

QByteArray iniFileBytes(const QStringList &lines)
{
    qsizetype size = 0;
    for (const QString &line : lines)
        size += line.size() + 2;
    QByteArray bytes;
    bytes.reserve(size);
    for (const QString &line : lines) {
        if (line.isEmpty())
            continue;
        appendWindows1252(bytes, line);
        bytes.append("\r\n", 2);
    }
    return bytes;
}

bool writeIniFile(const QString &file, const QStringList &lines, QString *error)
{
    return writeIniFile(file, iniFileBytes(lines), error);
}

bool writeIniFile(const QString &file, const QByteArray &bytes, QString *error)
{
    CheckedWriter out(file);
    if (out.open() && out.write(bytes) && out.commit())
        return true;
    if (error)
        *error = out.error();
    return false;
}

void writeIni(const QString &section, const QString &key, const QString &value, const QString &file)
{
    if (trimSpaces(section).isEmpty() || trimSpaces(file).isEmpty())
        return;
    QStringList lines = readLines(file);
    applyIniWrite(lines, section, key, value);
    lines.removeAll(QString());
    writeIniFile(file, lines);
}

IniSnapshot::IniSnapshot(QStringList lines) : m_lines(std::move(lines))
{
    // A header "[X]" is contained in a line exactly where a "[" is followed by X and then "]"
    // with no other bracket between them.
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        const QString &line = m_lines[i];
        if (!isSectionLine(line))
            continue;
        for (qsizetype open = line.indexOf(u'['); open >= 0; open = line.indexOf(u'[', open + 1)) {
            qsizetype close = open + 1;
            while (close < line.size() && line[close] != u'[' && line[close] != u']')
                ++close;
            if (close < line.size() && line[close] == u']') {
                const QString name = line.mid(open + 1, close - open - 1).toCaseFolded();
                if (!m_firstLineWithHeader.contains(name))
                    m_firstLineWithHeader.insert(name, i);
            }
        }
    }
}

const QHash<QString, QString> &IniSnapshot::keysOfSectionAt(qsizetype headerLine) const
{
    auto it = m_sectionKeys.find(headerLine);
    if (it != m_sectionKeys.end())
        return *it;
    qsizetype end = headerLine + 1;
    while (end < m_lines.size() && !isSectionLine(m_lines[end]))
        ++end;
    // A section of thousands of labs has tens of thousands of keys: growing the table key by key
    // showed in the load of a large catalogue.
    QHash<QString, QString> keys;
    keys.reserve(end - headerLine - 1);
    for (qsizetype i = headerLine + 1; i < end; ++i) {
        const qsizetype eq = m_lines[i].indexOf(u'=');
        if (eq < 0)
            continue;
        const QString key = foldedKey(m_lines[i].left(eq));
        if (!keys.contains(key))
            keys.insert(key, trimSpaces(m_lines[i].mid(eq + 1)));
    }
    return *m_sectionKeys.insert(headerLine, std::move(keys));
}

QString IniSnapshot::read(const QString &section, const QString &key, const QString &defaultValue) const
{
    if (m_lines.isEmpty())
        return trimSpaces(defaultValue);
    if (!m_lastSectionKnown || section != m_lastSection) {
        const QString name = trimSpaces(withoutChars(section, {u'[', u']'})).toCaseFolded();
        m_lastSection = section;
        m_lastSectionKnown = true;
        m_lastHeaderLine = m_firstLineWithHeader.value(name, -1);
    }
    if (m_lastHeaderLine < 0)
        return {};
    return keysOfSectionAt(m_lastHeaderLine).value(foldedKey(trimSpaces(withoutChars(key, {u'='}))));
}

qint16 IniSnapshot::readInt(const QString &section, const QString &key, qint16 defaultValue) const
{
    return toInt16(read(section, key)).value_or(defaultValue);
}


IniDocument::IniDocument(QStringList lines)
{
    bool regular = true;
    for (QString &line : lines) {
        if (!isSectionLine(line)) {
            (m_sections.isEmpty() ? m_preamble : m_sections.last().lines).append(std::move(line));
            continue;
        }
        // Only "[NAME]" headers, each name once and without brackets of its own, keep the header
        // search unambiguous: the line rules find "[NAME]" anywhere in a line, "[[NAME]" included.
        const QString name = line.mid(1, line.size() - 2);
        const QString folded = name.toCaseFolded();
        if (!line.startsWith(u'[') || !line.endsWith(u']') || name.contains(u'[') || name.contains(u']')
            || m_sectionByName.contains(folded))
            regular = false;
        else
            m_sectionByName.insert(folded, m_sections.size());
        m_sections.append({line, {}, {}, true});
    }
    if (!regular)
        becomeIrregular();
}

IniDocument IniDocument::fromFile(const QString &file)
{
    return IniDocument(readLines(file));
}

QStringList IniDocument::lines() const
{
    if (!m_regular)
        return m_lines;
    QStringList all = m_preamble;
    for (const Section &section : m_sections)
        all << section.header << section.lines;
    return all;
}

void IniDocument::becomeIrregular()
{
    m_lines = lines();
    m_regular = false;
    m_preamble.clear();
    m_sections.clear();
    m_sectionByName.clear();
    m_lastSectionArg = QString();
    m_snapshot.reset();
}

const QHash<QString, qsizetype> &IniDocument::keysOf(Section &section)
{
    if (section.keysStale) {
        section.firstKey.clear();
        for (qsizetype i = 0; i < section.lines.size(); ++i) {
            const qsizetype eq = section.lines[i].indexOf(u'=');
            if (eq < 0)
                continue;
            const QString key = foldedKey(section.lines[i].left(eq));
            if (!section.firstKey.contains(key))
                section.firstKey.insert(key, i);
        }
        section.keysStale = false;
    }
    return section.firstKey;
}

QString IniDocument::read(const QString &section, const QString &key, const QString &defaultValue)
{
    if (!m_regular) {
        if (!m_snapshot)
            m_snapshot.emplace(m_lines);
        return m_snapshot->read(section, key, defaultValue);
    }
    if (m_preamble.isEmpty() && m_sections.isEmpty())
        return trimSpaces(defaultValue);
    const auto found = m_sectionByName.constFind(trimSpaces(withoutChars(section, {u'[', u']'})).toCaseFolded());
    if (found == m_sectionByName.constEnd())
        return {};
    Section &s = m_sections[*found];
    const qsizetype line = keysOf(s).value(foldedKey(trimSpaces(withoutChars(key, {u'='}))), -1);
    return line < 0 ? QString() : trimSpaces(s.lines[line].mid(s.lines[line].indexOf(u'=') + 1));
}

qint16 IniDocument::readInt(const QString &section, const QString &key, qint16 defaultValue)
{
    return toInt16(read(section, key)).value_or(defaultValue);
}

void IniDocument::write(const QString &sectionArg, const QString &keyArg, const QString &valueArg)
{
    // The common case of a save: a new plain key in the section written last.
    if (m_regular && !m_lastSectionArg.isNull() && sectionArg == m_lastSectionArg && isPlainValue(valueArg)) {
        const QString key = plainKeyLowered(keyArg);
        Section &s = m_sections[m_lastSectionIndex];
        if (!key.isEmpty() && !keysOf(s).contains(key)) {
            if (!valueArg.isEmpty()) {
                s.firstKey.insert(key, s.lines.size());
                s.lines << key + u'=' + valueArg;
            }
            return;
        }
    }

    const IniWriteArgs args(sectionArg, keyArg, valueArg);
    if (!args.hasSection)
        return;
    const QString line = args.line();
    if (m_regular && (args.key.isEmpty() || isSectionLine(line)))
        becomeIrregular();
    if (!m_regular) {
        applyIniWrite(m_lines, sectionArg, keyArg, valueArg);
        m_lines.removeAll(QString());
        m_snapshot.reset();
        return;
    }

    const QString folded = args.section.toUpper().toCaseFolded();
    const auto found = m_sectionByName.constFind(folded);
    if (found == m_sectionByName.constEnd()) {
        m_sectionByName.insert(folded, m_sections.size());
        m_sections.append({args.header(), {line}, {}, true});
        m_lastSectionIndex = m_sections.size() - 1;
    } else {
        m_lastSectionIndex = *found;
        Section &s = m_sections[*found];
        const qsizetype existing = keysOf(s).value(args.key.toCaseFolded(), -1);
        if (existing >= 0 && args.value.isEmpty()) {
            s.lines.removeAt(existing);
            s.keysStale = true;
        } else if (existing >= 0) {
            s.lines[existing] = line;
        } else if (!args.value.isEmpty()) {
            s.firstKey.insert(args.key.toCaseFolded(), s.lines.size());
            s.lines << line;
        }
    }
    m_lastSectionArg = sectionArg;
}

} // namespace fendrel
