#include "cli/PackageCommands.h"
#include "cli/ProgressBar.h"

#include "package/PackageFile.h"
#include "package/PackageImage.h"

namespace fendrel::cli {

int ListCommand::run(const QStringList &args, CliContext &context)
{
    if (args.size() != 1) {
        context.printError(QStringLiteral("list takes one PACKAGE"));
        return kExitUsage;
    }
    ProgressBar bar(context);
    PackageFileError error;
    const auto decoded = readPackageFile(args[0], [&bar](int percent) { bar.draw(percent); }, &error);
    bar.end(decoded.has_value());
    if (!decoded) {
        context.printError(QStringLiteral("%1 is not a readable lab package: %2").arg(args[0], error.description));
        return kExitFailed;
    }
    QString malformed;
    const auto image = readPackageImage(viewOf(*decoded), &malformed);
    if (!image) {
        context.printError(QStringLiteral("%1: %2").arg(args[0], malformed));
        return kExitFailed;
    }
    for (qsizetype i = 0; i < image->names.size(); ++i) {
        const QString size = i >= image->data.size() ? QStringLiteral("missing")
            : image->data[i]                         ? QString::number(image->data[i]->size())
                                                     : QStringLiteral("name-only");
        context.print(QStringLiteral("%1\t%2\t%3").arg(i + 1).arg(image->names[i], size));
    }
    return kExitDone;
}

} // namespace fendrel::cli
