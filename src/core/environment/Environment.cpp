#include "environment/Environment.h"

#include "errorlog/ErrorLog.h"
#include "startup/Folders.h"
#include "startup/LanguageTable.h"

#include <QCoreApplication>

namespace fendrel {

bool prepareEnvironment(const QString &dataDirOverride, QString *errorMessage)
{
    folders() = Folders::resolve(QCoreApplication::applicationDirPath(), ShellFolders::system(), dataDirOverride);
    if (!loadLanguageTable(folders().program, errorMessage))
        return false;
    errorLog().initialize(folders().appData, folders().program);
    return true;
}

} // namespace fendrel
