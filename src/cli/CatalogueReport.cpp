#include "cli/CatalogueReport.h"

#include "cli/CliPrompter.h"

#include "catalogue/Catalogue.h"
#include "catalogue/CatalogueFile.h"
#include "io/FileKind.h"
#include "io/ProcessFolders.h"
#include "startup/Folders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonObject>

namespace fendrel::cli {
namespace {

QString fieldId(std::optional<LabFileField> field)
{
    if (!field)
        return {};
    switch (*field) {
    case LabFileField::Document: return QStringLiteral("document");
    case LabFileField::Topology: return QStringLiteral("topology");
    case LabFileField::Picture: return QStringLiteral("picture");
    case LabFileField::GradingConfiguration: return QStringLiteral("grading-configuration");
    case LabFileField::LoadingConfiguration: return QStringLiteral("loading-configuration");
    }
    return {};
}

} // namespace

LoadedCatalogue::~LoadedCatalogue() = default;

std::unique_ptr<LoadedCatalogue> loadCatalogueCopy(QString &input, const CliContext &context)
{
    if (input.isEmpty())
        input = folders().appData + kCatalogueFileName;
    if (const QString why = whyNotARegularFile(input); !why.isEmpty()) {
        context.printError(QStringLiteral("the catalogue file %1 %2").arg(input, why));
        return nullptr;
    }
    // The copy's folder carries the process id: a killed run's folder is removed by the next one.
    const QString workPrefix = QStringLiteral("fendrel-cli-");
    removeFoldersOfGoneProcesses(QDir::tempPath(), workPrefix);
    auto loaded = std::make_unique<LoadedCatalogue>();
    loaded->work = std::make_unique<QTemporaryDir>(
        QDir(QDir::tempPath()).filePath(processFolderName(workPrefix) + QStringLiteral("-XXXXXX")));
    if (!loaded->work->isValid() || !QFile::copy(input, loaded->work->filePath(kCatalogueFileName))) {
        context.printError(QStringLiteral("cannot copy %1 into a temporary folder").arg(input));
        return nullptr;
    }
    CliPrompter prompter(context);
    loaded->catalogue = std::make_unique<Catalogue>();
    loaded->catalogue->createNewTree(prompter, folders().appData, loaded->work->path());
    // A script may run from any folder; the catalogue's relative paths mean its own.
    loaded->catalogue->setFilesFolder(QFileInfo(input).absolutePath());
    return loaded;
}

void printProblems(const QString &input, const QList<CatalogueProblem> &problems, const CliContext &context)
{
    if (problems.isEmpty())
        return;
    context.printError(QStringLiteral("%1 has %2 problem(s):").arg(input).arg(problems.size()));
    for (const CatalogueProblem &problem : problems) {
        const QString line = severityText(severityOf(problem)) + QStringLiteral(": ") + problemLine(problem);
        std::fprintf(context.err, "  %s\n", line.toLocal8Bit().constData());
    }
    std::fflush(context.err);
}

QJsonArray problemsJson(const QList<CatalogueProblem> &problems)
{
    QJsonArray out;
    for (const CatalogueProblem &p : problems) {
        out.append(QJsonObject{{QStringLiteral("severity"), severityId(severityOf(p))},
                               {QStringLiteral("kind"), kindId(p.kind)},
                               {QStringLiteral("section"), p.section},
                               {QStringLiteral("lab"), p.lab},
                               {QStringLiteral("field"), fieldId(p.field)},
                               {QStringLiteral("file"), p.file},
                               {QStringLiteral("cause"), problemCause(p)}});
    }
    return out;
}

} // namespace fendrel::cli
