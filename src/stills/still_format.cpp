#include "stills/still_format.h"

#include <bit>
#include <cstring>


namespace stills {

static_assert(std::endian::native == std::endian::little, "pixels are repacked as little-endian words");

StillFormat FormatForExtension(const QString& fileExt) {
  if (fileExt == ".bmp") return StillFormat::Bmp;
  if (fileExt == ".jpg") return StillFormat::Jpeg;
  if (fileExt == ".pdf") return StillFormat::Pdf;
  return StillFormat::None;
}

pictures::Format StoredFormat(StillFormat format) {
  switch (format) {
    case StillFormat::Jpeg: return pictures::Format::Jpeg;
    case StillFormat::Pdf: return pictures::Format::Pdf;
    default: return pictures::Format::Bmp;
  }
}

namespace {

// A colour bitmap's rows, bottom-up blue, green, red, turned in one pass
// into the viewer's top-down 0xffRRGGBB pixels: three words make four.
QImage fromBitmapRows(const scan::Image& picture) {
  QImage image(picture.width, picture.height, QImage::Format_RGB32);
  if (image.isNull()) return image;
  const int width = picture.width;
  for (int y = 0; y < picture.height; ++y) {
    const std::uint8_t* in = scan::rowFromTop(picture, y);
    auto* out = reinterpret_cast<std::uint32_t*>(image.scanLine(y));
    int x = 0;
    for (; x + 4 <= width; x += 4, in += 12) {
      std::uint32_t w[3];
      std::memcpy(w, in, sizeof w);
      out[x] = 0xFF000000u | (w[0] & 0xFFFFFF);
      out[x + 1] = 0xFF000000u | (w[0] >> 24) | ((w[1] & 0xFFFF) << 8);
      out[x + 2] = 0xFF000000u | (w[1] >> 16) | ((w[2] & 0xFF) << 16);
      out[x + 3] = 0xFF000000u | (w[2] >> 8);
    }
    for (; x < width; ++x, in += 3) out[x] = qRgb(in[2], in[1], in[0]);
  }
  return image;
}

}  // namespace

QImage ToQImage(const scan::Image& picture) {
  if (!scan::isValid(picture)) return {};
  if (picture.layout == scan::Layout::Bitmap && picture.channels == 3) return fromBitmapRows(picture);
  const QImage view(picture.pixels.data(), picture.width, picture.height, static_cast<qsizetype>(picture.stride()),
                    picture.channels == 1 ? QImage::Format_Grayscale8 : QImage::Format_RGB888);
  QImage copy = view.convertToFormat(QImage::Format_RGB32);
  if (picture.layout == scan::Layout::Bitmap) copy.mirror();
  return copy;
}

}  // namespace stills
