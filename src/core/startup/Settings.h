#pragma once

#include <QString>

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

} // namespace fendrel
