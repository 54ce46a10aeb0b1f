#pragma once
// The name that follows a numbered file, and the scheme chosen from a name
// picked in the save-as dialog.

#include <QString>
#include <functional>
#include <optional>
#include <string>
#include <unordered_set>

namespace stills {

// The four fields of the numbered file name scheme.
struct NumberedName {
  QString FilePath;     // the last numbered file
  QString FileExt;      // the extension with its dot
  QString FileCounter;  // the counter text in front of it
  QString BasePath;     // FilePath without its extension
};

// The counter that follows, the one rule of both windows: for digits the
// next number as wide as they were (at least four digits); for other text
// its leading number (0 when there is none or it is below zero) plus one,
// at least four digits with leading zeros. So "MOR 123.bmp" goes on as
// "MOR0124.bmp" and "x-012.bmp" as "x0001.bmp".
QString NextCounter(const QString& counter);

// The next name: the counter advanced, the path's old counter replaced by
// the new one. The old counter is cut off at its own length (at least
// four), so a counter past 9999 keeps growing instead of leaving a digit in
// the stem. A path whose file name is too short to hold a counter and an
// extension starts again from `fallbackPath` (a numbered path).
NumberedName AdvanceName(const NumberedName& last, const QString& fallbackPath);

// Advances until `taken` says the name is free, trying at most `maxTries`
// names; the last one tried when none was free.
NumberedName NextFreeName(const NumberedName& last, const QString& fallbackPath,
                          const std::function<bool(const QString&)>& taken, int maxTries);

// True when anything at all has the name: a file, a folder, even a link
// that leads nowhere. Such a name cannot be claimed for a new picture.
bool NameInUse(const QString& path);

// NameInUse for one search along the numbered names of a folder, so that a
// folder where thousands of the next numbers are taken costs one read of
// it, not one look-up per name (slow on FUSE and network file systems):
// the first name is looked up by itself; once one is taken, the folder is
// read once, and each name its listing shows free is looked up by itself
// again before it is answered free. The claim that follows stays exclusive.
class TakenNames {
 public:
  bool operator()(const QString& path);

 private:
  QString folder_;
  std::optional<std::unordered_set<std::string>> listing_;
  bool listingTried_ = false;
};

// The scheme after the user chose `chosen` in the save-as dialog, given the
// current base path and counter.
struct SaveAsResult {
  NumberedName name;
  QString label;  // what the viewer shows: "*." and the chosen extension
};
SaveAsResult ChooseFromSavedName(const QString& chosen, const QString& basePath, const QString& fileCounter);

}  // namespace stills
