#include "catalogue/CatalogueRecovery.h"

#include "catalogue/Catalogue.h"
#include "catalogue/CatalogueFile.h"
#include "catalogue/Ini.h"
#include "text/TextHelpers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace fendrel {
namespace {

QString recoveryFolder(const QString &appDataFolder)
{
    return withTrailingSeparator(appDataFolder) + QStringLiteral("recovery/");
}

QByteArray contentOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

QString recoveryFile(const QString &appDataFolder)
{
    return recoveryFolder(appDataFolder) + kCatalogueFileName;
}

bool writeRecovery(const Catalogue &catalogue, Prompter &prompter, const QString &appDataFolder, QString *failure)
{
    if (!QDir().mkpath(recoveryFolder(appDataFolder))) {
        *failure = QStringLiteral("The folder %1 cannot be created").arg(recoveryFolder(appDataFolder));
        return false;
    }
    return writeIniFile(recoveryFile(appDataFolder), catalogueFileLines(catalogue, prompter), failure);
}

void removeRecovery(const QString &appDataFolder)
{
    QFile::remove(recoveryFile(appDataFolder));
    QDir().rmdir(recoveryFolder(appDataFolder));
}

bool recoveryDiffers(const QString &appDataFolder)
{
    const QString recovery = recoveryFile(appDataFolder);
    return QFileInfo(recovery).isFile()
        && contentOf(recovery) != contentOf(withTrailingSeparator(appDataFolder) + kCatalogueFileName);
}

void restoreRecovery(Catalogue &catalogue, Prompter &prompter, const QString &appDataFolder)
{
    catalogue.createNewTree(prompter, appDataFolder, recoveryFolder(appDataFolder));
    catalogue.setIniPath(withTrailingSeparator(appDataFolder) + kCatalogueFileName);
}

} // namespace fendrel
