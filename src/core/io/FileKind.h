#pragma once

#include <QByteArray>
#include <QString>

#ifndef Q_OS_UNIX
#include <QFile>
#endif

namespace fendrel {

// What one stat of a path tells.
struct FileStatus {
    bool exists = false;
    bool regular = false;
    // As the permission bits grant it to this process; an access control list that takes it away
    // shows only when the file is opened.
    bool readable = false;
    qint64 size = 0;
    qint64 modified = -1; // nanoseconds since the epoch; -1 when unknown
    QString why;          // why it is no regular file, as whyNotARegularFile says it
};
FileStatus fileStatus(const QString &path);
class OpenFolder;
// The same, the path's folder held open in folder for the next path (see OpenFolder).
FileStatus fileStatus(const QString &path, OpenFolder &folder);

// Why a path is no regular file the program may open for reading, in words that go after the
// path ("does not exist", "is a folder", "is a named pipe"...), or an empty text when it is one.
// Opening a named pipe or a device to read it could wait forever, so every file the program
// reads as a member, configuration, catalogue or package is asked about first.
QString whyNotARegularFile(const QString &path);

// A file read from start to end with no look at it beyond the opening: thousands of small files
// are read this way, where every extra call counts. Opening never waits on a named pipe that
// took the place of a file after it was looked at; reading it then fails.
class ReadOnlyFile {
public:
    explicit ReadOnlyFile(const QString &path);
    // The same, found by its name in folder when folder holds the path's folder open already (or
    // can open it); folder then holds it for the next file.
    ReadOnlyFile(const QString &path, OpenFolder &folder);
    ~ReadOnlyFile();
    ReadOnlyFile(const ReadOnlyFile &) = delete;
    ReadOnlyFile &operator=(const ReadOnlyFile &) = delete;

    bool isOpen() const;
    // Up to size bytes; fewer only at the end of the file; -1 on failure.
    qint64 read(char *into, qint64 size);
    // What the open file is now (a stat of it, not of its path).
    FileStatus status() const;
    // Why opening or the last read failed, in the system's words.
    QString errorString() const;

    // Up to limit bytes from the start of the file at path; false, with why set, when it cannot be read.
    static bool readHead(const QString &path, qint64 limit, QByteArray *bytes, QString *why,
                         OpenFolder *folder = nullptr);

private:
#ifdef Q_OS_UNIX
    int m_fd = -1;
    int m_error = 0;
#else
    QFile m_file;
#endif
};

// The folder of the last file opened through it, kept open, so that the next file in the same
// folder is found by its name alone: walking a long path again for each of thousands of files
// costs the system more than reading them.
class OpenFolder {
public:
    OpenFolder() = default;
    ~OpenFolder();
    OpenFolder(const OpenFolder &) = delete;
    OpenFolder &operator=(const OpenFolder &) = delete;

private:
    friend class ReadOnlyFile;
    friend FileStatus fileStatus(const QString &path, OpenFolder &folder);
#ifdef Q_OS_UNIX
    int holding(const QByteArray &encodedPath, const char **name);
    QByteArray m_path;
    int m_fd = -1;
#endif
};

} // namespace fendrel
