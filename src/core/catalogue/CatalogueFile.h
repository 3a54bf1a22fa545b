#pragma once

#include <QStringList>

namespace fendrel {

struct Catalogue;
class KeyArray;
class Prompter;
class SkuTree;

// The lines of the catalogue file for the current tree and records, exactly as the sequence
// of writeIni calls (tab, then each section with its labs, twelve keys a lab) leaves them.
// A lab node without a record shows LabNotSavedMessage and is saved with its name only.
QStringList catalogueFileLines(const Catalogue &catalogue, const KeyArray &records, Prompter &prompter);

// Writes the catalogue file in one go; the old file stays whole until the new one is complete.
// A catalogue of the tab alone leaves no file. False when the file could not be written.
bool saveIni(const Catalogue &catalogue, const KeyArray &records, Prompter &prompter);

// Reads the catalogue file of iniFolder (or of appDataFolder when empty) into the tree and the
// key array, making and recording SKUs where the file has none. Sections after a gap in the
// numbering are not read.
void createNewTree(Catalogue &catalogue, KeyArray &records, SkuTree &skus, Prompter &prompter,
                   const QString &appDataFolder, const QString &iniFolder = {});

} // namespace fendrel
