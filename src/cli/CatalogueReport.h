#pragma once

#include "cli/Command.h"

#include "catalogue/CatalogueProblem.h"

#include <QJsonArray>
#include <QList>
#include <QTemporaryDir>

#include <memory>

namespace fendrel {
class Catalogue;
}

namespace fendrel::cli {

// A catalogue file loaded as the window loads it, from a copy in a scratch folder of its own so
// that the file itself stays as it was. Null after a message when it cannot be.
struct LoadedCatalogue {
    std::unique_ptr<QTemporaryDir> work;
    std::unique_ptr<Catalogue> catalogue;
    ~LoadedCatalogue();
};
// input: the catalogue file, or the data folder's when empty.
std::unique_ptr<LoadedCatalogue> loadCatalogueCopy(QString &input, const CliContext &context);

// The report, one line per problem on err: "severity: section / lab: file: cause".
void printProblems(const QString &input, const QList<CatalogueProblem> &problems, const CliContext &context);
// The same as JSON: severity, kind, section, lab, field, file and cause of each.
QJsonArray problemsJson(const QList<CatalogueProblem> &problems);

} // namespace fendrel::cli
