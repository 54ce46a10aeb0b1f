#include "stills/saved.h"

#include <QFileInfo>
#include <utility>

namespace stills {

namespace {
QString lastScannedPage;
}

QString SavedStatusText(const QString& path) { return "Saved " + QFileInfo(path).fileName(); }

void NoteScannedPage(const QString& path) { lastScannedPage = path; }

QString TakeScannedPage() { return std::exchange(lastScannedPage, QString()); }

}  // namespace stills
