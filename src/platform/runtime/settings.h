#pragma once
// The per-user settings store: text values addressed by application, section
// and key (exact, case-sensitive). Each application name is one INI file in
// ${XDG_CONFIG_HOME:-$HOME/.config}/video-image-capture/.

#include <QString>

namespace rt {

QString ConfigFolder();
QString SettingsFile(const QString& application);

// A missing, unreadable or corrupt file reads as the default.
QString GetSetting(const QString& application, const QString& section, const QString& key,
                   const QString& defaultValue);
// Replaces the file atomically, creating it and its folder on first save.
// False when it could not be written; the old file is then unchanged.
bool SaveSetting(const QString& application, const QString& section, const QString& key,
                 const QString& value);

}  // namespace rt
