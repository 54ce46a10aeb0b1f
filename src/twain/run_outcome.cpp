#include "twain/run_outcome.h"

#include "devices/EZTwain.h"

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

QString RunOutcomeMessage(const RunOutcome& run) {
  if (!run.cause || run.causeShown) return {};
  QString text = "Scanning stopped: " + *run.cause + (run.cause->endsWith('.') ? "\n" : ".\n");
  if (run.pagesWritten == 0 || !run.lastWritten)
    text += "No page was saved.";
  else
    text += (run.pagesWritten == 1 ? QStringLiteral("1 page was saved")
                                   : QString::number(run.pagesWritten) + " pages were saved") +
            ", the last as " + *run.lastWritten + ".";
  if (run.pageLost) text += "\nThe page read last could not be saved; scan it again.";
  return text;
}

stills::ScannerRun SummaryOf(const RunOutcome& run) {
  return {run.pagesWritten, run.firstWritten.value_or(QString()), run.lastWritten.value_or(QString()), run.cancelled};
}

}  // namespace twain
