#include "package/CatalogueCheck.h"

#include "catalogue/Catalogue.h"
#include "catalogue/Ini.h"
#include "io/FileKind.h"
#include "package/LabFileKind.h"
#include "package/NetworkConfiguration.h"
#include "text/TextHelpers.h"

#include <QFileInfo>

#include <optional>
#include <utility>

namespace fendrel {
namespace {

using Result = NetworkConfigurationCheck::Result;

QString configurationProblem(const QString &path)
{
    const NetworkConfigurationCheck check = checkNetworkConfiguration(path);
    switch (check.result) {
    case Result::Valid: return {};
    case Result::UnknownLine: return QStringLiteral("%1 holds a line that is neither a count nor empty").arg(path);
    case Result::CountMismatch:
        return QStringLiteral("%1 counts %2 devices but %3 routers, %4 switches and %5 PCs")
            .arg(path)
            .arg(check.devices)
            .arg(check.routers)
            .arg(check.switches)
            .arg(check.pcs);
    case Result::MissingDevice: return QStringLiteral("%1 needs %2 beside it, which does not exist").arg(path, check.missingDeviceName);
    case Result::Empty: return QStringLiteral("%1 is empty").arg(path);
    case Result::ReadFailure: return QStringLiteral("%1: %2").arg(path, check.errorDescription);
    }
    return {};
}

// With a field, a file of the wrong kind for it is a problem too.
QString fileProblem(const QString &what, const QString &path, bool required, std::optional<LabFileField> field = {})
{
    if (path.isEmpty())
        return required ? QStringLiteral("no %1 is given").arg(what) : QString();
    const QString why = field ? labFileRefusal(*field, path) : whyNotARegularFile(path);
    if (!why.isEmpty())
        return QStringLiteral("the %1 %2 %3").arg(what, path, why);
    if (!QFileInfo(path).isReadable())
        return QStringLiteral("the %1 %2 cannot be read").arg(what, path);
    return {};
}

QString whereIs(const CatalogueNode &section, const CatalogueNode &lab)
{
    return QStringLiteral("%1 / %2").arg(section.text(), lab.text());
}

} // namespace

QStringList findMissingFiles(const Catalogue &catalogue)
{
    QStringList missing;
    for (const CatalogueNode *section : catalogue.sections()) {
        for (const CatalogueNode *lab : section->children()) {
            const LabRecord *r = catalogue.recordOf(*lab);
            if (!r)
                continue;
            const std::pair<const char *, QString> files[] = {{"lab document", r->link},
                                                              {"topology file", r->topFile},
                                                              {"picture", r->picture},
                                                              {"grading configuration", trimSpaces(r->nwcFile)},
                                                              {"loading configuration", trimSpaces(r->loadNwcFile)}};
            for (const auto &[what, path] : files) {
                if (const QString problem = fileProblem(QString::fromLatin1(what), path, false); !problem.isEmpty())
                    missing << whereIs(*section, *lab) + QStringLiteral(": ") + problem;
            }
        }
    }
    return missing;
}

QStringList findCatalogueProblems(const Catalogue &catalogue)
{
    QStringList problems;
    if (catalogue.sections().empty()) {
        problems << QStringLiteral("The catalogue has no sections or labs to compile.");
        return problems;
    }
    const auto carry = [&problems](const QString &where, const QString &value) {
        const QString refusal = iniValueRefusal(value);
        if (!refusal.isEmpty())
            problems << where + QStringLiteral(": ") + refusal;
    };
    carry(QStringLiteral("Tab title"), catalogue.tabTitle());
    for (const CatalogueNode *section : catalogue.sections()) {
        carry(QStringLiteral("Section \"%1\"").arg(section->text()), section->text());
        for (const CatalogueNode *lab : section->children()) {
            const QString where = whereIs(*section, *lab);
            carry(where, lab->text());
            const LabRecord *record = catalogue.recordOf(*lab);
            if (!record) {
                problems << where + QStringLiteral(": the lab has no stored details");
                continue;
            }
            const LabRecord &r = *record;
            for (const QString &value : {r.description, r.link, r.topFile, r.picture, r.nwcFile, r.loadNwcFile})
                carry(where, value);
            for (const QString &problem : {fileProblem(QStringLiteral("lab document"), r.link, true, LabFileField::Document),
                                           fileProblem(QStringLiteral("topology file"), r.topFile, true, LabFileField::Topology),
                                           fileProblem(QStringLiteral("picture"), r.picture, false, LabFileField::Picture)}) {
                if (!problem.isEmpty())
                    problems << where + QStringLiteral(": ") + problem;
            }
            for (const QString &configuration : {r.nwcFile, r.loadNwcFile}) {
                QString problem;
                if (!trimSpaces(configuration).isEmpty()) {
                    problem = fileProblem(QStringLiteral("network configuration"), configuration, false,
                                          LabFileField::GradingConfiguration);
                    if (problem.isEmpty())
                        problem = configurationProblem(configuration);
                }
                if (!problem.isEmpty())
                    problems << where + QStringLiteral(": ") + problem;
            }
        }
    }
    return problems;
}

} // namespace fendrel
