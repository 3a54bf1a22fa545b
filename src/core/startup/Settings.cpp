#include "startup/Settings.h"

#include <QSettings>

namespace fendrel {
namespace {

const QString kWizardApplication = QStringLiteral("Zelvan Nodara");
const QString kWizardSection = QStringLiteral("Settings");
const QString kWizardKey = QStringLiteral("FendrelWiz");
const QString kOwnApplication = QStringLiteral("Fendrel");
const QString kDialogFolderSection = QStringLiteral("DialogFolders");
const QString kRecentKey = QStringLiteral("RecentPackages/Paths");

QString settingPath(const QString &section, const QString &key)
{
    return section + u'/' + key;
}

} // namespace

QString getSetting(const QString &application, const QString &section, const QString &key,
                   const QString &defaultValue)
{
    const QSettings store(QSettings::IniFormat, QSettings::UserScope, application);
    return store.value(settingPath(section, key), defaultValue).toString();
}

bool saveSetting(const QString &application, const QString &section, const QString &key,
                 const QString &value)
{
    QSettings store(QSettings::IniFormat, QSettings::UserScope, application);
    if (!store.isWritable())
        return false;
    store.setValue(settingPath(section, key), value);
    store.sync();
    return store.status() == QSettings::NoError;
}

qint16 getWizardSetting()
{
    bool ok = false;
    const int value = getSetting(kWizardApplication, kWizardSection, kWizardKey, QStringLiteral("1"))
                          .trimmed()
                          .toInt(&ok);
    // A value that is not a 16-bit number cannot have been stored by the program; show the wizard.
    if (!ok || value < -32768 || value > 32767)
        return 1;
    return static_cast<qint16>(value);
}

bool saveWizardSetting(qint16 value)
{
    return saveSetting(kWizardApplication, kWizardSection, kWizardKey, QString::number(value));
}

QString getDialogFolder(const QString &dialog)
{
    return getSetting(kOwnApplication, kDialogFolderSection, dialog, {});
}

bool saveDialogFolder(const QString &dialog, const QString &folder)
{
    return saveSetting(kOwnApplication, kDialogFolderSection, dialog, folder);
}

QStringList getRecentPackages()
{
    const QSettings store(QSettings::IniFormat, QSettings::UserScope, kOwnApplication);
    return store.value(kRecentKey).toStringList();
}

bool saveRecentPackages(const QStringList &paths)
{
    QSettings store(QSettings::IniFormat, QSettings::UserScope, kOwnApplication);
    if (!store.isWritable())
        return false;
    store.setValue(kRecentKey, paths);
    store.sync();
    return store.status() == QSettings::NoError;
}

} // namespace fendrel
