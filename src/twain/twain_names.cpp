#include "twain/twain_names.h"

#include <sys/stat.h>

#include <algorithm>

#include <QFile>

#include "stills/next_name.h"
#include "stills/numbered_name.h"

namespace twain {

std::optional<TwainName> SplitTwainName(const QString& path) {
  if (path.size() < 8) return std::nullopt;
  const stills::NumberedPath pieces = stills::SplitNumberedPath(path);
  return TwainName{pieces.BasePath.left(pieces.BasePath.size() - pieces.FileCounter.size()), pieces.FileCounter,
                   pieces.FileExt};
}

QString FollowingCounter(const QString& counter) { return stills::NextCounter(counter); }

QString TargetExtension(const QString& fileExt) {
  return fileExt == ".jpg" || fileExt == ".pdf" ? fileExt : QStringLiteral(".bmp");
}

std::optional<PassNames> NextPassNames(const QString& current, const QString& fileExt,
                                       const std::function<bool(const QString&)>& taken, int maxTries) {
  auto name = SplitTwainName(current);
  if (!name) return std::nullopt;
  const QString targetExt = TargetExtension(fileExt);
  for (int tries = 0; tries < maxTries; ++tries) {
    name->counter = FollowingCounter(name->counter);
    PassNames names{name->stem + name->counter + ".bmp", name->stem + name->counter + targetExt};
    if (!taken(names.acquired) && (names.target == names.acquired || !taken(names.target))) return names;
  }
  return std::nullopt;
}

bool NameTaken(const QString& path) {
  struct stat st {};
  return ::lstat(QFile::encodeName(path).constData(), &st) == 0;
}

QString PathToStore(const QString& loadedPath, const std::optional<QString>& lastImage, bool runEnded,
                    const QString& fileExt) {
  if (!runEnded) return loadedPath;
  const auto name = SplitTwainName(lastImage.value_or(loadedPath));
  if (!name) return loadedPath;
  return name->stem + name->counter + (fileExt.size() == 4 ? fileExt : name->ext);
}

}  // namespace twain
