#include "cli/BarObserver.h"
#include "cli/CliPrompter.h"
#include "cli/Interruption.h"
#include "cli/PackageCommands.h"
#include "cli/ProgressBar.h"

#include "catalogue/Catalogue.h"
#include "io/FileKind.h"
#include "io/ProcessFolders.h"
#include "catalogue/CatalogueFile.h"
#include "package/CatalogueCheck.h"
#include "package/PackageCompiler.h"
#include "startup/Folders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace fendrel::cli {
int CompileCommand::run(const QStringList &args, CliContext &context)
{
    QString input;
    QString output;
    bool force = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == u"-o" && i + 1 < args.size())
            output = args[++i];
        else if (args[i] == u"--force")
            force = true;
        else if (!args[i].startsWith(u'-') && input.isEmpty())
            input = args[i];
        else {
            context.printError(QStringLiteral("compile takes [CATALOGUE] -o PACKAGE [--force]"));
            return kExitUsage;
        }
    }
    if (output.isEmpty()) {
        context.printError(QStringLiteral("compile needs -o PACKAGE"));
        return kExitUsage;
    }
    if (input.isEmpty())
        input = folders().appData + kCatalogueFileName;
    if (const QString why = whyNotARegularFile(input); !why.isEmpty()) {
        context.printError(QStringLiteral("the catalogue file %1 %2").arg(input, why));
        return kExitFailed;
    }

    // The catalogue is loaded and saved in a folder of its own, so the input stays as it was.
    // Its name carries the process id: a killed run's folder is removed by the next one.
    const QString workPrefix = QStringLiteral("fendrel-cli-");
    removeFoldersOfGoneProcesses(QDir::tempPath(), workPrefix);
    const InterruptionGuard interruptible;
    QTemporaryDir work(QDir(QDir::tempPath()).filePath(processFolderName(workPrefix) + QStringLiteral("-XXXXXX")));
    if (!work.isValid() || !QFile::copy(input, work.filePath(kCatalogueFileName))) {
        context.printError(QStringLiteral("cannot copy %1 into a temporary folder").arg(input));
        return kExitFailed;
    }
    CliPrompter prompter(context);
    Catalogue catalogue;
    catalogue.createNewTree(prompter, folders().appData, work.path());

    // What the load could not carry no --force can mend: the package would lack those labs.
    if (!catalogue.loadProblems().isEmpty()) {
        context.printError(QStringLiteral("%1 cannot be compiled:").arg(input));
        for (const QString &problem : catalogue.loadProblems())
            std::fprintf(context.err, "  %s\n", problem.toLocal8Bit().constData());
        return kExitFailed;
    }
    const QStringList problems = findCatalogueProblems(catalogue);
    if (!problems.isEmpty()) {
        context.printError(QStringLiteral("%1 has %2 problem(s):").arg(input).arg(problems.size()));
        for (const QString &problem : problems)
            std::fprintf(context.err, "  %s\n", problem.toLocal8Bit().constData());
        if (!force) {
            context.printError(QStringLiteral("nothing was written; --force compiles anyway"));
            return kExitFailed;
        }
    }

    ProgressBar bar(context);
    BarObserver observer(bar);
    QString failure;
    const CompileOutcome outcome =
        compileCatalogue(catalogue, QFileInfo(output).absoluteFilePath(), prompter, &observer, &failure);
    bar.end(outcome == CompileOutcome::Written);
    switch (outcome) {
    case CompileOutcome::Written:
        if (!context.quiet)
            context.print(QStringLiteral("Wrote %1 (%2 bytes)").arg(output).arg(QFileInfo(output).size()));
        return kExitDone;
    case CompileOutcome::NothingToCompile:
        return kExitFailed;
    case CompileOutcome::Aborted:
        context.printError(QStringLiteral("the compilation stopped at a network configuration; nothing was written"));
        return kExitFailed;
    case CompileOutcome::WriteFailed:
        context.printError(QStringLiteral("%1 was not written: %2").arg(output, failure));
        return kExitFailed;
    case CompileOutcome::CatalogueNotSaved:
        context.printError(QStringLiteral("the catalogue could not be saved for the package (%1); nothing was written").arg(failure));
        return kExitFailed;
    case CompileOutcome::Interrupted:
        context.printError(QStringLiteral("compiling %1 was interrupted; nothing was written").arg(output));
        return kExitInterrupted;
    }
    return kExitFailed;
}

} // namespace fendrel::cli
