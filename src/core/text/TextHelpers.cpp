#include "text/TextHelpers.h"

#include <QDir>

#include <algorithm>
#include <cmath>

namespace fendrel {

QString trimmedOf(const QString &text, QStringView characters)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && characters.contains(text[begin]))
        ++begin;
    while (end > begin && characters.contains(text[end - 1]))
        --end;
    return text.mid(begin, end - begin);
}

QString trimSpaces(const QString &text)
{
    return trimmedOf(text, u" ");
}

QString withTrailingSeparator(const QString &path)
{
    if (path.isEmpty() || path.endsWith(u'/') || path.endsWith(u'\\'))
        return path;
    return path + u'/';
}

QString fileNameOfPath(const QString &path)
{
    const qsizetype cut = std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
    return path.mid(cut + 1);
}

QString resolvedPath(const QString &path, const QString &folder)
{
    if (folder.isEmpty() || path.isEmpty() || !QDir::isRelativePath(path))
        return path;
    return withTrailingSeparator(folder) + path;
}

std::optional<double> numericValue(const QString &text)
{
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

} // namespace fendrel
