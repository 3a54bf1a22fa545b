#pragma once

#include <QString>
#include <QStringList>

namespace fendrel {

// The per-user settings store: a text value under application, section and key.
// Each application name is its own INI file in the user's configuration folder.
QString getSetting(const QString &application, const QString &section, const QString &key,
                   const QString &defaultValue);
bool saveSetting(const QString &application, const QString &section, const QString &key,
                 const QString &value);

// "FendrelWiz": 1 opens the lab wizard at start-up (the default), 0 does not.
qint16 getWizardSetting();
bool saveWizardSetting(qint16 value);

// Fendrel's own settings, in a file of their own rather than the simulator's.
// The folder a kind of file dialog last chose from ("Document", "PackageOpen", ...); empty when none.
QString getDialogFolder(const QString &dialog);
bool saveDialogFolder(const QString &dialog, const QString &folder);
// The packages last opened or compiled, newest first.
QStringList getRecentPackages();
bool saveRecentPackages(const QStringList &paths);

} // namespace fendrel
