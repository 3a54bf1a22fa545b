// Turns the readable language source (entry number, TAB, English text) into lclang.bdb.
// Usage: lclang_build SOURCE OUTPUT

#include "startup/LanguageTable.h"
#include "text/Windows1252.h"

#include <QFile>
#include <QSaveFile>
#include <QString>

#include <cstdio>

using namespace fendrel;

namespace {

int fail(const QString &message)
{
    std::fprintf(stderr, "lclang_build: %s\n", qPrintable(message));
    return 1;
}

QString unescape(const QString &text, bool *ok)
{
    QString out;
    *ok = true;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != u'\\') {
            out.append(text[i]);
            continue;
        }
        const QChar next = i + 1 < text.size() ? text[i + 1] : QChar();
        if (next == u'n')
            out.append(QStringLiteral("\r\n"));
        else if (next == u'\\')
            out.append(u'\\');
        else
            *ok = false;
        ++i;
    }
    return out;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 3)
        return fail(QStringLiteral("usage: lclang_build SOURCE OUTPUT"));
    const QString sourcePath = QString::fromLocal8Bit(argv[1]);
    QFile source(sourcePath);
    if (!source.open(QIODevice::ReadOnly | QIODevice::Text))
        return fail(QStringLiteral("cannot read %1").arg(sourcePath));

    QByteArray bdb;
    QList<int> seen;
    int lineNumber = 0;
    while (!source.atEnd()) {
        ++lineNumber;
        QByteArray raw = source.readLine();
        if (raw.endsWith('\n'))
            raw.chop(1);
        const QString line = QString::fromUtf8(raw);
        if (line.trimmed().isEmpty() || line.startsWith(u'#'))
            continue;
        const qsizetype tab = line.indexOf(u'\t');
        bool numberOk = false;
        const int number = tab > 0 ? line.left(tab).toInt(&numberOk) : -1;
        bool textOk = false;
        const QString text = unescape(line.mid(tab + 1), &textOk);
        const QString where = QStringLiteral("%1:%2: ").arg(sourcePath).arg(lineNumber);
        if (!numberOk || number < 0)
            return fail(where + QStringLiteral("expected an entry number, a TAB and the text"));
        if (!textOk)
            return fail(where + QStringLiteral("only \\n and \\\\ may follow a backslash"));
        if (!fitsWindows1252(text))
            return fail(where + QStringLiteral("the text holds characters that Windows-1252 cannot store"));
        if (seen.contains(number))
            return fail(where + QStringLiteral("entry %1 is given twice").arg(number));
        seen.append(number);

        LanguageRecord record;
        record.number = QString::number(number);
        record.english = text;
        const QByteArray bytes = serializeLanguageRecord(record);
        if (bytes.isEmpty())
            return fail(where + QStringLiteral("the text is too long"));
        bdb.append(bytes);
    }

    QSaveFile output(QString::fromLocal8Bit(argv[2]));
    if (!output.open(QIODevice::WriteOnly) || output.write(bdb) != bdb.size() || !output.commit())
        return fail(QStringLiteral("cannot write %1").arg(output.fileName()));
    return 0;
}
