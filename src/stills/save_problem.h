#pragma once
// What the live window tells when a capture could not be saved as asked:
// the fixed first line "Problem saving frame", then the file and why.

#include <QString>

#include "platform/pictures/picture_store.h"

namespace stills {

inline const QString kSaveProblem = "Problem saving frame";

// The frame could not be written to `path`. `error` is the system's errno
// for the failure, 0 when the video device gave no picture to write.
QString SaveProblemText(const QString& path, int error);

// The folder of `path` (the Pictures folder) could not be created.
QString FolderProblemText(const QString& path, int error);

// The store's answer for a frame that is not saved: the file and the
// system's reason, and, when the file stands under its name but did not
// reach the medium, that it may be lost.
QString StoreProblemText(const QString& path, const pictures::StoreResult& result);

}  // namespace stills
