#include "platform/capture/dib.h"

#include "platform/scan/bmp_write.h"

namespace capture {

namespace {
constexpr double kFrameDpi = 96.0;
}  // namespace

scan::Image bitmapOf(const QImage& source) {
  if (source.isNull()) return {};
  const QImage image =
      source.format() == QImage::Format_RGB32 ? source : source.convertToFormat(QImage::Format_RGB32);
  scan::Image bitmap = scan::blankImage(image.width(), image.height(), 3, scan::Layout::Bitmap);
  if (bitmap.pixels.empty()) return {};
  bitmap.xDpi = bitmap.yDpi = kFrameDpi;
  for (int y = 0; y < image.height(); ++y) {
    const auto* in = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    std::uint8_t* out = scan::rowFromTop(bitmap, y);
    for (int x = 0; x < image.width(); ++x) {
      *out++ = std::uint8_t(qBlue(in[x]));
      *out++ = std::uint8_t(qGreen(in[x]));
      *out++ = std::uint8_t(qRed(in[x]));
    }
  }
  return bitmap;
}

bool saveDib(const QImage& image, const std::string& path) {
  if (path.empty()) return false;
  scan::Image bitmap = bitmapOf(image);
  return !bitmap.pixels.empty() && scan::writeNewBitmap(std::move(bitmap), path);
}

}  // namespace capture
