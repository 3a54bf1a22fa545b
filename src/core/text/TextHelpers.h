#pragma once

#include <QString>
#include <QStringView>

namespace fendrel {

// Only spaces are trimmed, as the catalogue file and the typed names always have been.
QString trimSpaces(const QString &text);
// The text without the given characters at either end.
QString trimmedOf(const QString &text, QStringView characters);

// Appends "/" unless the path already ends with a separator or is empty.
QString withTrailingSeparator(const QString &path);

// The file name of a path: the text after its last "/" or "\" (the whole text without one).
QString fileNameOfPath(const QString &path);

} // namespace fendrel
