#include "twain/twain_names.h"

#include <QFile>
#include <algorithm>
#include <sys/stat.h>

namespace twain {

namespace {
constexpr long long kMaxCounter = 999'999'999;

bool isDigit(QChar c) { return c >= '0' && c <= '9'; }
}  // namespace

std::optional<TwainName> SplitTwainName(const QString& path) {
  const qsizetype length = path.size();
  if (length < 8) return std::nullopt;
  qsizetype start = length - 8;
  const QString four = path.mid(start, kMinCounterDigits);
  if (std::all_of(four.begin(), four.end(), isDigit)) {
    while (start > 0 && length - 4 - start < kMaxCounterDigits && isDigit(path[start - 1])) --start;
  }
  return TwainName{path.left(start), path.mid(start, length - 4 - start), path.right(4)};
}

long long CounterValue(const QString& counter) {
  long long value = 0;
  for (QChar c : counter) {
    if (!isDigit(c) || value > kMaxCounter) break;
    value = value * 10 + (c.unicode() - '0');
  }
  return value;
}

std::optional<QString> FollowingCounter(const QString& counter) {
  const long long next = CounterValue(counter) + 1;
  if (next > kMaxCounter) return std::nullopt;
  const int width = std::max<int>(kMinCounterDigits, static_cast<int>(counter.size()));
  return QString::number(next).rightJustified(width, '0');
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
    const auto counter = FollowingCounter(name->counter);
    if (!counter) return std::nullopt;
    name->counter = *counter;
    PassNames names{name->stem + *counter + ".bmp", name->stem + *counter + targetExt};
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
