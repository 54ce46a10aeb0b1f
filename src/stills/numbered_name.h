#pragma once
// Numbered file names: a stem, a counter and a four-character extension,
// all counted from the end of the path. The counter is the whole run of
// digits in front of the extension, at least the four characters there: so
// names below 10000 split as four digits, and a counter that grew past 9999
// is read whole by both capture windows and after a restart alike.

#include <QString>

namespace stills {

struct NumberedPath {
  QString FileExt;      // the last four characters
  QString BasePath;     // all but the last four
  QString FileCounter;  // the digits in front of the extension (at least four characters)
};

// Splits a path of at least eight characters.
NumberedPath SplitNumberedPath(const QString& path);

// True when the text is one or more decimal digits.
bool IsDigits(const QString& text);

// The digits after `digits` (all decimal), at least four wide and never
// narrower than they were: "0041" -> "0042", "09999" -> "10000", "99999" -> "100000".
QString IncrementDigits(const QString& digits);

// `path` when the name after it still fits the file system's limit on the
// length of a file name, `fallback` otherwise: such a stored name reads as
// absent.
QString WithRoomForNextName(const QString& path, const QString& fallback);

}  // namespace stills
