#pragma once

#include <QStringList>

namespace fendrel {

class Catalogue;

// Everything that would keep a catalogue from compiling into a complete package: labs without
// details, missing or unreadable files, network configurations that fail their check, and
// values the catalogue file cannot carry. One line each, naming the section and lab.
QStringList findCatalogueProblems(const Catalogue &catalogue);

} // namespace fendrel
