#include "stills/viewer.h"

#include <QFileInfo>
#include <QImageReader>
#include <QPixmap>

#include "app/forms.h"
#include "platform/runtime/vb.h"

namespace stills {

namespace {
// Pictures are stretched into a small area; anything larger than this is
// not a capture of ours and is not worth decoding.
constexpr int kMaxPixels = 64 * 1024 * 1024;

QImage readPicture(const QString& path) {
  // Anything but a regular file (a named pipe would never answer) is no picture.
  if (!QFileInfo(path).isFile()) return {};
  QImageReader reader(path);
  reader.setDecideFormatFromContent(true);
  const QSize size = reader.size();
  if (!reader.canRead() || (size.isValid() && static_cast<qint64>(size.width()) * size.height() > kMaxPixels))
    return {};
  return reader.read();
}
}  // namespace

void ShowViewer() { app::Form3.ShowWithoutActivating(); }

void SetViewerLabel(const QString& text) { app::Form3->lbFilename->setText(text); }

void SetViewerLabelToPath(const QString& path) { SetViewerLabel(rt::DisplayPath(path)); }

bool LoadViewerPicture(const QString& path) {
  const QImage image = readPicture(path);
  if (image.isNull()) return false;
  app::Form3->Image1->setPixmap(QPixmap::fromImage(image));
  return true;
}

void SetViewerPicture(const QImage& picture) {
  if (!picture.isNull()) app::Form3->Image1->setPixmap(QPixmap::fromImage(picture));
}

}  // namespace stills
