#pragma once
// Telling the user which file was written last, and where the next goes.

#include <QString>
#include <optional>

namespace stills {

// The live window's status text after a file was written: "Saved" and the
// file's name (the full path goes into the tooltip).
QString SavedStatusText(const QString& path);

// After a new name was chosen: "Next: " and the full path of the file the
// next capture writes.
QString NextStatusText(const QString& path);

// What a scanner run left behind, for the live window to sum up once it is
// back.
struct ScannerRun {
  int pages = 0;
  QString first;  // paths of the first and the last page written
  QString last;
  bool cancelled = false;  // the user cancelled a page being read
};

// "10 pages saved: MOR0040.jpg - MOR0049.jpg",
// "Cancelled after 2 pages: MOR0040.jpg - MOR0041.jpg", "No page saved".
QString RunSummaryText(const ScannerRun& run);

// The scanner window notes its run when it is over; the live window, back
// after it, takes it once.
void NoteScannerRun(const ScannerRun& run);
std::optional<ScannerRun> TakeScannerRun();

}  // namespace stills
