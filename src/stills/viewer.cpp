#include "stills/viewer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QScreen>
#include <QTimer>
#include <algorithm>

#include "app/forms.h"
#include "platform/pictures/sampled_rows.h"
#include "platform/runtime/metrics.h"
#include "platform/runtime/paths.h"
#include "platform/runtime/vb.h"
#include "platform/scan/image_file_read.h"
#include "stills/still_format.h"

namespace stills {

namespace {
// The viewer stretches its picture into a small area; it is decoded no
// larger than this (room for a screen of twice the usual density), so a
// 600 dpi page costs a few megabytes and milliseconds, not hundreds.
constexpr int kDecodeWidth = kViewerPictureMost.width();
constexpr int kDecodeHeight = kViewerPictureMost.height();
// Pictures the fallback decoder would read whole are refused beyond this.
constexpr int kMaxPixels = 64 * 1024 * 1024;
// Between the frames of the capture window and the viewer.
constexpr int kGap = 8;

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

void showPicture(const QImage& picture, const QString& path) {
  app::Form3Window& viewer = app::Form3.get();
  viewer.Image1->setPicture(picture);
  viewer.Image1->setToolTip(QDir::toNativeSeparators(path));
  viewer.PicturePath = path;
}

// The capture window on screen, if any: the viewer opens beside it.
rt::Form* captureWindow() {
  if (rt::Form* live = app::form1.ifLoaded()) return live;
  return app::Form2.ifLoaded();
}

// A window's frame on the screen. Before the window manager has framed a
// window its decorations are unknown (and while it frames it, what X tells
// can be a frame smaller than the window); a caption and thin edges stand in.
QRect frameOf(const QWidget& window) {
  const QRect frame = window.frameGeometry();
  if (frame != window.geometry() && frame.contains(window.geometry())) return frame;
  const int edge = rt::GetSystemMetrics(rt::SM_CXFRAME);
  return window.geometry().adjusted(-edge, -rt::GetSystemMetrics(rt::SM_CYCAPTION) - edge, edge, edge);
}

void place(app::Form3Window& viewer, const QWidget& owner) {
  const QScreen* screen = owner.screen();
  if (!screen) return;
  // A window's position is that of its frame.
  viewer.move(ViewerPosition(frameOf(owner), frameOf(viewer).size(), screen->availableGeometry()));
}

void showViewer(bool mayWait) {
  rt::Form* owner = captureWindow();
  // At start-up the live window loads the viewer before it is shown itself.
  if (mayWait && owner && !owner->isVisible()) {
    // Tied to this viewer: one unloaded meanwhile is not shown.
    QTimer::singleShot(0, &app::Form3.get(), [] {
      if (app::Form3.IsLoaded()) showViewer(false);
    });
    return;
  }
  const bool onScreen = app::Form3.IsLoaded() && app::Form3->isVisible();
  if (!onScreen && owner && owner->isVisible()) place(app::Form3.get(), *owner);
  app::Form3.ShowWithoutActivating(owner);
}
}  // namespace

void ShowViewer() { showViewer(true); }

void SetViewerLabel(const QString& text) { app::Form3->lbFilename->setText(text); }

void SetViewerLabelToPath(const QString& path) { SetViewerLabel(rt::DisplayPath(path)); }

bool LoadViewerPicture(const QString& path) {
  const QImage image = readPicture(path);
  if (image.isNull()) return false;
  showPicture(image, path);
  return true;
}

void SetViewerPicture(const QImage& picture, const QString& path) {
  if (!picture.isNull()) showPicture(picture, path);
}

QImage ViewerSizedImage(const QImage& picture) {
  if (picture.width() <= kDecodeWidth && picture.height() <= kDecodeHeight) return picture;
  pictures::SampledRows sampled(picture.width(), picture.height(), picture.format(), kViewerPictureMost);
  sampled.add(picture.constBits(), static_cast<std::size_t>(picture.bytesPerLine()), 0, picture.height());
  QImage reduced = sampled.image();
  if (reduced.isNull()) return picture.scaled(kViewerPictureMost, Qt::KeepAspectRatio, Qt::FastTransformation);
  reduced.setColorTable(picture.colorTable());
  return reduced;
}

QPoint ViewerPosition(const QRect& owner, const QSize& viewer, const QRect& screen) {
  const int top = std::clamp(owner.top(), screen.top(), std::max(screen.top(), screen.bottom() + 1 - viewer.height()));
  const int left = std::clamp(owner.left(), screen.left(), std::max(screen.left(), screen.right() + 1 - viewer.width()));
  if (owner.right() + kGap + viewer.width() <= screen.right()) return {owner.right() + 1 + kGap, top};
  if (owner.left() - kGap - viewer.width() >= screen.left()) return {owner.left() - kGap - viewer.width(), top};
  if (owner.bottom() + kGap + viewer.height() <= screen.bottom()) return {left, owner.bottom() + 1 + kGap};
  if (owner.top() - kGap - viewer.height() >= screen.top()) return {left, owner.top() - kGap - viewer.height()};
  return {std::max(screen.left(), screen.right() + 1 - viewer.width()), top};
}

}  // namespace stills
