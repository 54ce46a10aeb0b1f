#pragma once
// What the live window tells when a capture could not be saved as asked:
// the fixed first line "Problem saving frame", then the file and why.

#include <QString>
#include <optional>

#include "stills/still_format.h"

namespace stills {

inline const QString kSaveProblem = "Problem saving frame";

// The frame could not be written to `path`. `error` is the system's errno
// for the failure, 0 when the video device gave no picture to write.
QString SaveProblemText(const QString& path, int error);

// The folder of `path` (the Pictures folder) could not be created.
QString FolderProblemText(const QString& path, int error);

// The frame was written to `path` as a bitmap but could not be rewritten in
// `format` (`error` as above, 0 when no file operation failed). `bitmapPath`
// is where the bitmap went back to, nothing when it stays under `path`.
QString RewriteProblemText(const QString& path, StillFormat format, int error,
                           const std::optional<QString>& bitmapPath);

// Moves a picture that is still a bitmap to the ".bmp" name of its number
// without replacing anything; the new path, or nothing when `path` has no
// four-character extension or the name is taken.
std::optional<QString> ReturnToBitmapName(const QString& path);

}  // namespace stills
