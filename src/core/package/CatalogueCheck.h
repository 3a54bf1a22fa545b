#pragma once

#include <QStringList>

namespace fendrel {

class Catalogue;

// Everything that would keep a catalogue from compiling into a complete package: labs without
// details, missing or unreadable files, network configurations that fail their check, and
// values the catalogue file cannot carry. One line each, naming the section and lab.
QStringList findCatalogueProblems(const Catalogue &catalogue);

// The files the labs name that are not there (or are no files), one line each naming the section
// and lab: what the window reports at once after a start or an open, rather than one at a time
// when compiling.
QStringList findMissingFiles(const Catalogue &catalogue);

} // namespace fendrel
