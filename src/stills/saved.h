#pragma once
// Telling the user which file was written last.

#include <QString>

namespace stills {

// The live window's status text after a file was written: "Saved" and the
// file's name (the full path goes into the tooltip).
QString SavedStatusText(const QString& path);

// The scanner window notes every page it wrote; the live window, back after
// the run, takes the last one to name it. Empty when no page was noted since
// the last take.
void NoteScannedPage(const QString& path);
QString TakeScannedPage();

}  // namespace stills
