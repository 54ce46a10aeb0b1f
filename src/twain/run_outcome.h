#pragma once
// How a scanner run ended, and what the user is told about it afterwards.
// The scanner library's own messages are silenced during a run, so the run
// keeps the reason it stopped and tells it once, when it is over.

#include <QString>
#include <cstdint>
#include <optional>

#include "platform/pictures/picture_store.h"
#include "stills/saved.h"

namespace twain {

struct RunOutcome {
  int pagesWritten = 0;
  std::optional<QString> firstWritten;  // the files of the first and last page written
  std::optional<QString> lastWritten;
  bool cancelled = false;  // the user cancelled a page while it was read
  // Why the run stopped; nothing when it reached the normal end of pages
  // (an empty feeder, "Done" or Cancel).
  std::optional<QString> cause;
  bool pageLost = false;  // the page read last was not saved
  std::optional<QString> lostPage;  // a page read before the last that was not saved
  bool causeShown = false;  // the library showed the cause itself already
};

// Records a page written to `path`.
void PageWritten(RunOutcome& run, const QString& path);

// Records why an acquisition that wrote nothing ended the run: `result` is
// what the library answered for it, `reason` and `pageLost` what it tells
// of its failure, `cancelled` whether the user cancelled the page.
void AcquisitionEnded(RunOutcome& run, std::int32_t result, const QString& reason, bool pageLost,
                      bool cancelled = false);

// Records a page that was read but not saved under `path` (the store's
// `result` tells why); `pageReadSince` when another page was read after it.
void PageNotSaved(RunOutcome& run, const QString& path, const pictures::StoreResult& result, bool pageReadSince);

// What to tell the user once the run is over; empty when nothing is to be
// told.
QString RunOutcomeMessage(const RunOutcome& run);

// The run as the live window's status line sums it up.
stills::ScannerRun SummaryOf(const RunOutcome& run);

}  // namespace twain
