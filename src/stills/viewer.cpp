#include "stills/viewer.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPixmap>

#include "app/forms.h"
#include "platform/runtime/paths.h"
#include "platform/runtime/vb.h"
#include "platform/scan/image_file_read.h"
#include "stills/still_format.h"

namespace stills {

namespace {
// The viewer stretches its picture into a small area; it is decoded no
// larger than this (room for a screen of twice the usual density), so a
// 600 dpi page costs a few megabytes and milliseconds, not hundreds.
constexpr int kDecodeWidth = 1024;
constexpr int kDecodeHeight = 768;
// Pictures the fallback decoder would read whole are refused beyond this.
constexpr int kMaxPixels = 64 * 1024 * 1024;

bool startsLikeBitmap(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) && file.read(2) == "BM";
}

QImage readPicture(const QString& path) {
  // Anything but a regular file (a named pipe would never answer) is no picture.
  if (!QFileInfo(path).isFile()) return {};
  if (startsLikeBitmap(path)) {
    if (auto image = scan::readBmpFileSampled(rt::Ansi(path).constData(), kDecodeWidth, kDecodeHeight))
      return ToQImage(*image);
  }
  // JPEG (and bitmaps of kinds our reader does not know): the JPEG decoder
  // itself decodes at a reduced scale when asked for a smaller size.
  QImageReader reader(path);
  reader.setDecideFormatFromContent(true);
  const QSize size = reader.size();
  if (!reader.canRead() || !size.isValid()) return {};
  const QSize fitted = size.boundedTo({kDecodeWidth, kDecodeHeight}) == size
                           ? size
                           : size.scaled(kDecodeWidth, kDecodeHeight, Qt::KeepAspectRatio);
  if (fitted != size) reader.setScaledSize(fitted.expandedTo({1, 1}));
  if (reader.format() != "jpeg" && static_cast<qint64>(size.width()) * size.height() > kMaxPixels) return {};
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
