// Turns the readable language source (entry number, TAB, name, TAB, English text) into lclang.bdb.
// The reader it shares with lclang_entries refuses bad lines; this tool adds what lclang.bdb can hold.
// Usage: lclang_build SOURCE OUTPUT

#include "LanguageSource.h"
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

} // namespace

int main(int argc, char **argv)
{
    if (argc != 3)
        return fail(QStringLiteral("usage: lclang_build SOURCE OUTPUT"));
    const QString sourcePath = QString::fromLocal8Bit(argv[1]);
    QFile source(sourcePath);
    if (!source.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("cannot read %1").arg(sourcePath));
    const QByteArray content = source.readAll();
    const lang::SourceResult parsed = lang::parseLanguageSource(std::string_view(content.constData(), content.size()));
    if (!parsed.error.empty())
        return fail(QStringLiteral("%1:%2: %3").arg(sourcePath).arg(parsed.errorLine).arg(QString::fromStdString(parsed.error)));

    QByteArray bdb;
    for (const lang::SourceEntry &entry : parsed.entries) {
        const QString text = QString::fromStdString(entry.text);
        const QString where = QStringLiteral("%1:%2: ").arg(sourcePath).arg(entry.line);
        if (!fitsWindows1252(text))
            return fail(where + QStringLiteral("the text holds characters that Windows-1252 cannot store"));

        LanguageRecord record;
        record.number = QString::number(entry.number);
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
