#pragma once

#include "interaction/FileChooser.h"

#include <QList>
#include <QStringList>

namespace fendrel::test {

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
