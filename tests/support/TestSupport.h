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

// Points the process-wide error log at a fresh folder for one test and puts it back after.
class ScopedErrorLog {
public:
    ScopedErrorLog();
    ~ScopedErrorLog();
    QString folder() const { return m_dir.path(); }
    QStringList lines() const; // the lines of the log, without their CR LF
    QStringList entries() const; // the same without their time stamps, to compare whole
    void setClock(const QDateTime &when);

private:
    QTemporaryDir m_dir;
};

} // namespace fendrel::test
