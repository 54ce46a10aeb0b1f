#include "app/settings_values.h"

#include <utility>

#include "platform/runtime/dialogs.h"
#include "platform/runtime/paths.h"
#include "platform/runtime/settings.h"

namespace app {

QString DefaultLivePath() { return rt::DefaultPicturePath("MOR0000.bmp"); }
QString DefaultTwainPath() { return rt::DefaultPicturePath("ZENO0000.bmp"); }
QString DefaultSaveName() { return rt::DefaultPicturePath("PAX"); }

std::int32_t DriverIndexFromSetting(const QString& stored, std::int32_t highestIndex) {
  auto index = rt::CLng(rt::Val(stored));
  if (!index || *index < 0 || *index > highestIndex) return 0;
  return *index;
}

namespace {
// A zero character cannot be part of a file name; the C interfaces would
// silently cut the name there and write to a different file. The counter and
// extension are counted from the end, so the file name itself must hold
// them, or the arithmetic would cut into the folder's name.
bool usablePath(const QString& stored) {
  const QString fileName = stored.mid(stored.lastIndexOf('/') + 1);
  return !stored.isEmpty() && stored != kNotStored && fileName.size() >= kMinNumberedPathLength &&
         !stored.contains(QChar(0));
}
}  // namespace

QString StoredPathSetting() {
  const std::optional<QString> stored = rt::GetSettingText(kPathsApp, kPathsSection, kPathKey, kNotStored);
  if (stored) return *stored;
  static bool told = false;
  if (!std::exchange(told, true))
    rt::MsgBox("The last file name stored in " + rt::DisplayPath(rt::SettingsFile(kPathsApp)) +
                   " cannot be used: its name is not valid UTF-8 text.\nNumbering starts again from " +
                   rt::DisplayPath(DefaultLivePath()) + ".",
               rt::vbOKOnly | rt::vbInformation, kAppTitle);
  return kNotStored;
}

QString LivePathFromSetting(const QString& stored) { return usablePath(stored) ? stored : DefaultLivePath(); }

QString TwainPathFromSetting(const QString& stored) { return usablePath(stored) ? stored : DefaultTwainPath(); }

rt::SettingSaved StorePath(const QString& path, rt::Durability durability) {
  return rt::StoreSetting(kPathsApp, kPathsSection, kPathKey, path, durability);
}

void TellPathNotStored(const rt::SettingSaved& saved) {
  if (saved) return;
  QString prompt = "The last file name could not be saved in " + rt::DisplayPath(rt::SettingsFile(kPathsApp)) + ".";
  if (saved.outcome == rt::SettingSaved::Unreadable) {
    // Once: every later window closing would only repeat it.
    if (!saved.firstRefusal) return;
    prompt += "\nThe file could not be read (" + saved.reason + "), so it is left as it is.";
  }
  rt::MsgBox(prompt, rt::vbOKOnly | rt::vbInformation, kAppTitle);
}

rt::Bool16 FreeResizeFromSetting(const QString& stored) {
  return stored == kNotStored || stored == "1" ? rt::False : rt::True;
}

}  // namespace app
