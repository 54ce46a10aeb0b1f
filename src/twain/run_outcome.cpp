#include "twain/run_outcome.h"

#include "devices/EZTwain.h"
#include "platform/runtime/paths.h"

namespace twain {

void PageWritten(RunOutcome& run, const QString& path) {
  ++run.pagesWritten;
  if (!run.firstWritten) run.firstWritten = path;
  run.lastWritten = path;
}

void AcquisitionEnded(RunOutcome& run, std::int32_t result, const QString& reason, bool pageLost,
                      bool cancelled) {
  const auto answer = static_cast<scan::Acquire>(result);
  run.cancelled = cancelled && answer == scan::Acquire::Cancelled;
  if (answer == scan::Acquire::Cancelled || answer == scan::Acquire::NoDocuments) return;
  run.cause = reason.isEmpty() ? "The scanner stopped with code " + QString::number(result) + "." : reason;
  run.pageLost = pageLost;
}

void PageNotSaved(RunOutcome& run, const QString& path, const pictures::StoreResult& result, bool pageReadSince) {
  QString cause = "Cannot write " + path;
  if (result.refused) cause += ": the page cannot be written in that format";
  else if (result.failure.error != 0) cause += ": " + rt::SystemReason(result.failure.error);
  if (result.stands) cause += "; the file stands under that name but may not have reached the disk";
  // The page after the one that stopped the run can fail too: both are told,
  // the first first.
  run.cause = (run.cause ? *run.cause + " " : QString()) + cause + ".";
  if (pageReadSince) run.lostPage = path;
  else run.pageLost = true;
}

QString RunOutcomeMessage(const RunOutcome& run) {
  if (!run.cause || run.causeShown) return {};
  QString text = "Scanning stopped: " + *run.cause + (run.cause->endsWith('.') ? "\n" : ".\n");
  if (run.pagesWritten == 0 || !run.lastWritten)
    text += "No page was saved.";
  else
    text += (run.pagesWritten == 1 ? QStringLiteral("1 page was saved")
                                   : QString::number(run.pagesWritten) + " pages were saved") +
            ", the last as " + *run.lastWritten + ".";
  if (run.lostPage) text += "\nThe page meant for " + *run.lostPage + " could not be saved; scan it again.";
  if (run.pageLost) text += "\nThe page read last could not be saved; scan it again.";
  return text;
}

stills::ScannerRun SummaryOf(const RunOutcome& run) {
  return {run.pagesWritten, run.firstWritten.value_or(QString()), run.lastWritten.value_or(QString()), run.cancelled};
}

}  // namespace twain
