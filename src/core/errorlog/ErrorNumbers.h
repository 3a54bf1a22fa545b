#pragma once

#include <QString>
#include <QtGlobal>

namespace fendrel {

// The numbers the error log gives failures. A complaint of the program's own, which is no
// run-time failure, is logged with 0; run-time failures keep the numbers of the classic
// run-time library the log has always used, so that old and new logs read alike.
inline constexpr qint32 kErrComplaint = 0;
inline constexpr qint32 kErrOverflow = 6;
inline constexpr qint32 kErrOutOfMemory = 7;
inline constexpr qint32 kErrSubscriptOutOfRange = 9;
inline constexpr qint32 kErrTypeMismatch = 13;
inline constexpr qint32 kErrFileNotFound = 53;
inline constexpr qint32 kErrDeviceIo = 57;
inline constexpr qint32 kErrInputPastEnd = 62;
inline constexpr qint32 kErrFileAccess = 75;
inline constexpr qint32 kErrElementNotFound = 35601;
inline constexpr qint32 kErrKeyNotUnique = 35602;

// The descriptions logged with a number when nothing more precise is known.
inline const QString kErrOutOfMemoryText = QStringLiteral("Out of memory");
inline const QString kErrSubscriptOutOfRangeText = QStringLiteral("Subscript out of range");
inline const QString kErrInputPastEndText = QStringLiteral("Input past end of file");
inline const QString kErrElementNotFoundText = QStringLiteral("Element not found");
inline const QString kErrKeyNotUniqueText = QStringLiteral("Key is not unique in collection");

} // namespace fendrel
