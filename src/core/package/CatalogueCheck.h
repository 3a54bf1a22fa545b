#pragma once

#include "catalogue/CatalogueProblem.h"
#include "package/LabFileKind.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>

namespace fendrel {

class Catalogue;
class CatalogueNode;
class DocumentPages;

// What the check learned about each file the labs name, by path. The compiler takes it over, so
// that no file is looked at twice between the check and the package.
struct CheckedFiles {
    QHash<QString, LabFileFacts> facts;
    const LabFileFacts *find(const QString &path) const
    {
        const auto it = facts.constFind(path);
        return it == facts.constEnd() ? nullptr : &*it;
    }
};

// The paths the labs name that files does not hold yet, each once. Touches no file.
QStringList filesToLookAt(const Catalogue &catalogue, const CheckedFiles &files);

// Looks at each path (lookAtLabFile) into files, on a few threads of its own. It reads no
// catalogue, so it may itself run on a worker thread over a copy of the paths; a set stop flag
// ends it early with what it found so far. A relative path is looked for in folder (see
// Catalogue::filesFolder) and kept in files as it was given.
void lookAtFiles(const QStringList &paths, CheckedFiles &files, const DocumentPages *pages = nullptr,
                 const std::atomic_bool *stop = nullptr, const QString &folder = {});

// The problems of one lab (its name, its record, its files as files holds them).
QList<CatalogueProblem> labProblems(const Catalogue &catalogue, const CatalogueNode &section, const CatalogueNode &lab,
                                    const CheckedFiles &files);

// Where catalogueProblems takes each lab's problems from, when not from labProblems: a window
// that keeps them per lab re-checks only the labs a change touched.
using LabProblemsSource = std::function<QList<CatalogueProblem>(const CatalogueNode &section, const CatalogueNode &lab)>;

// Every problem of the catalogue, from its tree, its records, its last load and what files holds
// about the files it names; a file not looked at yet is passed over. Touches no file. In tree
// order: the tab, then section by section, each lab's problems in the order of its fields.
QList<CatalogueProblem> catalogueProblems(const Catalogue &catalogue, const CheckedFiles &files,
                                          const LabProblemsSource &labProblemsOf = {});

struct CatalogueCheck {
    QList<CatalogueProblem> problems;
    CheckedFiles files;
};

// Runs the look at the files (which reads no catalogue) and returns once it is done: a window
// runs it on a thread of its own and meanwhile keeps answering its events.
using FileLookRunner = std::function<void(const std::function<void()> &look)>;

// The whole check at once: every file looked at (through run, when given), every problem found.
CatalogueCheck checkCatalogue(const Catalogue &catalogue, const DocumentPages *pages = nullptr,
                              const FileLookRunner &run = {});

} // namespace fendrel
