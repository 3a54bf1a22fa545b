#include "cli/PackageCommands.h"
#include "cli/ProgressBar.h"

#include "package/PackageFile.h"
#include "package/PackageImage.h"

#include <utility>

namespace fendrel::cli {
namespace {

// Names and sizes only: the members' content passes by without being kept.
class MemberSizes : public PackageImageParser::Handler {
public:
    MemberNames names;
    QList<qint64> sizes; // -1 for a name-only member
    void namesRead(MemberNames read) override { names = std::move(read); }
    void memberBegins(qint64, qint64 size) override { sizes.append(size); }
};

} // namespace

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

int ListCommand::run(const QStringList &args, CliContext &context)
{
    if (args.size() != 1) {
        context.printError(QStringLiteral("list takes one PACKAGE"));
        return kExitUsage;
    }
    ProgressBar bar(context);
    PackageFileError error;
    MemberSizes members;
    const bool read = readPackageImageFile(args[0], members, [&bar](int percent) { bar.draw(percent); }, &error);
    bar.end(read);
    if (!read) {
        context.printError(QStringLiteral("%1 is not a readable lab package: %2").arg(args[0], error.description));
        return kExitFailed;
    }
    for (qsizetype i = 0; i < members.names.size(); ++i) {
        const QString size = i >= members.sizes.size() ? QStringLiteral("missing")
            : members.sizes[i] >= 0                    ? QString::number(members.sizes[i])
                                                       : QStringLiteral("name-only");
        context.print(QStringLiteral("%1\t%2\t%3").arg(i + 1).arg(escapedName(members.names.at(i)), size));
    }
    return kExitDone;
}

} // namespace fendrel::cli
