#include "cli/BarObserver.h"
#include "cli/CliPrompter.h"
#include "cli/Interruption.h"
#include "cli/PackageCommands.h"
#include "cli/ProgressBar.h"

#include "catalogue/Catalogue.h"
#include "io/FileKind.h"
#include "io/FolderLock.h"
#include "loader/PackageLoader.h"
#include "startup/Folders.h"

#include <QFileInfo>

namespace fendrel::cli {
int ExtractCommand::run(const QStringList &args, CliContext &context)
{
    if (args.size() != 1) {
        context.printError(QStringLiteral("extract takes one PACKAGE"));
        return kExitUsage;
    }
    if (const QString why = whyNotARegularFile(args[0]); !why.isEmpty()) {
        context.printError(QStringLiteral("the package %1 %2").arg(args[0], why));
        return kExitFailed;
    }
    // Two extractions into one data folder would mix their files; a window holds it the same way.
    FolderLock lock(folders().appData);
    switch (lock.tryLock()) {
    case FolderLock::Outcome::Held: break;
    case FolderLock::Outcome::HeldElsewhere:
        context.printError(QStringLiteral("the data folder %1 is in use by %2; try again once it has finished")
                               .arg(folders().appData, lock.holder().isEmpty() ? QStringLiteral("another Fendrel") : lock.holder()));
        return kExitFailed;
    case FolderLock::Outcome::Failed:
        context.printError(lock.failure());
        return kExitFailed;
    }
    const InterruptionGuard interruptible;
    CliPrompter prompter(context);
    ProgressBar bar(context);
    BarObserver observer(bar);
    Catalogue catalogue;
    const ExtractResult result =
        openLabPackage(catalogue, QFileInfo(args[0]).absoluteFilePath(), folders().appData, prompter, &observer);
    if (result.status == ExtractResult::Status::Interrupted) {
        context.printError(QStringLiteral("extracting %1 was interrupted; no file was changed").arg(args[0]));
        return kExitInterrupted;
    }
    // Refusals and failures were said, with their reasons, through the prompter.
    if (result.status != ExtractResult::Status::Extracted)
        return kExitFailed;
    if (result.incomplete) {
        context.printError(QStringLiteral("%1 is incomplete or damaged: the files it lacks were not extracted").arg(args[0]));
        return kExitFailed;
    }
    if (!context.quiet) {
        int labs = 0;
        for (const CatalogueNode *section : catalogue.sections())
            labs += section->childCount();
        context.print(QStringLiteral("Extracted into %1\nThe catalogue %2%3 now holds %4 section(s) and %5 lab(s).")
                          .arg(result.packageFolder, folders().appData, kCatalogueFileName)
                          .arg(catalogue.sections().size())
                          .arg(labs));
    }
    return kExitDone;
}

} // namespace fendrel::cli
