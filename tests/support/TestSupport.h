#pragma once

#include "interaction/FileChooser.h"
#include "interaction/Prompter.h"

#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QList>
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

inline QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
}

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

// Records every message and answers questions from a queue (Yes when it runs dry).
class ScriptedPrompter : public Prompter {
public:
    struct Shown {
        QString text;
        MessageIcon icon;
        MessageButtons buttons;
        QString title;
    };

    MessageAnswer show(const QString &text, MessageIcon icon, MessageButtons buttons, const QString &title) override
    {
        shown.append({text, icon, buttons, title});
        if (buttons == MessageButtons::Ok)
            return MessageAnswer::Ok;
        return answers.isEmpty() ? MessageAnswer::Yes : answers.takeFirst();
    }

    QStringList texts() const
    {
        QStringList result;
        for (const Shown &s : shown)
            result << s.text;
        return result;
    }

    QList<Shown> shown;
    QList<MessageAnswer> answers;
};


// Records every dialog request and answers from a queue; an empty answer, or a dry queue, is a cancel.
class ScriptedFileChooser : public FileChooser {
public:
    QStringList choose(const FileRequest &request) override
    {
        requests.append(request);
        const QString answer = answers.isEmpty() ? QString() : answers.takeFirst();
        return answer.isEmpty() ? QStringList() : QStringList{answer};
    }

    QList<FileRequest> requests;
    QStringList answers;
};

} // namespace fendrel::test
