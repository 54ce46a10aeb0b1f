#pragma once
// The per-user settings store: text values addressed by application, section
// and key. Each application name is one INI file in
// ${XDG_CONFIG_HOME:-$HOME/.config}/video-image-capture/.
//
// Files are read as people write them: section and key names in any case,
// blanks around names and '=', indented lines, any line ends (LF, CR LF,
// CR). A save changes only the value it stores; comments, other keys and
// bytes that are not UTF-8 stay as they were.
//
// A file that exists but cannot be read (no permission, not a regular file,
// larger than kMaxSettingsBytes, a read error) reads as the defaults and is
// never replaced: every save into it is refused. It is told once per file.

#include <QString>
#include <functional>
#include <optional>

namespace rt {

QString ConfigFolder();
QString SettingsFile(const QString& application);

// Larger settings files are not read at all: nobody writes such a file by
// hand, and reading it would cost the start-up its memory and time.
constexpr qint64 kMaxSettingsBytes = 16 * 1024 * 1024;

// A missing, unreadable or corrupt file reads as the default.
QString GetSetting(const QString& application, const QString& section, const QString& key,
                   const QString& defaultValue);
// The same, nothing when the stored bytes are not UTF-8 text: such a value
// cannot be held as text without turning into another one.
std::optional<QString> GetSettingText(const QString& application, const QString& section, const QString& key,
                                      const QString& defaultValue);

enum class Durability {
  Now,    // on disk, file and folder, when the save returns
  Later,  // kept in memory (read back at once) and written with the other
          // Later saves of the next kLaterWriteMs, atomically but not
          // flushed; FlushSettings or the next Now save flushes it. A file
          // larger than kRewriteBytes is not even rewritten: the value waits
          // in memory for that moment.
};
constexpr qint64 kRewriteBytes = 64 * 1024;
constexpr int kLaterWriteMs = 1000;

struct SettingSaved {
  enum Outcome { Saved, Unreadable, Failed };
  Outcome outcome = Saved;
  QString reason;             // Unreadable: why the file could not be read
  bool firstRefusal = false;  // Unreadable: the first save refused for this file
  explicit operator bool() const { return outcome == Saved; }
};

// Replaces the file atomically, creating it and its folder on first save.
// On failure the old file is unchanged.
SettingSaved StoreSetting(const QString& application, const QString& section, const QString& key,
                          const QString& value, Durability durability);
// StoreSetting with Durability::Now; false when it was not saved.
bool SaveSetting(const QString& application, const QString& section, const QString& key,
                 const QString& value);
// Writes what Later saves left in memory and flushes every file they wrote;
// false when any of it failed.
bool FlushSettings();

// Who hears of a settings file that exists but cannot be read, once per
// file; without one it is written to standard error. (The user is told when
// a save that matters is refused: see SettingSaved.)
void OnUnreadableSettings(std::function<void(const QString& file, const QString& reason)> tell);
// Tests: tell again about files already told, count refusals afresh, and
// drop what Later saves keep in memory unwritten.
void ForgetToldSettings();

}  // namespace rt
