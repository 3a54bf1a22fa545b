#pragma once

#include <QString>

namespace fendrel {

// Folders a process makes for its own scratch work carry its process id after a fixed prefix
// ("<prefix><pid>" or "<prefix><pid>-<anything>"), so that what a killed run left behind can be
// told from what a running one is using.
QString processFolderName(const QString &prefix);

// Removes the folders in parent named by prefix whose process is gone. Folders of live
// processes, and of processes this one may not ask about, stay.
void removeFoldersOfGoneProcesses(const QString &parent, const QString &prefix);

} // namespace fendrel
