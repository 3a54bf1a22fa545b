#pragma once

#include <QString>
#include <QStringView>

#include <optional>

namespace fendrel {

// Only spaces are trimmed, as the catalogue file and the typed names always have been.
QString trimSpaces(const QString &text);
// The text without the given characters at either end.
QString trimmedOf(const QString &text, QStringView characters);

// Appends "/" unless the path already ends with a separator or is empty.
QString withTrailingSeparator(const QString &path);

// The file name of a path: the text after its last "/" or "\" (the whole text without one).
QString fileNameOfPath(const QString &path);

// Where a path the catalogue names is read from: a relative path inside folder, an absolute one
// (or any path, when folder is empty) as it stands.
QString resolvedPath(const QString &path, const QString &folder);

// The value of a numeric text: a decimal number as the C locale reads it (a sign, a decimal point
// and an exponent allowed, blanks around it ignored) that is finite. "nan", "inf" and a number
// too large for a double are text like any other.
std::optional<double> numericValue(const QString &text);

} // namespace fendrel
