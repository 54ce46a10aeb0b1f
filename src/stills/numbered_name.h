#pragma once
// Numbered file names: a stem, a counter of at least four digits and a
// four-character extension, all counted from the end of the path.

#include <QString>

namespace stills {

struct NumberedPath {
  QString FileExt;      // the last four characters
  QString BasePath;     // all but the last four
  QString FileCounter;  // the four in front of the extension
};

// Splits a path of at least eight characters.
NumberedPath SplitNumberedPath(const QString& path);

}  // namespace stills
