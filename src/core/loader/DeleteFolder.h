#pragma once

#include <QString>

#include <functional>

namespace fendrel {

class Prompter;

// The outcome of deleting a folder's content: 0 for success, else the platform's error code
// and its description.
struct RemovalResult {
    int code = 0;
    QString description;
};
using ContentRemover = std::function<RemovalResult(const QString &folder)>;

// Deletes everything inside a folder, going on past failures and reporting the first one.
RemovalResult removeFolderContent(const QString &folder);

// Removes a folder with everything below it. A missing folder is no error; a failure is shown
// (FolderNotDeletedMessage and the path) and logged, and whatever could not be deleted stays.
void deleteLabFolder(const QString &folder, Prompter &prompter,
                     const ContentRemover &removeContent = removeFolderContent);

} // namespace fendrel
