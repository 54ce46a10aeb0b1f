#include "platform/scan/bmp_write.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <vector>

#include "platform/scan/bmp_format.h"

namespace scan {

namespace {

using namespace bmp;

constexpr std::size_t kGreyPaletteSize = 256 * 4;
constexpr std::size_t kChunkBytes = std::size_t{1} << 20;

std::vector<std::uint8_t> headers(const Image& image, std::uint32_t offset, std::uint32_t fileSize,
                                  std::uint32_t pixelBytes) {
  const bool grey = image.channels == 1;
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
  putU16(info + 14, grey ? 8 : 24);
  putU32(info + 16, kRgb);
  putU32(info + 20, pixelBytes);
  putU32(info + 24, static_cast<std::uint32_t>(pixelsPerMetreFromDpi(image.xDpi)));
  putU32(info + 28, static_cast<std::uint32_t>(pixelsPerMetreFromDpi(image.yDpi)));
  if (grey) {
    putU32(info + 32, 256);
    std::uint8_t* palette = info + kInfoHeaderSize;
    for (int i = 0; i < 256; ++i) {
      palette[4 * i] = palette[4 * i + 1] = palette[4 * i + 2] = static_cast<std::uint8_t>(i);
    }
  }
  return out;
}

void packRow(const Image& image, int y, std::uint8_t* dst) {
  const std::uint8_t* src = image.pixels.data() + static_cast<std::size_t>(y) * image.rowBytes();
  if (image.channels == 1) {
    std::copy_n(src, image.width, dst);
    return;
  }
  for (int x = 0; x < image.width; ++x, src += 3, dst += 3) {
    dst[0] = src[2];
    dst[1] = src[1];
    dst[2] = src[0];
  }
}

}  // namespace

bool writeBmp(const Image& image, const std::string& path, files::Commit mode) {
  if (!isValid(image)) return false;
  const bool grey = image.channels == 1;
  const std::int64_t stride = rowStride(image.width, grey ? 8 : 24);
  const std::int64_t pixelBytes = stride * image.height;
  const std::int64_t offset = static_cast<std::int64_t>(kFileHeaderSize + kInfoHeaderSize + (grey ? kGreyPaletteSize : 0));
  if (offset + pixelBytes > std::numeric_limits<std::uint32_t>::max()) return false;

  files::AtomicFile file(path);
  if (!file.open()) return false;
  auto head = headers(image, static_cast<std::uint32_t>(offset), static_cast<std::uint32_t>(offset + pixelBytes),
                      static_cast<std::uint32_t>(pixelBytes));
  if (!file.write(head.data(), head.size())) return false;

  // Rows go out bottom first, gathered into chunks of about a megabyte.
  const auto rowSize = static_cast<std::size_t>(stride);
  const std::size_t rowsPerChunk = std::max<std::size_t>(1, kChunkBytes / rowSize);
  std::vector<std::uint8_t> chunk(rowsPerChunk * rowSize, 0);
  int y = image.height - 1;
  while (y >= 0) {
    std::size_t rows = 0;
    for (; rows < rowsPerChunk && y >= 0; ++rows, --y) packRow(image, y, chunk.data() + rows * rowSize);
    if (!file.write(chunk.data(), rows * rowSize)) return false;
  }
  return file.commit(mode);
}

}  // namespace scan
