#pragma once
// The per-user settings store: text values addressed by application, section
// and key. Each application name is one INI file in
// ${XDG_CONFIG_HOME:-$HOME/.config}/video-image-capture/.
//
// Files are read as people write them: section and key names in any case,
// blanks around names and '=', indented lines, any line ends (LF, CR LF,
// CR). A save changes only the value it stores; comments, other keys and
// bytes that are not UTF-8 stay as they were.

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
