#pragma once

#include "catalogue/LabRecord.h"
#include "interaction/FileChooser.h"

#include <QList>
#include <QString>

namespace fendrel::gui {

// The kinds of file dialog that each remember where the last file was chosen from. The lab wizard
// shares them with the main window: a topology is looked for where the last one was found.
enum class DialogKind { Document, Topology, Picture, Configuration, PackageOpen, PackageSave };

DialogKind dialogKindOf(LabFileField field);

// A dialog's filter list: "All supported files" (every pattern of the kinds), the kinds, "All files".
QList<FileFilter> withAllSupported(const QList<FileFilter> &kinds);

// Asks the chooser, starting in the folder the last file of that kind was chosen from (and in the
// request's own folder until there is one), and remembers the folder of what is chosen now.
QStringList chooseRemembered(FileChooser &chooser, DialogKind kind, FileRequest request);
QString chooseRememberedFile(FileChooser &chooser, DialogKind kind, const FileRequest &request);

// The file name the compile dialog suggests: the tab title with what a file name cannot hold
// replaced, and ".lab"; empty when nothing of the title is left.
QString suggestedPackageName(const QString &tabTitle);

} // namespace fendrel::gui
