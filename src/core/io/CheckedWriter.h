#pragma once

#include <QByteArrayView>
#include <QSaveFile>
#include <QString>

namespace fendrel {

// The one way the program writes a file that somebody keeps: the new bytes go to a temporary
// file beside the target, every write and the final sync are checked, and only a file written
// whole replaces the target. A buffered QSaveFile can report a write that the disk refused as
// committed, so nothing here is buffered and nothing is committed after a failure.
class CheckedWriter {
public:
    explicit CheckedWriter(const QString &path);
    CheckedWriter(const CheckedWriter &) = delete;
    CheckedWriter &operator=(const CheckedWriter &) = delete;

    bool open();
    bool write(QByteArrayView bytes);
    // Syncs the bytes and puts the file in place; false, and the target untouched, after any failure.
    bool commit();
    void cancel();

    // "<path> cannot be written: <reason>" once something failed.
    const QString &error() const { return m_error; }
    // The system's error number of the failure, 0 when it gave none.
    int systemError() const { return m_systemError; }

private:
    bool fail(int systemError, const QString &fallbackReason);

    QString m_path;
    QSaveFile m_file;
    QString m_error;
    int m_systemError = 0;
    bool m_failed = false;
};

// Writes all of bytes to an unbuffered file, however many calls it takes; false, with the system's
// error number (0 when it gave none), at the first write the system refuses.
bool writeWhole(QIODevice &file, QByteArrayView bytes, int *systemError);

// A system error number in the program's own words, or fallback for one it has no words for.
QString systemErrorReason(int systemError, const QString &fallback);
// "<path> cannot be written: <reason>".
QString cannotBeWritten(const QString &path, int systemError, const QString &fallback);

} // namespace fendrel
