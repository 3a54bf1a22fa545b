#pragma once

#include "startup/LanguageEntries.h"

#include <QString>

#include <optional>

namespace fendrel {

// What the editing commands make of typed text; the commands themselves are the catalogue's
// (Catalogue.h).

// A typed lab or section name: first character upper-cased, the rest as typed.
QString capitalizeFirst(const QString &text);
// Why a typed or chosen text cannot be kept by the catalogue file, or an empty text when it can:
// both brackets (read back as a section header), "=", a line break, or a character outside
// Windows-1252. The entry says which, with the value in it.
std::optional<LangEntry> catalogueValueRefusalEntry(const QString &value);
QString catalogueValueRefusal(const QString &value);
// The page number the page-link window reports: lower-cased and trimmed, and only if numeric.
std::optional<QString> pageNumberValue(const QString &value);

} // namespace fendrel
