// Numbered names from any path and counter: the live window's next name,
// the search for a free one among existing files, and the scanner window's
// page names.
//
// Input: a flags byte, a byte with the number of names to occupy, the
// counter text, a 0xFF byte, the path (UTF-8).
//
// Invariants: a counter never goes below zero; an all-digit counter goes on
// one more in value, at least as wide; any other counter goes on from at
// least one; both windows take the same next counter. The next name differs
// from every earlier one, keeps the stem, the folder and the extension of
// the last (or starts again from the default name); the free-name search
// never returns a name in use; the scanner's names are free and keep their
// stem.

#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QSet>
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz_env.h"
#include "stills/next_name.h"
#include "stills/numbered_name.h"
#include "twain/twain_names.h"

namespace {

using fuzzing::check;
using stills::NumberedName;

QString folderOf(const QString& path) { return path.left(std::max<qsizetype>(0, path.lastIndexOf('/'))); }

// At least four digits, no sign: a counter is never below zero.
bool isCounter(const QString& counter) { return counter.size() >= 4 && stills::IsDigits(counter); }

// The digits one less in value, as wide as they are ("0100" -> "0099").
QString oneLess(QString digits) {
  for (qsizetype i = digits.size() - 1; i >= 0; --i) {
    if (digits[i] != '0') {
      digits[i] = QChar(digits[i].unicode() - 1);
      return digits;
    }
    digits[i] = '9';
  }
  return {};
}

void checkNextCounter(const QString& counter) {
  const QString next = stills::NextCounter(counter);
  check(isCounter(next), "the next counter is not a number of at least four digits");
  check(next == twain::FollowingCounter(counter), "the windows disagree on the next counter");
  if (!stills::IsDigits(counter)) {
    check(next.toULongLong() >= 1, "a counter that is not all digits went on from below one");
    return;
  }
  check(next.size() >= counter.size(), "the next counter is narrower");
  const qsizetype width = std::max<qsizetype>(next.size(), counter.size());
  check(oneLess(next) == counter.rightJustified(width, '0'), "the next counter is not one more");
}

void checkShape(const NumberedName& name) {
  check(isCounter(name.FileCounter), "the counter is not a number of at least four digits");
  check(name.BasePath + name.FileExt == name.FilePath, "base path and extension do not make the path");
  check(name.BasePath.endsWith(name.FileCounter), "the base path does not end with the counter");
}

NumberedName fromPath(const QString& path) {
  const stills::NumberedPath pieces = stills::SplitNumberedPath(path);
  check(pieces.BasePath + pieces.FileExt == path, "split pieces do not make the path");
  check(pieces.BasePath.endsWith(pieces.FileCounter), "split counter is not at the end of the base path");
  return {path, pieces.FileExt, pieces.FileCounter, pieces.BasePath};
}

// A chain of names from a path as start-up reads it: each differs from all
// before it and keeps stem, folder and extension, or restarts from the
// default name.
std::vector<NumberedName> chainFrom(const QString& path, const QString& fallback, int length) {
  const NumberedName first = fromPath(path);
  const QString stem = first.BasePath.left(first.BasePath.size() - first.FileCounter.size());
  const QString fallbackStem = fallback.left(fallback.size() - 8);
  std::vector<NumberedName> chain{first};
  for (int i = 0; i < length; ++i) {
    const NumberedName next = stills::AdvanceName(chain.back(), fallback);
    checkShape(next);
    const bool restarted = next.FilePath.startsWith(fallbackStem) && next.FileExt == fallback.right(4);
    if (!restarted) {
      check(next.FilePath.startsWith(stem), "the next name lost its stem");
      check(next.FileExt == first.FileExt, "the next name lost its extension");
      check(folderOf(next.FilePath) == folderOf(path), "the next name is in another folder");
    }
    for (const NumberedName& earlier : chain) check(next.FilePath != earlier.FilePath, "a name came back");
    chain.push_back(next);
  }
  return chain;
}

// Names in a private folder, some of them occupied: the search skips them.
void checkFreeSearch(const QString& fileName, int occupied, std::uint8_t flags) {
  static const QString folder = fuzzing::pictures() + "/names";
  QDir(folder).removeRecursively();
  QDir().mkpath(folder);
  const QString path = folder + '/' + fileName;
  const QString fallback = folder + "/MOR0000.bmp";
  if (path.size() < 8) return;
  const std::vector<NumberedName> chain = chainFrom(path, fallback, occupied + 1);
  for (int i = 1; i <= occupied; ++i) {
    const QByteArray name = QFile::encodeName(chain[static_cast<std::size_t>(i)].FilePath);
    // Anything at all holds a name: a file, a folder, a link to nowhere.
    bool made = false;
    switch ((flags >> (2 * (i % 4))) & 3) {
      case 1: made = QDir().mkdir(QString::fromUtf8(name)); break;
      case 2: made = ::symlink("nowhere", name.constData()) == 0; break;
      default: made = QFile(QString::fromUtf8(name)).open(QIODevice::WriteOnly); break;
    }
    if (!made) return;  // a name the file system refuses
  }
  const NumberedName free = stills::NextFreeName(chain.front(), fallback, stills::NameInUse, 64);
  check(!stills::NameInUse(free.FilePath), "the free name is in use");
  check(free.FilePath == chain.back().FilePath, "the free name is not the first free one");
}

void checkScannerNames(const QString& path, const QString& fileExt, int occupied) {
  const auto split = twain::SplitTwainName(path);
  check(split.has_value() == (path.size() >= 8), "scanner split of a path");
  if (!split) return;
  check(split->path() == path && split->ext == path.right(4), "scanner split pieces");
  checkNextCounter(split->counter);
  QSet<QString> taken;
  auto names = twain::NextPassNames(path, fileExt, [&](const QString& n) { return taken.contains(n); }, 1);
  for (int i = 0; i < occupied && names; ++i) {
    taken << names->acquired;
    names = twain::NextPassNames(path, fileExt, [&](const QString& n) { return taken.contains(n); }, 16);
  }
  if (!names) return;
  check(!taken.contains(names->acquired) && !taken.contains(names->target), "a scanner name in use");
  check(names->acquired != path, "the scanner's next name is the current one");
  check(names->acquired.startsWith(split->stem) && names->acquired.endsWith(".bmp"), "scanner name shape");
  check(names->target.endsWith(twain::TargetExtension(fileExt)), "scanner target extension");
  // Only names whose file name holds counter and extension are checked for
  // the folder: shorter ones are still cut into the folder's name.
  if (path.size() - (path.lastIndexOf('/') + 1) >= 8)
    check(folderOf(names->acquired) == folderOf(path) && folderOf(names->target) == folderOf(path),
          "a scanner name in another folder");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzzing::usePrivateHome();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzing::Input input(data, size);
  const std::uint8_t flags = input.byte();
  const int occupied = input.byte() % 6;
  const QString counter = QString::fromUtf8(input.until(0xFF));
  const QString path = QString::fromUtf8(input.rest());
  const QString fallback = "/fallback/MOR0000.bmp";

  checkNextCounter(counter);

  // Any path with any counter: the result has the shape of a numbered name.
  const NumberedName any{path, path.right(4), counter, path.left(path.size() - 4)};
  checkShape(stills::AdvanceName(any, fallback));

  if (path.size() >= 8) chainFrom(path, fallback, 3);

  QString fileName = path.left(60);
  fileName.replace('/', '_').replace(QChar(0), '_');
  if (fileName != "." && fileName != "..") checkFreeSearch(fileName, occupied, flags);

  const QString formats[] = {".bmp", ".jpg", ".pdf", counter.left(4)};
  checkScannerNames(path, formats[flags >> 6], occupied);
  return 0;
}
