#pragma once

#include <QString>

namespace fendrel {

// What one stat of a path tells.
struct FileStatus {
    bool exists = false;
    bool regular = false;
    qint64 size = 0;
    QString why; // why it is no regular file, as whyNotARegularFile says it
};
FileStatus fileStatus(const QString &path);

// Why a path is no regular file the program may open for reading, in words that go after the
// path ("does not exist", "is a folder", "is a named pipe"...), or an empty text when it is one.
// Opening a named pipe or a device to read it could wait forever, so every file the program
// reads as a member, configuration, catalogue or package is asked about first.
QString whyNotARegularFile(const QString &path);

} // namespace fendrel
