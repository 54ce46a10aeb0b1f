#include "stills/next_name.h"

#include <sys/stat.h>

#include <QFile>
#include <algorithm>
#include <cmath>

#include "platform/runtime/paths.h"
#include "platform/runtime/vb.h"
#include "stills/numbered_name.h"

namespace stills {

namespace {
constexpr qsizetype kExtension = 4;
constexpr qsizetype kCounter = 4;

QString leftOf(const QString& text, qsizetype n) { return text.left(std::max<qsizetype>(0, n)); }
QString rightOf(const QString& text, qsizetype n) { return text.right(std::max<qsizetype>(0, n)); }

// Only the file's own name may hold the counter and the extension: a cut
// reaching into the folder would move the pictures into another folder.
qsizetype fileNameLength(const QString& path) { return path.size() - (path.lastIndexOf('/') + 1); }

}  // namespace

QString NextCounter(const QString& counter) {
  if (IsDigits(counter)) return IncrementDigits(counter);
  const double value = rt::Val(counter);
  // Beyond this a double no longer holds every whole number.
  const long long whole = std::fabs(value) < 1e15 ? static_cast<long long>(std::trunc(value)) : 0;
  // "x-012.bmp" must not go on as "x-0011.bmp": a counter never goes negative.
  return rt::Format0000(std::max(0LL, whole) + 1);
}

NumberedName AdvanceName(const NumberedName& last, const QString& fallbackPath) {
  NumberedName from = last;
  qsizetype cut = std::max(kCounter, last.FileCounter.size()) + kExtension;
  if (fileNameLength(from.FilePath) < cut) {
    const NumberedPath pieces = SplitNumberedPath(fallbackPath);
    from = {fallbackPath, pieces.FileExt, pieces.FileCounter, pieces.BasePath};
    cut = kCounter + kExtension;
  }
  NumberedName next;
  next.FileCounter = NextCounter(from.FileCounter);
  next.FileExt = from.FileExt;
  next.FilePath = leftOf(from.FilePath, from.FilePath.size() - cut) + next.FileCounter + next.FileExt;
  next.BasePath = leftOf(next.FilePath, next.FilePath.size() - kExtension);
  return next;
}

NumberedName NextFreeName(const NumberedName& last, const QString& fallbackPath,
                          const std::function<bool(const QString&)>& taken, int maxTries) {
  NumberedName name = AdvanceName(last, fallbackPath);
  for (int tried = 1; tried < maxTries && taken(name.FilePath); ++tried) name = AdvanceName(name, fallbackPath);
  return name;
}

bool NameInUse(const QString& path) {
  if (path.isEmpty()) return false;
  struct stat st {};
  return ::lstat(QFile::encodeName(path).constData(), &st) == 0;
}

bool TakenNames::operator()(const QString& path) {
  const qsizetype slash = path.lastIndexOf('/');
  const QString folder = slash < 0 ? QStringLiteral(".") : path.left(std::max<qsizetype>(slash, 1));
  if (folder != folder_) {
    folder_ = folder;
    listing_.reset();
    listingTried_ = false;
  }
  if (listing_ && listing_->count(QFile::encodeName(path.mid(slash + 1)).toStdString())) return true;
  const bool taken = NameInUse(path);
  if (taken && !listingTried_) {
    listingTried_ = true;
    listing_ = rt::FolderEntries(folder_);
  }
  return taken;
}

SaveAsResult ChooseFromSavedName(const QString& chosen, const QString& basePath, const QString& fileCounter) {
  const qsizetype length = chosen.size();
  SaveAsResult result;
  NumberedName& name = result.name;
  name.BasePath = basePath;
  name.FileCounter = fileCounter;
  if (leftOf(chosen, length - kExtension) != basePath) {
    name.BasePath = leftOf(chosen, length - kExtension);
    name.FileCounter = "0000";
  }
  // The counter the chosen name carries: its digits in front of the extension.
  const QString counterInName = length > kCounter + kExtension ? SplitNumberedPath(chosen).FileCounter : QString();
  if (name.FileCounter.isEmpty()) name.FileCounter = "0000";
  const QString extension = "." + rightOf(chosen, 3);
  if (IsDigits(counterInName)) {
    name.FileCounter = counterInName;
    name.FilePath = leftOf(chosen, length - kExtension) + extension;
  } else {
    name.FilePath = leftOf(chosen, length - kExtension) + name.FileCounter + extension;
  }
  name.FileExt = rightOf(chosen, kExtension);
  result.label = "*" + extension;
  return result;
}

}  // namespace stills
