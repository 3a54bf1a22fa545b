#include "cli/BarObserver.h"
#include "cli/CatalogueReport.h"
#include "cli/CliPrompter.h"
#include "cli/Interruption.h"
#include "cli/PackageCommands.h"
#include "cli/ProgressBar.h"

#include "catalogue/Catalogue.h"
#include "package/CatalogueCheck.h"
#include "package/PackageCompiler.h"

#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

#include <memory>
#include <type_traits>
#include <vector>

namespace fendrel::cli {
namespace {

// What the check found decides whether the package is built: never with a problem that cannot
// build, with one that would open wrong only when forced.
bool mayCompile(const QList<CatalogueProblem> &problems, bool force, const CliContext &context, bool json)
{
    const std::optional<ProblemSeverity> worst = worstSeverity(problems);
    if (worst == ProblemSeverity::CannotBuild) {
        if (!json)
            context.printError(QStringLiteral("nothing was written: the problems marked \"%1\" must be mended first")
                                   .arg(severityText(ProblemSeverity::CannotBuild)));
        return false;
    }
    if (worst == ProblemSeverity::OpensWrong && !force) {
        if (!json)
            context.printError(QStringLiteral("nothing was written: the package would open wrong; --force compiles anyway"));
        return false;
    }
    return true;
}

void printJson(const CliContext &context, QJsonObject report)
{
    std::fprintf(context.out, "%s", QJsonDocument(report).toJson(QJsonDocument::Indented).constData());
    std::fflush(context.out);
}

// Keeps value until the process ends and never frees it: a large catalogue and what the check
// found of its files are tens of thousands of small blocks, and freeing them one by one only
// delays the end of a command that is done. Still reachable from here, so no leak checker
// counts them.
template <typename T>
T &leftToTheEnd(T &&value)
{
    static auto *const kept = new std::vector<std::shared_ptr<void>>;
    auto held = std::make_shared<std::remove_reference_t<T>>(std::move(value));
    kept->push_back(held);
    return *held;
}

} // namespace

int CheckCommand::run(const QStringList &args, CliContext &context)
{
    QString input;
    bool json = false;
    for (const QString &arg : args) {
        if (arg == u"--json")
            json = true;
        else if (!arg.startsWith(u'-') && input.isEmpty())
            input = arg;
        else {
            context.printError(QStringLiteral("check takes [CATALOGUE] [--json]"));
            return kExitUsage;
        }
    }
    const std::unique_ptr<LoadedCatalogue> loaded = loadCatalogueCopy(input, context);
    if (!loaded)
        return kExitFailed;
    const CatalogueCheck &check = leftToTheEnd(checkCatalogue(*loaded->catalogue));
    leftToTheEnd(std::move(loaded->catalogue));
    const std::optional<ProblemSeverity> worst = worstSeverity(check.problems);
    const bool builds = worst != ProblemSeverity::CannotBuild && worst != ProblemSeverity::OpensWrong;
    if (json)
        printJson(context, {{QStringLiteral("catalogue"), input},
                            {QStringLiteral("problems"), problemsJson(check.problems)},
                            {QStringLiteral("compiles"), builds}});
    else if (check.problems.isEmpty() && !context.quiet)
        context.print(QStringLiteral("%1: no problems").arg(input));
    else
        printProblems(input, check.problems, context);
    return builds ? kExitDone : kExitFailed;
}

int CompileCommand::run(const QStringList &args, CliContext &context)
{
    QString input;
    QString output;
    bool force = false;
    bool json = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == u"-o" && i + 1 < args.size())
            output = args[++i];
        else if (args[i] == u"--force")
            force = true;
        else if (args[i] == u"--json")
            json = true;
        else if (!args[i].startsWith(u'-') && input.isEmpty())
            input = args[i];
        else {
            context.printError(QStringLiteral("compile takes [CATALOGUE] -o PACKAGE [--force] [--json]"));
            return kExitUsage;
        }
    }
    if (output.isEmpty()) {
        context.printError(QStringLiteral("compile needs -o PACKAGE"));
        return kExitUsage;
    }

    const InterruptionGuard interruptible;
    const std::unique_ptr<LoadedCatalogue> loaded = loadCatalogueCopy(input, context);
    if (!loaded)
        return kExitFailed;
    Catalogue &catalogue = *loaded->catalogue;
    CliPrompter prompter(context);

    const CatalogueCheck &check = leftToTheEnd(checkCatalogue(catalogue));
    QJsonObject report{{QStringLiteral("catalogue"), input},
                       {QStringLiteral("package"), output},
                       {QStringLiteral("problems"), problemsJson(check.problems)},
                       {QStringLiteral("written"), false}};
    if (!json)
        printProblems(input, check.problems, context);
    if (!mayCompile(check.problems, force, context, json)) {
        if (json)
            printJson(context, report);
        return kExitFailed;
    }

    ProgressBar bar(context);
    BarObserver observer(bar);
    QString failure;
    const CompileOutcome outcome =
        compileCatalogue(catalogue, QFileInfo(output).absoluteFilePath(), prompter, &observer, &failure, &check.files,
                         CatalogueSaving::PackageOnly);
    bar.end(outcome == CompileOutcome::Written);
    leftToTheEnd(std::move(loaded->catalogue));
    if (json) {
        report.insert(QStringLiteral("written"), outcome == CompileOutcome::Written);
        printJson(context, report);
    }
    switch (outcome) {
    case CompileOutcome::Written:
        if (!context.quiet && !json)
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
