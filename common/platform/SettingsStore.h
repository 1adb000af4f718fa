#pragma once

#include <QList>
#include <QPair>
#include <QString>

namespace levy {

// The per-user settings store: string values by application, section and key.
// A missing key reads as the default; every write reaches the disk before it returns,
// or raises an error.
QString GetSetting(const QString& application, const QString& section, const QString& key,
                   const QString& defaultValue = {});
void SaveSetting(const QString& application, const QString& section, const QString& key,
                 const QString& value);

// Writes several values of one section together: all of them reach the disk, or none.
void SaveSettings(const QString& application, const QString& section, const QList<QPair<QString, QString>>& values);

// Where the store of an application lies: $XDG_CONFIG_HOME/<application>/<application>.ini.
QString SettingsFilePath(const QString& application);

} // namespace levy
