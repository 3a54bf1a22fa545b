#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace fendrel {

// Every 8-bit text on disk (catalogue file, member names, language file) is Windows-1252,
// whatever the locale of the machine; characters it cannot hold become "?".
QByteArray toWindows1252(QStringView text);
void appendWindows1252(QByteArray &out, QStringView text);
QString fromWindows1252(QByteArrayView bytes);
// Whether every character of the text has a Windows-1252 byte.
bool fitsWindows1252(QStringView text);

} // namespace fendrel
