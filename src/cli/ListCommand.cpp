#include "cli/PackageCommands.h"
#include "cli/ProgressBar.h"

#include "package/PackageFile.h"
#include "package/PackageImage.h"


namespace fendrel::cli {

QString escapedName(const QString &name)
{
    QString out;
    for (const QChar c : name) {
        if (c == u'\\')
            out += QStringLiteral("\\\\");
        else if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            out += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out;
}

QString memberSizeText(qint64 size)
{
    return size == MemberListing::kMissing    ? QStringLiteral("missing")
        : size == MemberListing::kNameOnly ? QStringLiteral("name-only")
                                           : QString::number(size);
}

int ListCommand::run(const QStringList &args, CliContext &context)
{
    if (args.size() != 1) {
        context.printError(QStringLiteral("list takes one PACKAGE"));
        return kExitUsage;
    }
    ProgressBar bar(context);
    PackageFileError error;
    MemberListing members;
    const bool read = readPackageImageFile(args[0], members, [&bar](int percent) { bar.draw(percent); }, &error);
    bar.end(read);
    if (!read) {
        context.printError(QStringLiteral("%1 is not a readable lab package: %2").arg(args[0], error.description));
        return kExitFailed;
    }
    for (qsizetype i = 0; i < members.names.size(); ++i) {
        const QString size = memberSizeText(members.sizes[static_cast<std::size_t>(i)]);
        context.print(QStringLiteral("%1\t%2\t%3").arg(i + 1).arg(escapedName(members.names.at(i)), size));
    }
    return kExitDone;
}

} // namespace fendrel::cli
