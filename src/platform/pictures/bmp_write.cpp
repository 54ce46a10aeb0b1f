#include "platform/pictures/bmp_write.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#include "platform/pictures/bmp_format.h"

namespace pictures {

namespace {

using namespace bmp;

static_assert(std::endian::native == std::endian::little, "frame pixels are repacked as little-endian words");

constexpr std::size_t kChunkBytes = 256 * 1024;

bool grey(const Rows& rows) { return rows.kind == PixelKind::Grey; }

int bitsPerPixel(const Rows& rows) {
  if (rows.bilevel && grey(rows)) return 1;
  return grey(rows) ? 8 : 24;
}

// Grey pictures carry a palette: 256 levels, or black and white for line art.
int paletteColours(const Rows& rows) {
  if (!grey(rows)) return 0;
  return rows.bilevel ? 2 : 256;
}

std::vector<std::uint8_t> headers(const Rows& rows, std::uint32_t offset, std::uint32_t fileSize,
                                  std::uint32_t pixelBytes) {
  const int colours = paletteColours(rows);
  std::vector<std::uint8_t> out(offset, 0);
  std::uint8_t* p = out.data();
  p[0] = 'B';
  p[1] = 'M';
  putU32(p + 2, fileSize);
  putU32(p + 10, offset);
  std::uint8_t* info = p + kFileHeaderSize;
  putU32(info, kInfoHeaderSize);
  putU32(info + 4, static_cast<std::uint32_t>(rows.width));
  putU32(info + 8, static_cast<std::uint32_t>(rows.height));  // positive: bottom-up
  putU16(info + 12, 1);
  putU16(info + 14, static_cast<std::uint16_t>(bitsPerPixel(rows)));
  putU32(info + 16, kRgb);
  putU32(info + 20, pixelBytes);
  putU32(info + 24, static_cast<std::uint32_t>(pixelsPerMetreFromDpi(rows.xDpi)));
  putU32(info + 28, static_cast<std::uint32_t>(pixelsPerMetreFromDpi(rows.yDpi)));
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

// Four 0xAARRGGBB words make three words of blue, green, red bytes.
void packFrameRow(const std::uint8_t* row, int width, std::uint8_t* out) {
  const auto* in = reinterpret_cast<const std::uint32_t*>(row);
  int x = 0;
  for (; x + 4 <= width; x += 4, out += 12) {
    const std::uint32_t p0 = in[x], p1 = in[x + 1], p2 = in[x + 2], p3 = in[x + 3];
    // Stored word by word: read back from a stack array, two of these words
    // would be one load spanning two stores, which the processor cannot
    // forward and stalls on.
    const std::uint32_t w0 = (p0 & 0xFFFFFF) | (p1 << 24), w1 = ((p1 >> 8) & 0xFFFF) | (p2 << 16),
                        w2 = ((p2 >> 16) & 0xFF) | (p3 << 8);
    std::memcpy(out, &w0, 4);
    std::memcpy(out + 4, &w1, 4);
    std::memcpy(out + 8, &w2, 4);
  }
  for (; x < width; ++x) {
    *out++ = std::uint8_t(in[x]);
    *out++ = std::uint8_t(in[x] >> 8);
    *out++ = std::uint8_t(in[x] >> 16);
  }
}

// Red and blue swapped, four pixels (three words) at a time:
// in  r0 g0 b0 r1 | g1 b1 r2 g2 | b2 r3 g3 b3
// out b0 g0 r0 b1 | g1 r1 b2 g2 | r2 b3 g3 r3
void swapRgbRow(const std::uint8_t* src, int width, std::uint8_t* out) {
  int x = 0;
  for (; x + 4 <= width; x += 4, src += 12, out += 12) {
    std::uint32_t a, b, c;
    std::memcpy(&a, src, 4);
    std::memcpy(&b, src + 4, 4);
    std::memcpy(&c, src + 8, 4);
    const std::uint32_t w0 = ((a >> 16) & 0xFF) | (a & 0xFF00) | ((a & 0xFF) << 16) | (((b >> 8) & 0xFF) << 24);
    const std::uint32_t w1 = (b & 0xFF) | ((a >> 24) << 8) | ((c & 0xFF) << 16) | (b & 0xFF000000);
    const std::uint32_t w2 = ((b >> 16) & 0xFF) | ((c >> 24) << 8) | (c & 0xFF0000) | (((c >> 8) & 0xFF) << 24);
    std::memcpy(out, &w0, 4);
    std::memcpy(out + 4, &w1, 4);
    std::memcpy(out + 8, &w2, 4);
  }
  for (; x < width; ++x, src += 3, out += 3) {
    out[0] = src[2];
    out[1] = src[1];
    out[2] = src[0];
  }
}

// One row of the file from the picture's row `y` counted from the top: blue,
// green, red for colour; a set bit (white) for every grey pixel of at least
// half intensity in line art.
void packRow(const Rows& rows, int y, std::uint8_t* dst) {
  const std::uint8_t* src = rows.row(y);
  const auto width = static_cast<std::size_t>(rows.width);
  if (rows.bilevel && grey(rows)) {
    for (std::size_t x = 0; x < width; ++x)
      if (src[x] >= 128) dst[x / 8] = static_cast<std::uint8_t>(dst[x / 8] | (0x80 >> (x % 8)));
    return;
  }
  switch (rows.kind) {
    case PixelKind::Grey: std::copy_n(src, width, dst); return;
    case PixelKind::Bgr: std::copy_n(src, 3 * width, dst); return;
    case PixelKind::Bgrx: packFrameRow(src, rows.width, dst); return;
    case PixelKind::Rgb: swapRgbRow(src, rows.width, dst); return;
  }
}

}  // namespace

bool writeBmp(const Rows& rows, files::NewFile& file) {
  if (!isValid(rows)) return false;
  const std::int64_t stride = rowStride(rows.width, bitsPerPixel(rows));
  const std::int64_t pixelBytes = stride * rows.height;
  const std::int64_t offset = static_cast<std::int64_t>(kFileHeaderSize + kInfoHeaderSize) + 4 * paletteColours(rows);
  if (offset + pixelBytes > std::numeric_limits<std::uint32_t>::max()) return false;

  const auto head = headers(rows, static_cast<std::uint32_t>(offset), static_cast<std::uint32_t>(offset + pixelBytes),
                            static_cast<std::uint32_t>(pixelBytes));
  if (!file.write(head.data(), head.size())) return false;
  const auto rowSize = static_cast<std::size_t>(stride);
  // Rows that lie as the file's own are its pixel block as it is.
  if (rows.kind == PixelKind::Bgr && rows.bottomUp && rows.stride == rowSize)
    return file.write(rows.data, rowSize * static_cast<std::size_t>(rows.height));

  // Other rows go out bottom first, gathered into chunks that stay in the
  // cache until they are written.
  const std::size_t rowsPerChunk = std::max<std::size_t>(1, kChunkBytes / rowSize);
  std::vector<std::uint8_t> chunk(std::min<std::size_t>(rowsPerChunk, std::size_t(rows.height)) * rowSize);
  // Only padding and the bits line art leaves clear need clearing; full
  // rows of whole bytes overwrite everything.
  const bool clear = rows.bilevel || rowSize != static_cast<std::size_t>(rows.width) * (bitsPerPixel(rows) / 8);
  int y = rows.height - 1;
  while (y >= 0) {
    if (clear) std::fill(chunk.begin(), chunk.end(), 0);
    std::size_t n = 0;
    for (; n < rowsPerChunk && y >= 0; ++n, --y) packRow(rows, y, chunk.data() + n * rowSize);
    if (!file.write(chunk.data(), n * rowSize)) return false;
  }
  return true;
}

}  // namespace pictures
