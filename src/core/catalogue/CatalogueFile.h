#pragma once

#include <QByteArray>
#include <QStringList>

#include <optional>

namespace fendrel {

class Catalogue;
class Prompter;

// The lines of the catalogue file for the current tree and records, exactly as the sequence
// of writeIni calls (tab, then each section with its labs, twelve keys a lab) leaves them.
// A lab node without a record shows LabNotSavedMessage and is saved with its name only.
QStringList catalogueFileLines(const Catalogue &catalogue, Prompter &prompter);

// The bytes saveIni writes for a catalogue of labs, or none, with failure set, when the catalogue
// cannot be saved without losing labs.
std::optional<QByteArray> catalogueFileBytes(const Catalogue &catalogue, Prompter &prompter, QString *failure = nullptr);

// Writes the catalogue file in one go; the old file stays whole until the new one is complete.
// A catalogue of the tab alone leaves no file. False when the file could not be written.
bool saveIni(const Catalogue &catalogue, Prompter &prompter, QString *failure = nullptr);

} // namespace fendrel
