#pragma once

#include "catalogue/LabRecord.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace fendrel {

// What a problem does to the package, worst first.
enum class ProblemSeverity {
    CannotBuild, // the compiler stops, or the package would lack what the catalogue holds; nothing overrides it
    OpensWrong,  // a package is built, but opening it gives other labs than the catalogue shows
    Warning,     // worth knowing; never stops a compilation
};

enum class ProblemKind {
    ValueNotCarried,     // a name or field the catalogue file cannot hold
    TooManyLabs,         // a section counts more labs than the file's 16-bit counts carry
    TooManyLabsLoaded,   // the file counted more labs than it can carry; none were loaded
    SectionsMerged,      // the file named a section twice, letter case aside
    LabWithoutDetails,   // a lab node without its record
    NoFileGiven,         // a lab without document or topology file
    FileNotThere,
    NotAFile,            // a folder, a pipe or a device where a file belongs
    FileNotReadable,
    WrongKind,           // an extension that opening the package routes to another field
    NotAPicture,         // named like a picture, but not one Fendrel can read
    PackageFolderGone,   // the file was extracted from a package into a folder that is gone
    NwcUnknownLine,      // 115
    NwcCountMismatch,    // 116
    NwcDeviceMissing,    // 117, 118
    NwcEmpty,            // 119
    SectionWithoutLabs,
    PageBeyondEnd,
};

// One problem of a catalogue, as data: the window lists it, the command line prints or writes it
// as JSON, the compiler decides by its severity. Texts are made from it only when shown.
struct CatalogueProblem {
    ProblemKind kind = ProblemKind::FileNotThere;
    QString section;                  // empty for the tab title
    QString lab;                      // empty for a section or the tab
    QString nodeKey;                  // the tree key of the lab (or section) it belongs to
    std::optional<LabFileField> field; // the field naming file, when it is about a file
    QString file;
    QStringList details;              // the particulars its text names, in order (counts, a name, a reason)

    bool operator==(const CatalogueProblem &) const = default;
};

ProblemSeverity severityOf(const CatalogueProblem &problem);
// "cannot build", "opens wrong", "warning".
QString severityText(ProblemSeverity severity);
// A stable English name for JSON: "cannot-build", "opens-wrong", "warning"; and the kind's, e.g. "wrong-kind".
QString severityId(ProblemSeverity severity);
QString kindId(ProblemKind kind);
// The cause in the program's words. About a file it reads after the file's name ("is not there").
QString problemCause(const CatalogueProblem &problem);
// "section / lab: file: cause", the form the command line prints.
QString problemLine(const CatalogueProblem &problem);

// The worst severity in a list, or none for an empty list.
std::optional<ProblemSeverity> worstSeverity(const QList<CatalogueProblem> &problems);

} // namespace fendrel
