#pragma once
// The numbered names of the scanner window: each page goes to the name after
// the current one, first as a bitmap, then under the name of the chosen
// format. Free functions, so the arithmetic is checked without a window.

#include <QString>
#include <functional>
#include <optional>

namespace twain {

// A numbered path taken apart from its end as the live window does (see
// stills/numbered_name.h): the extension is the last four characters, the
// counter the whole run of digits in front of it (the four characters there
// when fewer digits stand there), the stem everything before.
struct TwainName {
  QString stem;
  QString counter;
  QString ext;
  QString path() const { return stem + counter + ext; }
};

// Nothing for a path shorter than eight characters.
std::optional<TwainName> SplitTwainName(const QString& path);

// The counter after `counter`, by the live window's rule
// (stills::NextCounter), so that both windows and a restart agree.
QString FollowingCounter(const QString& counter);

// The extension of a page after conversion: ".jpg" and ".pdf" convert, any
// other format keeps the bitmap as it was acquired.
QString TargetExtension(const QString& fileExt);

struct PassNames {
  QString acquired;  // where the page is acquired to (".bmp")
  QString target;    // its name after conversion (the same when none)
};

// The names of the page after `current`: the first counter after it at which
// neither name is `taken`, trying at most `maxTries` counters. Nothing when
// `current` cannot be split or no free name is found.
std::optional<PassNames> NextPassNames(const QString& current, const QString& fileExt,
                                       const std::function<bool(const QString&)>& taken, int maxTries);

// Whether anything (a file, folder or dangling link) has that name.
bool NameTaken(const QString& path);

// The path stored when the window unloads. Before any run has ended it is
// the path the window was loaded with; afterwards the last image written
// (or the loaded name when none was), with the extension of the output
// format `fileExt` (kept from that name when `fileExt` is not four
// characters long).
QString PathToStore(const QString& loadedPath, const std::optional<QString>& lastImage, bool runEnded,
                    const QString& fileExt);

}  // namespace twain
