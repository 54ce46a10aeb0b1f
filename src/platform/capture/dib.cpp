#include "platform/capture/dib.h"

#include <bit>
#include <cstring>

#include "platform/scan/bmp_write.h"

namespace capture {

namespace {
constexpr double kFrameDpi = 96.0;
static_assert(std::endian::native == std::endian::little, "pixels are repacked as little-endian words");
}  // namespace

scan::Image bitmapOf(const QImage& source) {
  if (source.isNull()) return {};
  const QImage image =
      source.format() == QImage::Format_RGB32 ? source : source.convertToFormat(QImage::Format_RGB32);
  scan::Image bitmap = scan::blankImage(image.width(), image.height(), 3, scan::Layout::Bitmap);
  if (bitmap.pixels.empty()) return {};
  bitmap.xDpi = bitmap.yDpi = kFrameDpi;
  const int width = image.width(), height = image.height();
  for (int y = 0; y < height; ++y) {
    const auto* in = reinterpret_cast<const std::uint32_t*>(image.constScanLine(y));
    std::uint8_t* out = scan::rowFromTop(bitmap, y);
    int x = 0;
    // Four 0xAARRGGBB pixels make three words of blue, green, red bytes.
    for (; x + 4 <= width; x += 4, out += 12) {
      const std::uint32_t p0 = in[x], p1 = in[x + 1], p2 = in[x + 2], p3 = in[x + 3];
      const std::uint32_t words[3] = {(p0 & 0xFFFFFF) | (p1 << 24), ((p1 >> 8) & 0xFFFF) | (p2 << 16),
                                      ((p2 >> 16) & 0xFF) | (p3 << 8)};
      std::memcpy(out, words, sizeof words);
    }
    for (; x < width; ++x) {
      *out++ = std::uint8_t(in[x]);
      *out++ = std::uint8_t(in[x] >> 8);
      *out++ = std::uint8_t(in[x] >> 16);
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
