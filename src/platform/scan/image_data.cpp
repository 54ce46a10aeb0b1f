#include "platform/scan/image_data.h"

#include <algorithm>
#include <cmath>

namespace scan {

namespace {
constexpr double kMetresPerInch = 0.0254;
}  // namespace

bool isValid(const Image& image) {
  if (image.width <= 0 || image.height <= 0 || image.width > kMaxSide || image.height > kMaxSide) return false;
  if (std::int64_t{image.width} * image.height > kMaxPixels) return false;
  if (image.channels != 1 && image.channels != 3) return false;
  return image.pixels.size() == image.stride() * static_cast<std::size_t>(image.height);
}

Image blankImage(int width, int height, int channels, Layout layout) {
  Image image;
  image.width = width;
  image.height = height;
  image.channels = channels;
  image.layout = layout;
  if (width > 0 && height > 0 && width <= kMaxSide && height <= kMaxSide &&
      std::int64_t{width} * height <= kMaxPixels && (channels == 1 || channels == 3)) {
    image.pixels.assign(image.stride() * static_cast<std::size_t>(height), 0);
  }
  return image;
}

const std::uint8_t* rowFromTop(const Image& image, int y) {
  const int stored = image.layout == Layout::Bitmap ? image.height - 1 - y : y;
  return image.pixels.data() + static_cast<std::size_t>(stored) * image.stride();
}

std::uint8_t* rowFromTop(Image& image, int y) {
  return const_cast<std::uint8_t*>(rowFromTop(static_cast<const Image&>(image), y));
}

std::optional<Image> inLayout(const Image& image, Layout layout) {
  if (!isValid(image)) return std::nullopt;
  if (image.layout == layout) return image;
  Image out = blankImage(image.width, image.height, image.channels, layout);
  out.xDpi = image.xDpi;
  out.yDpi = image.yDpi;
  out.bilevel = image.bilevel;
  for (int y = 0; y < image.height; ++y) {
    const std::uint8_t* src = rowFromTop(image, y);
    std::uint8_t* dst = rowFromTop(out, y);
    if (image.channels == 1) {
      std::copy_n(src, image.width, dst);
      continue;
    }
    // Both ways the same swap of the first and third byte.
    for (int x = 0; x < image.width; ++x, src += 3, dst += 3) {
      dst[0] = src[2];
      dst[1] = src[1];
      dst[2] = src[0];
    }
  }
  return out;
}

double dpiFromPixelsPerMetre(std::int64_t pixelsPerMetre) {
  if (pixelsPerMetre <= 0) return 0.0;
  // Whole dots per inch were rounded to whole pixels per metre on the way in;
  // snapping back keeps 300 dpi at exactly 300 (11811 / m is 299.9994).
  const double dpi = static_cast<double>(pixelsPerMetre) * kMetresPerInch;
  const double whole = std::round(dpi);
  return std::abs(dpi - whole) <= kMetresPerInch / 2 ? whole : dpi;
}

pictures::Rows rowsOf(const Image& image) {
  pictures::Rows rows;
  rows.data = image.pixels.data();
  rows.width = image.width;
  rows.height = image.height;
  rows.stride = image.stride();
  const bool bitmap = image.layout == Layout::Bitmap;
  rows.kind = image.channels == 1 ? pictures::PixelKind::Grey : bitmap ? pictures::PixelKind::Bgr : pictures::PixelKind::Rgb;
  rows.bottomUp = bitmap;
  rows.xDpi = image.xDpi;
  rows.yDpi = image.yDpi;
  rows.bilevel = image.bilevel && image.channels == 1;
  return rows;
}

pictures::Page pageOf(Image image) {
  pictures::Page page;
  page.width = image.width;
  page.height = image.height;
  page.channels = image.channels;
  page.xDpi = image.xDpi;
  page.yDpi = image.yDpi;
  page.bilevel = image.bilevel && image.channels == 1;
  page.bitmapRows = image.layout == Layout::Bitmap;
  page.pixels = std::move(image.pixels);
  page.giveBack = std::move(image.giveBack);
  return page;
}

}  // namespace scan
