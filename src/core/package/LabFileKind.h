#pragma once

#include <QString>

namespace fendrel {

// What a package member is, by its name, as opening a package routes it: the catalogue, one of
// the files a lab counts (its document, picture, topology or configurations), or anything else
// (device configurations among them).
enum class MemberRoute { Catalogue, Document, Picture, LoadingConfiguration, Topology, GradingConfiguration, Other };

MemberRoute routeOf(const QString &memberName);

// The fields of a lab that name a file.
enum class LabFileField { Document, Topology, Picture, GradingConfiguration, LoadingConfiguration };

// Why a file cannot serve in a lab field, in words that follow its path ("is a folder, not a
// file", "is not a lab document (.pdf, .doc or .txt)", "is not a picture that Fendrel can read"),
// or an empty text when it can. The kinds are those that opening the package routes by name: a
// file of another kind would land in the wrong place, or count for the wrong lab, when the
// package is opened again. Every place that takes a file for a lab asks here.
QString labFileRefusal(LabFileField field, const QString &path);

class Prompter;
// The same check, said to the author (FileRefusedMessage, naming the file); true when refused.
bool refuseLabFile(LabFileField field, const QString &path, Prompter &prompter);

} // namespace fendrel
