#pragma once

#include <QString>

namespace fendrel {

class Catalogue;
class Prompter;

// The catalogue as edited, written beside the catalogue file (in the data folder's "recovery"
// folder, under the catalogue file's own name) soon after every change and removed once the
// catalogue is saved, so that a crash or a kill loses no edit.
QString recoveryFile(const QString &appDataFolder);

// Writes the recovery file in one step; false, with the reason, when it cannot be written.
bool writeRecovery(const Catalogue &catalogue, Prompter &prompter, const QString &appDataFolder, QString *failure);
void removeRecovery(const QString &appDataFolder);

// Whether a recovery file is there that holds something the catalogue file does not.
bool recoveryDiffers(const QString &appDataFolder);

// Loads the recovery file into the catalogue; saving then writes the data folder's catalogue file.
void restoreRecovery(Catalogue &catalogue, Prompter &prompter, const QString &appDataFolder);

} // namespace fendrel
