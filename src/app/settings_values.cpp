#include "app/settings_values.h"

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

QString LivePathFromSetting(const QString& stored) { return usablePath(stored) ? stored : DefaultLivePath(); }

QString TwainPathFromSetting(const QString& stored) { return usablePath(stored) ? stored : DefaultTwainPath(); }

bool StorePath(const QString& path) { return rt::SaveSetting(kPathsApp, kPathsSection, kPathKey, path); }

void TellPathNotStored() {
  rt::MsgBox("The last file name could not be saved in " + rt::DisplayPath(rt::SettingsFile(kPathsApp)) + ".",
             rt::vbOKOnly | rt::vbInformation, kAppTitle);
}

rt::Bool16 FreeResizeFromSetting(const QString& stored) {
  return stored == kNotStored || stored == "1" ? rt::False : rt::True;
}

}  // namespace app
