#include "platform/scan/bmp_write.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <vector>

#include "platform/scan/bmp_format.h"
#include "platform/scan/written_picture.h"

namespace scan {

namespace {

using namespace bmp;

constexpr std::size_t kChunkBytes = 256 * 1024;

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

// One row of the file, from the picture's row `y` counted from the top:
// blue, green, red for colour; a set bit (white) for every grey pixel of at
// least half intensity in line art.
void packRow(const Image& image, int y, std::uint8_t* dst) {
  const std::uint8_t* src = rowFromTop(image, y);
  if (bilevel(image)) {
    for (int x = 0; x < image.width; ++x)
      if (src[x] >= 128) dst[x / 8] = static_cast<std::uint8_t>(dst[x / 8] | (0x80 >> (x % 8)));
    return;
  }
  if (image.channels == 1 || image.layout == Layout::Bitmap) {
    std::copy_n(src, image.rowBytes(), dst);
    return;
  }
  for (int x = 0; x < image.width; ++x, src += 3, dst += 3) {
    dst[0] = src[2];
    dst[1] = src[1];
    dst[2] = src[0];
  }
}

bool writeFile(const Image& image, const std::string& path, files::Commit mode, files::Flush flush) {
  if (!isValid(image)) return false;
  const std::int64_t stride = rowStride(image.width, bitsPerPixel(image));
  const std::int64_t pixelBytes = stride * image.height;
  const std::int64_t offset = static_cast<std::int64_t>(kFileHeaderSize + kInfoHeaderSize) + 4 * paletteColours(image);
  if (offset + pixelBytes > std::numeric_limits<std::uint32_t>::max()) return false;

  files::AtomicFile file(path);
  if (!file.open()) return false;
  const auto head = headers(image, static_cast<std::uint32_t>(offset), static_cast<std::uint32_t>(offset + pixelBytes),
                            static_cast<std::uint32_t>(pixelBytes));
  if (!file.write(head.data(), head.size())) return false;
  // A picture in the bitmap layout is the file's pixel block as it is.
  if (image.layout == Layout::Bitmap && !bilevel(image))
    return file.write(image.pixels.data(), image.pixels.size()) && file.commit(mode, flush);

  // Other rows go out bottom first, gathered into chunks that stay in the
  // cache until they are written.
  const auto rowSize = static_cast<std::size_t>(stride);
  const std::size_t rowsPerChunk = std::max<std::size_t>(1, kChunkBytes / rowSize);
  std::vector<std::uint8_t> chunk(rowsPerChunk * rowSize);
  int y = image.height - 1;
  while (y >= 0) {
    std::fill(chunk.begin(), chunk.end(), 0);  // the padding, and the bits line art leaves clear
    std::size_t rows = 0;
    for (; rows < rowsPerChunk && y >= 0; ++rows, --y) packRow(image, y, chunk.data() + rows * rowSize);
    if (!file.write(chunk.data(), rows * rowSize)) return false;
  }
  return file.commit(mode, flush);
}

}  // namespace

bool writeBmp(const Image& image, const std::string& path, files::Commit mode) {
  return writeFile(image, path, mode, files::Flush::Now);
}

bool writeNewBitmap(Image image, const std::string& path) {
  if (!writeFile(image, path, files::Commit::NoReplace, files::Flush::Later)) return false;
  rememberWritten(path, std::move(image));
  return true;
}

}  // namespace scan
