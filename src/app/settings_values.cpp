#include "app/settings_values.h"

#include "platform/runtime/paths.h"

namespace app {

QString DefaultLivePath() { return rt::DefaultPicturePath("MOR0000.bmp"); }
QString DefaultTwainPath() { return rt::DefaultPicturePath("ZENO0000.bmp"); }
QString DefaultSaveName() { return rt::DefaultPicturePath("PAX"); }

std::int32_t DriverIndexFromSetting(const QString& stored, std::int32_t highestIndex) {
  auto index = rt::CLng(rt::Val(stored));
  if (!index || *index < 0 || *index > highestIndex) return 0;
  return *index;
}

QString LivePathFromSetting(const QString& stored) {
  if (stored.isEmpty() || stored == kNotStored || stored.size() < kMinNumberedPathLength) return DefaultLivePath();
  return stored;
}

QString TwainPathFromSetting(const QString& stored) {
  if (stored.isEmpty() || stored == kNotStored || stored.size() < kMinNumberedPathLength) return DefaultTwainPath();
  return stored;
}

rt::Bool16 FreeResizeFromSetting(const QString& stored) {
  return stored == kNotStored || stored == "1" ? rt::False : rt::True;
}

}  // namespace app
