#pragma once

#include "catalogue/CatalogueProblem.h"
#include "catalogue/LabRecord.h"
#include "io/FileKind.h"
#include "package/NetworkConfiguration.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace fendrel {

class DocumentPages;
class Prompter;

// What a package member is, by its name, as opening a package routes it: the catalogue, one of
// the files a lab counts (its document, picture, topology or configurations), or anything else
// (device configurations among them).
enum class MemberRoute { Catalogue, Document, Picture, LoadingConfiguration, Topology, GradingConfiguration, Other };

MemberRoute routeOf(const QString &memberName);

// What one look at a file a lab names tells: one stat, and for the kinds that have more to them
// one reading: the picture check for a picture, the configuration check for a ".nwc", the page
// count of a PDF when a counter is given. The catalogue check, the compiler and the Browse
// buttons all decide from this.
struct LabFileFacts {
    FileStatus status;
    bool readable = false;
    bool image = false; // named as a picture and one Fendrel can read
    std::optional<NetworkConfigurationCheck> configuration;
    std::optional<int> pages;
};

// NotConfiguration leaves a configuration's content to the configuration check, whose messages
// say it as the compiler does.
enum class LookAt { Everything, NotConfiguration };
// folder, when given, keeps the file's folder open for the next look (see OpenFolder).
LabFileFacts lookAtLabFile(const QString &path, LookAt depth = LookAt::Everything, const DocumentPages *pages = nullptr,
                           OpenFolder *folder = nullptr);

// Why a file cannot serve in a lab field: the problem kind with its particulars, or none. The
// kinds are those that opening the package routes by name: a file of another kind would land in
// the wrong place, or count for the wrong lab, when the package is opened again. A configuration's
// content counts only when the facts hold its check.
struct LabFileFault {
    ProblemKind kind;
    QStringList details;
};
std::optional<LabFileFault> labFileFault(LabFileField field, const QString &path, const LabFileFacts &facts);

// The same as words that follow the file's path ("is not there", "is not a lab document (.pdf, .doc
// or .txt)"), or an empty text when the file can serve. Every place that takes a file for a lab asks here.
QString labFileRefusal(LabFileField field, const QString &path);

// The same check, said to the author (FileRefusedMessage, naming the file); true when refused.
bool refuseLabFile(LabFileField field, const QString &path, Prompter &prompter);

} // namespace fendrel
