#include "package/LabFileKind.h"

#include "catalogue/ImageHandler.h"
#include "interaction/Prompter.h"
#include "interaction/DocumentPages.h"
#include "io/FileKind.h"
#include "startup/Folders.h"
#include "startup/LanguageTable.h"
#include "text/TextHelpers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <initializer_list>

namespace fendrel {

MemberRoute routeOf(const QString &name)
{
    if (name.endsWith(QStringLiteral(".ini")))
        return MemberRoute::Catalogue;
    const QString lower = name.toLower();
    const auto endsWithAny = [&lower](std::initializer_list<const char *> suffixes) {
        return std::any_of(suffixes.begin(), suffixes.end(),
                           [&lower](const char *s) { return lower.endsWith(QLatin1String(s)); });
    };
    if (endsWithAny({".doc", ".pdf", ".txt"}))
        return MemberRoute::Document;
    // The picture check also takes PNG files (and JPEGs by any name); they must count as the
    // lab's picture too, or every later member would land one lab off.
    if (endsWithAny({".jpg", ".jpeg", ".gif", ".wmf", ".bmp", ".png"}))
        return MemberRoute::Picture;
    if (lower.endsWith(QLatin1String(".nwcl")))
        return MemberRoute::LoadingConfiguration;
    if (lower.endsWith(QLatin1String(".top")))
        return MemberRoute::Topology;
    if (lower.endsWith(QLatin1String(".nwc")))
        return MemberRoute::GradingConfiguration;
    return MemberRoute::Other;
}

LabFileFacts lookAtLabFile(const QString &path, LookAt depth, const DocumentPages *pages, OpenFolder *folder)
{
    LabFileFacts facts;
    facts.status = folder ? fileStatus(path, *folder) : fileStatus(path);
    facts.readable = facts.status.regular && facts.status.readable;
    if (!facts.readable)
        return facts;
    switch (routeOf(fileNameOfPath(path))) {
    case MemberRoute::Picture: facts.image = imageHandler(path).ok; break;
    case MemberRoute::GradingConfiguration:
        if (depth == LookAt::Everything)
            facts.configuration = checkNetworkConfiguration(path, facts.status, folder);
        break;
    case MemberRoute::Document:
        if (pages && path.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive))
            facts.pages = pages->pageCount(path);
        break;
    default: break;
    }
    return facts;
}

namespace {

// A file extracted from a package lies in that package's folder below the extraction root; when
// the folder is gone, the file went with it, and the cure is to open the package again.
std::optional<QString> goneExtractionFolder(const QString &path)
{
    const QString root = extractionRoot(folders().appData);
    if (folders().appData.isEmpty() || !path.startsWith(root))
        return std::nullopt;
    const qsizetype end = path.indexOf(u'/', root.size());
    if (end < 0)
        return std::nullopt;
    const QString packageFolder = path.left(end);
    if (fileStatus(packageFolder).exists)
        return std::nullopt;
    return packageFolder;
}

bool fitsField(LabFileField field, MemberRoute route)
{
    switch (field) {
    case LabFileField::Document: return route == MemberRoute::Document;
    case LabFileField::Topology: return route == MemberRoute::Topology;
    case LabFileField::Picture: return route == MemberRoute::Picture;
    case LabFileField::GradingConfiguration:
    // A loading configuration travels as ".nwcl", which the package writer adds itself.
    case LabFileField::LoadingConfiguration: return route == MemberRoute::GradingConfiguration;
    }
    return false;
}

std::optional<LabFileFault> configurationFault(const NetworkConfigurationCheck &check)
{
    using Result = NetworkConfigurationCheck::Result;
    switch (check.result) {
    case Result::Valid: return std::nullopt;
    case Result::UnknownLine: return LabFileFault{ProblemKind::NwcUnknownLine, {}};
    case Result::CountMismatch:
        return LabFileFault{ProblemKind::NwcCountMismatch,
                            {QString::number(check.devices), QString::number(check.routers),
                             QString::number(check.switches), QString::number(check.pcs)}};
    case Result::MissingDevice: return LabFileFault{ProblemKind::NwcDeviceMissing, {check.missingDeviceName}};
    case Result::Empty: return LabFileFault{ProblemKind::NwcEmpty, {}};
    case Result::ReadFailure: return LabFileFault{ProblemKind::FileNotReadable, {check.errorDescription}};
    }
    return std::nullopt;
}

} // namespace

std::optional<LabFileFault> labFileFault(LabFileField field, const QString &path, const LabFileFacts &facts)
{
    if (!facts.status.exists) {
        if (const std::optional<QString> gone = goneExtractionFolder(path))
            return LabFileFault{ProblemKind::PackageFolderGone, {QDir::toNativeSeparators(*gone)}};
        return LabFileFault{ProblemKind::FileNotThere, {}};
    }
    if (!facts.status.regular)
        return LabFileFault{ProblemKind::NotAFile, {facts.status.why}};
    if (!facts.readable)
        return LabFileFault{ProblemKind::FileNotReadable, {QStringLiteral("permission denied")}};
    const MemberRoute route = routeOf(fileNameOfPath(path));
    if (!fitsField(field, route))
        return LabFileFault{ProblemKind::WrongKind, {}};
    if (field == LabFileField::Picture && !facts.image)
        return LabFileFault{ProblemKind::NotAPicture, {}};
    if (facts.configuration)
        return configurationFault(*facts.configuration);
    return std::nullopt;
}

QString labFileRefusal(LabFileField field, const QString &path)
{
    const std::optional<LabFileFault> fault = labFileFault(field, path, lookAtLabFile(path, LookAt::NotConfiguration));
    if (!fault)
        return {};
    CatalogueProblem problem;
    problem.kind = fault->kind;
    problem.field = field;
    problem.details = fault->details;
    return problemCause(problem);
}

bool refuseLabFile(LabFileField field, const QString &path, Prompter &prompter)
{
    const QString refusal = labFileRefusal(field, path);
    if (refusal.isEmpty())
        return false;
    prompter.show(langText(LangEntry::FileRefusedMessage).arg(QDir::toNativeSeparators(path), refusal), MessageIcon::Exclamation,
                  MessageButtons::Ok, langText(LangEntry::MessageTitle));
    return true;
}

} // namespace fendrel
