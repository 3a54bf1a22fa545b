#include "loader/DeleteFolder.h"

#include "errorlog/ErrorLog.h"
#include "interaction/Prompter.h"

#include <QDir>
#include <QFileInfo>

#include <filesystem>
#include <system_error>

namespace fendrel {

RemovalResult removeFolderContent(const QString &folder)
{
    namespace fs = std::filesystem;
    RemovalResult result;
    std::error_code ec;
    const fs::path root(folder.toStdU16String());
    fs::directory_iterator it(root, ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        std::error_code removeError;
        fs::remove_all(it->path(), removeError);
        if (removeError && result.code == 0)
            result = {removeError.value(), QString::fromStdString(removeError.message())};
    }
    if (ec && result.code == 0)
        result = {ec.value(), QString::fromStdString(ec.message())};
    return result;
}

void deleteLabFolder(const QString &folder, Prompter &prompter, const ContentRemover &removeContent)
{
    if (!QFileInfo(folder).isDir())
        return;
    const RemovalResult result = removeContent(folder);
    if (result.code != 0) {
        prompter.message(LangEntry::FolderNotDeletedMessage, MessageIcon::Exclamation, MessageButtons::Ok, folder);
        logError(QStringLiteral("Delete Lab Folder"), QStringLiteral("DeleteFolder"), result.code, result.description);
        return;
    }
    QString path = folder;
    while (path.size() > 1 && (path.endsWith(u'/') || path.endsWith(u'\\')))
        path.chop(1);
    if (QFileInfo(path).isDir())
        QDir().rmdir(path);
}

} // namespace fendrel
