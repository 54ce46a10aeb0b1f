#include "platform/pictures/bmp_write.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <vector>

#include "platform/pictures/bgr_rows.h"
#include "platform/pictures/bmp_format.h"

namespace pictures {

namespace {

using namespace bmp;

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

std::optional<BmpLayout> bmpLayout(const Rows& rows) {
  if (!isValid(rows)) return std::nullopt;
  const std::int64_t stride = rowStride(rows.width, bitsPerPixel(rows));
  const std::int64_t pixelBytes = stride * rows.height;
  const std::int64_t offset = static_cast<std::int64_t>(kFileHeaderSize + kInfoHeaderSize) + 4 * paletteColours(rows);
  if (offset + pixelBytes > std::numeric_limits<std::uint32_t>::max()) return std::nullopt;
  BmpLayout layout;
  layout.head = headers(rows, static_cast<std::uint32_t>(offset), static_cast<std::uint32_t>(offset + pixelBytes),
                        static_cast<std::uint32_t>(pixelBytes));
  layout.rowSize = static_cast<std::size_t>(stride);
  return layout;
}

void packBmpRows(const Rows& rows, std::size_t rowSize, std::uint8_t* out) {
  // Only padding and the bits line art leaves clear need clearing; full
  // rows of whole bytes overwrite everything.
  if (rows.bilevel || rowSize != static_cast<std::size_t>(rows.width) * (bitsPerPixel(rows) / 8))
    std::fill_n(out, rowSize * static_cast<std::size_t>(rows.height), 0);
  for (int y = rows.height - 1; y >= 0; --y, out += rowSize) packRow(rows, y, out);
}

bool writeBmp(const Rows& rows, files::NewFile& file) {
  const auto layout = bmpLayout(rows);
  if (!layout || !file.write(layout->head.data(), layout->head.size())) return false;
  const std::size_t rowSize = layout->rowSize;
  // Rows that lie as the file's own are its pixel block as it is.
  if (rows.kind == PixelKind::Bgr && rows.bottomUp && rows.stride == rowSize)
    return file.write(rows.data, rowSize * static_cast<std::size_t>(rows.height));

  // Other rows go out bottom first, gathered into chunks that stay in the
  // cache until they are written.
  const int rowsPerChunk = static_cast<int>(std::max<std::size_t>(1, kChunkBytes / rowSize));
  std::vector<std::uint8_t> chunk(static_cast<std::size_t>(std::min(rowsPerChunk, rows.height)) * rowSize);
  for (int end = rows.height; end > 0;) {
    const int first = std::max(0, end - rowsPerChunk);
    Rows band = rows;
    band.height = end - first;
    band.data = rows.row(rows.bottomUp ? end - 1 : first);
    if (!isValid(band)) return false;
    packBmpRows(band, rowSize, chunk.data());
    if (!file.write(chunk.data(), static_cast<std::size_t>(band.height) * rowSize)) return false;
    end = first;
  }
  return true;
}

}  // namespace pictures
