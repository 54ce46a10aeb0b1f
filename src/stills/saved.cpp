#include "stills/saved.h"

#include <QFileInfo>
#include <utility>

namespace stills {

namespace {
std::optional<ScannerRun> lastRun;

QString nameOf(const QString& path) { return QFileInfo(path).fileName(); }

QString pagesText(int pages) { return pages == 1 ? QStringLiteral("1 page") : QString::number(pages) + " pages"; }
}  // namespace

QString SavedStatusText(const QString& path) { return "Saved " + nameOf(path); }

QString NextStatusText(const QString& path) { return "Next: " + path; }

QString RunSummaryText(const ScannerRun& run) {
  if (run.pages <= 0) return run.cancelled ? QStringLiteral("Cancelled, no page saved") : QStringLiteral("No page saved");
  const QString names = run.pages == 1 ? nameOf(run.last) : nameOf(run.first) + " - " + nameOf(run.last);
  return (run.cancelled ? "Cancelled after " + pagesText(run.pages) : pagesText(run.pages) + " saved") + ": " + names;
}

void NoteScannerRun(const ScannerRun& run) { lastRun = run; }

std::optional<ScannerRun> TakeScannerRun() { return std::exchange(lastRun, std::nullopt); }

}  // namespace stills
