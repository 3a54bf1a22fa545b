#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <ostream>

// Readable failure messages for texts and lists of texts.
inline void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace fendrel::test {

QByteArray readFile(const QString &path);
void writeFile(const QString &path, const QByteArray &bytes);

// The process id of a process that has ended: what a killed run leaves behind carries one.
qint64 pidOfAnEndedProcess();

// Points the process-wide error log at a fresh folder for one test and puts it back after.
class ScopedErrorLog {
public:
    ScopedErrorLog();
    ~ScopedErrorLog();
    QStringList lines() const; // the lines of the log, without their CR LF
    QStringList entries() const; // the same without their time stamps, to compare whole
    void setClock(const QDateTime &when);

private:
    QTemporaryDir m_dir;
};

// Lowers the largest file this process may write, as a full disk would stop a write part-way,
// and puts it back after. Writing past it fails with EFBIG instead of raising SIGXFSZ.
class FileSizeLimit {
public:
    explicit FileSizeLimit(qint64 bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

private:
    qint64 m_saved;
    void (*m_savedHandler)(int);
};

} // namespace fendrel::test
