#include "twain/twain_names.h"

#include <sys/stat.h>

#include <algorithm>

#include <QFile>

#include "stills/numbered_name.h"

namespace twain {

std::optional<TwainName> SplitTwainName(const QString& path) {
  if (path.size() < 8) return std::nullopt;
  const stills::NumberedPath pieces = stills::SplitNumberedPath(path);
  return TwainName{pieces.BasePath.left(pieces.BasePath.size() - pieces.FileCounter.size()), pieces.FileCounter,
                   pieces.FileExt};
}

QString FollowingCounter(const QString& counter) {
  if (stills::IsDigits(counter)) return stills::IncrementDigits(counter);
  // Not all digits: at most four characters stand there (fewer than four digits).
  int value = 0;
  for (qsizetype i = 0; i < std::min<qsizetype>(counter.size(), 4) && counter[i] >= '0' && counter[i] <= '9'; ++i)
    value = value * 10 + (counter[i].unicode() - '0');
  return QString::number(value + 1).rightJustified(4, '0');
}

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
