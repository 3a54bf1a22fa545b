#include "package/CatalogueCheck.h"

#include "catalogue/Catalogue.h"
#include "catalogue/CatalogueEditing.h"
#include "text/TextHelpers.h"

#include <QSet>

#include <algorithm>
#include <array>
#include <thread>
#include <vector>

#include <limits>
#include <utility>

namespace fendrel {
namespace {

struct NamedFile {
    LabFileField field;
    QString path;
    bool required;
};

// The files of a lab in the order the package lists them.
std::array<NamedFile, 5> filesOf(const LabRecord &r)
{
    const auto optional = [](const QString &path) { return trimSpaces(path).isEmpty() ? QString() : path; };
    return {{{LabFileField::Document, r.link, true},
             {LabFileField::Topology, trimSpaces(r.topFile).isEmpty() ? QString() : r.topFile, true},
             {LabFileField::Picture, r.picture, false},
             {LabFileField::GradingConfiguration, optional(r.nwcFile), false},
             {LabFileField::LoadingConfiguration, optional(r.loadNwcFile), false}}};
}

class ProblemList {
public:
    void add(ProblemKind kind, const CatalogueNode *section, const CatalogueNode *lab, QStringList details = {},
             std::optional<LabFileField> field = {}, const QString &file = {})
    {
        CatalogueProblem problem;
        problem.kind = kind;
        if (section)
            problem.section = section->text();
        if (lab)
            problem.lab = lab->text();
        const CatalogueNode *node = lab ? lab : section;
        if (node)
            problem.nodeKey = node->key();
        problem.field = field;
        problem.file = file;
        problem.details = std::move(details);
        m_problems.append(std::move(problem));
    }
    // Values are refused when typed; one that came in another way (a hand-edited file, a package)
    // still cannot be written back.
    void carry(const QString &value, const CatalogueNode *section, const CatalogueNode *lab)
    {
        if (catalogueValueRefusalEntry(value))
            add(ProblemKind::ValueNotCarried, section, lab, {value});
    }
    void append(const QList<CatalogueProblem> &problems) { m_problems.append(problems); }
    QList<CatalogueProblem> take() { return std::move(m_problems); }

private:
    QList<CatalogueProblem> m_problems;
};

void checkLab(ProblemList &list, const CatalogueNode *section, const CatalogueNode *lab, const LabRecord &r,
              const CheckedFiles &files)
{
    for (const QString *value : {&r.description, &r.link, &r.linkPage, &r.topFile, &r.picture, &r.nwcFile,
                                 &r.loadNwcFile, &r.examsCovered, &r.mode, &r.sku})
        list.carry(*value, section, lab);
    for (const NamedFile &file : filesOf(r)) {
        if (file.path.isEmpty()) {
            if (file.required)
                list.add(ProblemKind::NoFileGiven, section, lab, {}, file.field);
            continue;
        }
        const LabFileFacts *facts = files.find(file.path);
        if (!facts)
            continue;
        if (const std::optional<LabFileFault> fault = labFileFault(file.field, file.path, *facts)) {
            list.add(fault->kind, section, lab, fault->details, file.field, file.path);
            continue;
        }
        const std::optional<double> page = numericValue(r.linkPage);
        if (file.field == LabFileField::Document && facts->pages && page && *page > *facts->pages)
            list.add(ProblemKind::PageBeyondEnd, section, lab, {trimSpaces(r.linkPage), QString::number(*facts->pages)},
                     file.field, file.path);
    }
}

} // namespace

QStringList filesToLookAt(const Catalogue &catalogue, const CheckedFiles &files)
{
    QStringList paths;
    QSet<QString> seen;
    // Growing these a lab at a time showed in a large catalogue's check; a lab names five files.
    const qsizetype most = qsizetype(catalogue.tree().count()) * 5;
    paths.reserve(most);
    seen.reserve(most);
    for (const CatalogueNode *section : catalogue.sections()) {
        for (const CatalogueNode *lab : section->children()) {
            const LabRecord *record = catalogue.recordOf(*lab);
            if (!record)
                continue;
            for (const NamedFile &file : filesOf(*record)) {
                if (!file.path.isEmpty() && !files.facts.contains(file.path) && !seen.contains(file.path)) {
                    seen.insert(file.path);
                    paths.append(file.path);
                }
            }
        }
    }
    return paths;
}

void lookAtFiles(const QStringList &paths, CheckedFiles &files, const DocumentPages *pages, const std::atomic_bool *stop,
                 const QString &folder)
{
    // The time goes into the system's file calls, which overlap well: the paths are shared out
    // among a few threads, each looking at every n-th run of paths into a list of its own. A run
    // keeps a lab's files together, so that their folder is found once for all of them.
    const qsizetype threads = std::clamp<qsizetype>(paths.size() / 256, 1, 4);
    constexpr qsizetype kRun = 32;
    std::vector<std::vector<std::pair<qsizetype, LabFileFacts>>> found(static_cast<std::size_t>(threads));
    const auto lookFrom = [&](qsizetype first) {
        auto &mine = found[static_cast<std::size_t>(first)];
        OpenFolder opened;
        for (qsizetype run = first * kRun; run < paths.size(); run += threads * kRun) {
            for (qsizetype i = run; i < std::min(run + kRun, paths.size()); ++i) {
                if (stop && stop->load(std::memory_order_relaxed))
                    return;
                mine.emplace_back(i, lookAtLabFile(resolvedPath(paths[i], folder), LookAt::Everything, pages, &opened));
            }
        }
    };
    std::vector<std::thread> helpers;
    for (qsizetype t = 1; t < threads; ++t)
        helpers.emplace_back(lookFrom, t);
    lookFrom(0);
    for (std::thread &helper : helpers)
        helper.join();
    files.facts.reserve(files.facts.size() + paths.size());
    for (auto &list : found) {
        for (auto &[i, facts] : list)
            files.facts.insert(paths[i], std::move(facts));
    }
}

QList<CatalogueProblem> labProblems(const Catalogue &catalogue, const CatalogueNode &section, const CatalogueNode &lab,
                                    const CheckedFiles &files)
{
    ProblemList list;
    list.carry(lab.text(), &section, &lab);
    if (const LabRecord *record = catalogue.recordOf(lab))
        checkLab(list, &section, &lab, *record, files);
    else
        list.add(ProblemKind::LabWithoutDetails, &section, &lab);
    return list.take();
}

QList<CatalogueProblem> catalogueProblems(const Catalogue &catalogue, const CheckedFiles &files,
                                          const LabProblemsSource &labProblemsOf)
{
    ProblemList list;
    list.carry(catalogue.tabTitle(), nullptr, nullptr);
    constexpr auto kMostLabs = std::numeric_limits<qint16>::max();
    for (const CatalogueNode *section : catalogue.sections()) {
        // What the load said about this section holds while the section is there.
        for (const CatalogueProblem &loaded : catalogue.loadProblems()) {
            if (loaded.nodeKey == section->key())
                list.add(loaded.kind, section, nullptr, loaded.details);
        }
        list.carry(section->text(), section, nullptr);
        const qsizetype labs = section->children().size();
        if (labs == 0)
            list.add(ProblemKind::SectionWithoutLabs, section, nullptr);
        if (labs > kMostLabs)
            list.add(ProblemKind::TooManyLabs, section, nullptr, {QString::number(labs), QString::number(kMostLabs)});
        for (const CatalogueNode *lab : section->children())
            list.append(labProblemsOf ? labProblemsOf(*section, *lab) : labProblems(catalogue, *section, *lab, files));
    }
    return list.take();
}

CatalogueCheck checkCatalogue(const Catalogue &catalogue, const DocumentPages *pages, const FileLookRunner &run)
{
    CatalogueCheck check;
    const QStringList paths = filesToLookAt(catalogue, check.files);
    const auto look = [&] { lookAtFiles(paths, check.files, pages, nullptr, catalogue.filesFolder()); };
    if (run)
        run(look);
    else
        look();
    check.problems = catalogueProblems(catalogue, check.files);
    return check;
}

} // namespace fendrel
