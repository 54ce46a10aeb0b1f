#include "platform/scan/bmp_write.h"

#include <array>
#include <cstdint>
#include <limits>
#include <vector>

#include "platform/scan/bmp_format.h"
#include "platform/scan/written_picture.h"

namespace scan {

namespace {

using namespace bmp;

bool bilevel(const Image& image) { return image.bilevel && image.channels == 1; }

int bitsPerPixel(const Image& image) {
  if (bilevel(image)) return 1;
  return image.channels == 1 ? 8 : 24;
}

// Grey pictures carry a palette: 256 levels, or black and white for line art.
int paletteColours(const Image& image) {
  if (image.channels != 1) return 0;
  return bilevel(image) ? 2 : 256;
}

std::vector<std::uint8_t> headers(const Image& image, std::uint32_t offset, std::uint32_t fileSize,
                                  std::uint32_t pixelBytes) {
  const int colours = paletteColours(image);
  std::vector<std::uint8_t> out(offset, 0);
  std::uint8_t* p = out.data();
  p[0] = 'B';
  p[1] = 'M';
  putU32(p + 2, fileSize);
  putU32(p + 10, offset);
  std::uint8_t* info = p + kFileHeaderSize;
  putU32(info, kInfoHeaderSize);
  putU32(info + 4, static_cast<std::uint32_t>(image.width));
  putU32(info + 8, static_cast<std::uint32_t>(image.height));  // positive: bottom-up
  putU16(info + 12, 1);
  putU16(info + 14, static_cast<std::uint16_t>(bitsPerPixel(image)));
  putU32(info + 16, kRgb);
  putU32(info + 20, pixelBytes);
  putU32(info + 24, static_cast<std::uint32_t>(pixelsPerMetreFromDpi(image.xDpi)));
  putU32(info + 28, static_cast<std::uint32_t>(pixelsPerMetreFromDpi(image.yDpi)));
  if (colours > 0) {
    putU32(info + 32, static_cast<std::uint32_t>(colours));
    std::uint8_t* palette = info + kInfoHeaderSize;
    for (int i = 0; i < colours; ++i) {
      const auto level = static_cast<std::uint8_t>(i * 255 / (colours - 1));
      palette[4 * i] = palette[4 * i + 1] = palette[4 * i + 2] = level;
    }
  }
  return out;
}

// The rows of a grey picture in the bitmap layout as one bit per pixel, a
// set bit (white) for every pixel of at least half intensity.
std::vector<std::uint8_t> packBilevel(const Image& image) {
  const auto stride = static_cast<std::size_t>(rowStride(image.width, 1));
  std::vector<std::uint8_t> out(stride * static_cast<std::size_t>(image.height), 0);
  for (std::size_t r = 0; r < static_cast<std::size_t>(image.height); ++r) {
    const std::uint8_t* src = image.pixels.data() + r * image.stride();
    std::uint8_t* dst = out.data() + r * stride;
    for (int x = 0; x < image.width; ++x)
      if (src[x] >= 128) dst[x / 8] = static_cast<std::uint8_t>(dst[x / 8] | (0x80 >> (x % 8)));
  }
  return out;
}

// The picture in the bitmap layout is the file's pixel block as it is:
// headers, then the pixels in one write.
bool writeBitmapLayout(const Image& image, const std::string& path, files::Commit mode, files::Flush flush) {
  const std::vector<std::uint8_t> packed = bilevel(image) ? packBilevel(image) : std::vector<std::uint8_t>();
  const std::vector<std::uint8_t>& pixels = bilevel(image) ? packed : image.pixels;
  const std::int64_t pixelBytes = static_cast<std::int64_t>(pixels.size());
  const std::int64_t offset = static_cast<std::int64_t>(kFileHeaderSize + kInfoHeaderSize) + 4 * paletteColours(image);
  if (offset + pixelBytes > std::numeric_limits<std::uint32_t>::max()) return false;
  const auto head = headers(image, static_cast<std::uint32_t>(offset), static_cast<std::uint32_t>(offset + pixelBytes),
                            static_cast<std::uint32_t>(pixelBytes));
  files::AtomicFile file(path);
  return file.open() && file.write(head.data(), head.size()) && file.write(pixels.data(), pixels.size()) &&
         file.commit(mode, flush);
}

}  // namespace

bool writeBmp(const Image& image, const std::string& path, files::Commit mode) {
  if (!isValid(image)) return false;
  if (image.layout == Layout::Bitmap) return writeBitmapLayout(image, path, mode, files::Flush::Now);
  const auto bitmap = inLayout(image, Layout::Bitmap);
  return bitmap && writeBitmapLayout(*bitmap, path, mode, files::Flush::Now);
}

bool writeNewBitmap(Image image, const std::string& path) {
  if (image.layout != Layout::Bitmap) {
    auto bitmap = inLayout(image, Layout::Bitmap);
    if (!bitmap) return false;
    image = std::move(*bitmap);
  }
  if (!isValid(image) || !writeBitmapLayout(image, path, files::Commit::NoReplace, files::Flush::Later)) return false;
  rememberWritten(path, std::move(image));
  return true;
}

}  // namespace scan
