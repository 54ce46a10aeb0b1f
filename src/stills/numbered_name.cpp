#include "stills/numbered_name.h"

#include <QFile>
#include <algorithm>

#include "platform/runtime/paths.h"
#include "stills/next_name.h"

namespace stills {

namespace {
constexpr qsizetype kExtension = 4;
constexpr qsizetype kCounter = 4;

bool isDigit(QChar c) { return c >= '0' && c <= '9'; }
}  // namespace

bool IsDigits(const QString& text) { return !text.isEmpty() && std::all_of(text.begin(), text.end(), isDigit); }

NumberedPath SplitNumberedPath(const QString& path) {
  const auto length = path.size();
  if (length < kCounter + kExtension) return {path.right(kExtension), path.left(length - kExtension), QString()};
  qsizetype start = length - kExtension - kCounter;
  if (IsDigits(path.mid(start, kCounter)))
    while (start > 0 && isDigit(path[start - 1])) --start;
  return {path.right(kExtension), path.left(length - kExtension), path.mid(start, length - kExtension - start)};
}

QString IncrementDigits(const QString& digits) {
  QString next = digits;
  qsizetype at = next.size();
  while (at > 0 && next[at - 1] == '9') next[--at] = '0';
  if (at == 0) next.prepend('1');
  else next[at - 1] = QChar(next[at - 1].unicode() + 1);
  return next.rightJustified(kCounter, '0');
}

QString WithRoomForNextName(const QString& path, const QString& fallback) {
  const NumberedPath pieces = SplitNumberedPath(path);
  const NumberedName next = AdvanceName({path, pieces.FileExt, pieces.FileCounter, pieces.BasePath}, fallback);
  const qsizetype slash = next.FilePath.lastIndexOf('/');
  const QString folder = slash > 0 ? next.FilePath.left(slash) : QStringLiteral("/");
  const qsizetype nameBytes = QFile::encodeName(next.FilePath.mid(slash + 1)).size();
  return nameBytes <= rt::NameMax(folder) ? path : fallback;
}

}  // namespace stills
