#pragma once

#include "catalogue/CatalogueTree.h"
#include "catalogue/KeyCounter.h"

#include <QString>

namespace fendrel {

inline const QString kCatalogueFileName = QStringLiteral("Fendrel.ini");

// The catalogue being edited: its tree, the key counter that names its labs, the tab title
// as typed and the catalogue file it came from. The lab records live in the key array.
struct Catalogue {
    CatalogueTree tree;
    KeyCounter keys;
    QString tabTitle;
    QString iniPath;
};

} // namespace fendrel
