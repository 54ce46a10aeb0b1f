#include "platform/scan/bmp_decode.h"

#include <algorithm>
#include <array>
#include <bit>
#include <limits>
#include <vector>

#include "platform/pictures/bmp_format.h"

namespace scan {

namespace {

using namespace pictures::bmp;

// File header, the largest info header, masks and a full palette.
constexpr std::size_t kHeadBytes = 2048;
// Run-length data is read whole; more than this is no bitmap of ours.
constexpr std::size_t kMaxRunLengthBytes = 64 * 1024 * 1024;

struct Rgb {
  std::uint8_t r = 0, g = 0, b = 0;
};

struct Channel {
  std::uint32_t mask = 0;
  int shift = 0;
  std::uint32_t max = 0;  // largest value after shifting; 0 for an absent channel
};

struct Header {
  std::int64_t width = 0;
  std::int64_t height = 0;
  bool topDown = false;
  int bitsPerPixel = 0;
  std::uint32_t compression = kRgb;
  std::int64_t xPixelsPerMetre = 0;
  std::int64_t yPixelsPerMetre = 0;
  std::size_t pixelOffset = 0;
  std::array<Rgb, 256> palette{};
  bool greyPalette = true;
  std::array<Channel, 3> channels{};  // red, green, blue
};

std::optional<Channel> channelFor(std::uint32_t mask) {
  if (mask == 0) return Channel{};
  int shift = std::countr_zero(mask);
  std::uint32_t max = mask >> shift;
  if ((max & (max + 1)) != 0) return std::nullopt;  // the bits are not contiguous
  return Channel{mask, shift, max};
}

std::uint8_t channelValue(std::uint32_t pixel, const Channel& c) {
  if (c.max == 0) return 0;
  std::uint32_t v = (pixel & c.mask) >> c.shift;
  if (c.max == 255) return static_cast<std::uint8_t>(v);
  return static_cast<std::uint8_t>((std::uint64_t{v} * 255 + c.max / 2) / c.max);
}

bool knownHeaderSize(std::uint32_t size) {
  switch (size) {
    case kCoreHeaderSize: case kInfoHeaderSize: case 52: case 56: case kOs2HeaderSize: case 108: case 124:
      return true;
    default:
      return false;
  }
}

bool formatSupported(const Header& h, std::uint32_t headerSize) {
  const int bpp = h.bitsPerPixel;
  if (headerSize == kOs2HeaderSize && h.compression > kRle4) return false;
  switch (h.compression) {
    case kRgb: return bpp == 1 || bpp == 4 || bpp == 8 || bpp == 16 || bpp == 24 || bpp == 32;
    case kRle8: return bpp == 8 && !h.topDown;
    case kRle4: return bpp == 4 && !h.topDown;
    case kBitfields:
    case kAlphaBitfields: return bpp == 16 || bpp == 32;
    default: return false;
  }
}

// Reads the colour masks; returns the offset just past them, 0 on failure.
std::size_t readMasks(const std::uint8_t* data, std::size_t size, std::uint32_t headerSize, Header& h) {
  std::size_t end = kFileHeaderSize + headerSize;
  std::array<std::uint32_t, 3> masks{};
  if (h.compression == kBitfields || h.compression == kAlphaBitfields) {
    const std::uint8_t* at = data + kFileHeaderSize + kInfoHeaderSize;
    if (headerSize == kInfoHeaderSize) {
      // A plain info header is followed by the masks instead of holding them.
      std::size_t extra = h.compression == kAlphaBitfields ? 16 : 12;
      if (size - end < extra) return 0;
      end += extra;
    }
    for (int i = 0; i < 3; ++i) masks[i] = getU32(at + 4 * i);
  } else if (h.bitsPerPixel == 16) {
    masks = {0x7C00, 0x03E0, 0x001F};
  } else if (h.bitsPerPixel == 32) {
    masks = {0xFF0000, 0x00FF00, 0x0000FF};
  }
  for (int i = 0; i < 3; ++i) {
    if (h.bitsPerPixel == 16 && masks[i] > 0xFFFF) return 0;
    auto channel = channelFor(masks[i]);
    if (!channel) return 0;
    h.channels[i] = *channel;
  }
  return end;
}

bool readPalette(const std::uint8_t* data, std::size_t start, std::uint32_t colorsUsed, int entrySize,
                 Header& h) {
  const std::size_t most = std::size_t{1} << h.bitsPerPixel;
  std::size_t entries = colorsUsed == 0 || colorsUsed > most ? most : colorsUsed;
  // A palette that claims more entries than fit before the pixels is cut.
  entries = std::min(entries, (h.pixelOffset - start) / static_cast<std::size_t>(entrySize));
  if (entries == 0) return false;
  for (std::size_t i = 0; i < entries; ++i) {
    const std::uint8_t* e = data + start + i * static_cast<std::size_t>(entrySize);
    h.palette[i] = Rgb{e[2], e[1], e[0]};
    if (e[0] != e[1] || e[1] != e[2]) h.greyPalette = false;
  }
  return true;
}

std::optional<Header> parseHeader(const std::uint8_t* data, std::size_t size) {
  if (size < kFileHeaderSize + 4 || data[0] != 'B' || data[1] != 'M') return std::nullopt;
  const std::uint32_t headerSize = getU32(data + kFileHeaderSize);
  if (!knownHeaderSize(headerSize) || size - kFileHeaderSize < headerSize) return std::nullopt;

  Header h;
  const std::uint8_t* d = data + kFileHeaderSize;
  std::uint32_t colorsUsed = 0;
  int entrySize = 4;
  if (headerSize == kCoreHeaderSize) {
    h.width = getU16(d + 4);
    h.height = getU16(d + 6);
    h.bitsPerPixel = getU16(d + 10);
    entrySize = 3;
  } else {
    h.width = getI32(d + 4);
    h.height = getI32(d + 8);
    h.bitsPerPixel = getU16(d + 14);
    h.compression = getU32(d + 16);
    h.xPixelsPerMetre = getI32(d + 24);
    h.yPixelsPerMetre = getI32(d + 28);
    colorsUsed = getU32(d + 32);
  }
  if (h.height < 0) {
    h.topDown = true;
    h.height = -h.height;
  }
  if (h.width <= 0 || h.height <= 0 || h.width > kMaxSide || h.height > kMaxSide ||
      h.width * h.height > kMaxPixels)
    return std::nullopt;
  if (!formatSupported(h, headerSize)) return std::nullopt;

  const std::size_t maskEnd = readMasks(data, size, headerSize, h);
  if (maskEnd == 0) return std::nullopt;
  h.pixelOffset = getU32(data + 10);
  if (h.pixelOffset < maskEnd || h.pixelOffset >= size) return std::nullopt;
  if (h.bitsPerPixel <= 8 && !readPalette(data, maskEnd, colorsUsed, entrySize, h)) return std::nullopt;
  return h;
}

// Run-length data into one palette index per pixel (rows top to bottom).
// Pixels the stream skips keep index 0. False when the data ends before the
// picture does. `rowAt` gives where a row (counted from the top) goes in
// `indices`, or a negative number for a row that is not wanted.
template <class RowAt>
bool decodeRunLength(const std::uint8_t* p, std::size_t n, const Header& h, std::vector<std::uint8_t>& indices,
                     RowAt rowAt) {
  const bool nibbles = h.compression == kRle4;
  const std::int64_t w = h.width;
  std::int64_t x = 0, y = 0;  // y counts rows from the bottom
  std::size_t i = 0;
  auto put = [&](std::int64_t count, auto valueAt) {
    const std::int64_t slot = y < h.height ? rowAt(h.height - 1 - y) : -1;
    if (slot >= 0) {
      std::int64_t room = std::clamp<std::int64_t>(w - x, 0, count);
      std::uint8_t* row = indices.data() + slot * w;
      for (std::int64_t k = 0; k < room; ++k) row[x + k] = valueAt(k);
    }
    x += count;
  };
  while (y < h.height) {
    if (n - i < 2) return false;
    const std::uint8_t count = p[i], value = p[i + 1];
    i += 2;
    if (count > 0) {
      const auto hi = static_cast<std::uint8_t>(value >> 4), lo = static_cast<std::uint8_t>(value & 15);
      put(count, [&](std::int64_t k) { return nibbles ? (k % 2 == 0 ? hi : lo) : value; });
    } else if (value == 0) {
      x = 0;
      ++y;
    } else if (value == 1) {
      return true;
    } else if (value == 2) {
      if (n - i < 2) return false;
      x += p[i];
      y += p[i + 1];
      i += 2;
    } else {
      const std::size_t bytes = nibbles ? (value + 1u) / 2 : value;
      if (n - i < bytes) return false;
      const std::uint8_t* run = p + i;
      put(value, [&](std::int64_t k) {
        return nibbles ? static_cast<std::uint8_t>(k % 2 == 0 ? run[k / 2] >> 4 : run[k / 2] & 15) : run[k];
      });
      i += std::min(bytes + (bytes & 1), n - i);  // runs are padded to whole words
    }
  }
  return true;
}

// Whether uncompressed rows are all there; only the last row's padding may
// be missing.
bool rowsPresent(const Header& h, std::size_t n) {
  const std::int64_t lastRow = (h.width * h.bitsPerPixel + 7) / 8;
  return rowStride(h.width, h.bitsPerPixel) * (h.height - 1) + lastRow <= static_cast<std::int64_t>(n);
}

// Uncompressed palette rows into one index per pixel (rows top to bottom).
void unpackIndices(const std::uint8_t* p, const Header& h, std::vector<std::uint8_t>& indices) {
  const int bpp = h.bitsPerPixel;
  const std::int64_t stride = rowStride(h.width, bpp);
  const int perByte = 8 / bpp;
  const unsigned mask = (1u << bpp) - 1;
  for (std::int64_t r = 0; r < h.height; ++r) {
    const std::uint8_t* src = p + r * stride;
    std::uint8_t* dst = indices.data() + (h.topDown ? r : h.height - 1 - r) * h.width;
    for (std::int64_t x = 0; x < h.width; ++x) {
      const int shift = 8 - bpp * (1 + static_cast<int>(x % perByte));
      dst[x] = static_cast<std::uint8_t>((src[x / perByte] >> shift) & mask);
    }
  }
}

Image fromIndices(const Header& h, const std::vector<std::uint8_t>& indices) {
  const int channels = h.greyPalette ? 1 : 3;
  Image image = blankImage(static_cast<int>(h.width), static_cast<int>(h.height), channels);
  std::uint8_t* out = image.pixels.data();
  for (std::uint8_t index : indices) {
    const Rgb& c = h.palette[index];
    *out++ = c.r;
    if (channels == 3) {
      *out++ = c.g;
      *out++ = c.b;
    }
  }
  return image;
}

Image fromDirectColour(const std::uint8_t* p, const Header& h) {
  const int bpp = h.bitsPerPixel;
  const std::int64_t stride = rowStride(h.width, bpp);
  Image image = blankImage(static_cast<int>(h.width), static_cast<int>(h.height), 3);
  for (std::int64_t r = 0; r < h.height; ++r) {
    const std::uint8_t* src = p + r * stride;
    std::uint8_t* dst = image.pixels.data() + (h.topDown ? r : h.height - 1 - r) * h.width * 3;
    if (bpp == 24) {
      for (std::int64_t x = 0; x < h.width; ++x, src += 3, dst += 3) {
        dst[0] = src[2];
        dst[1] = src[1];
        dst[2] = src[0];
      }
      continue;
    }
    for (std::int64_t x = 0; x < h.width; ++x, dst += 3) {
      const std::uint32_t pixel = bpp == 16 ? getU16(src + 2 * x) : getU32(src + 4 * x);
      for (int c = 0; c < 3; ++c) dst[c] = channelValue(pixel, h.channels[c]);
    }
  }
  return image;
}

// The colour of one pixel of an uncompressed row.
void pixelAt(const std::uint8_t* row, std::int64_t x, const Header& h, std::uint8_t* out, int channels) {
  const int bpp = h.bitsPerPixel;
  if (bpp <= 8) {
    const int perByte = 8 / bpp;
    const int shift = 8 - bpp * (1 + static_cast<int>(x % perByte));
    const Rgb& c = h.palette[(row[x / perByte] >> shift) & ((1u << bpp) - 1)];
    out[0] = c.r;
    if (channels == 3) {
      out[1] = c.g;
      out[2] = c.b;
    }
  } else if (bpp == 24) {
    out[0] = row[3 * x + 2];
    out[1] = row[3 * x + 1];
    out[2] = row[3 * x];
  } else {
    const std::uint32_t pixel = bpp == 16 ? getU16(row + 2 * x) : getU32(row + 4 * x);
    for (int c = 0; c < 3; ++c) out[c] = channelValue(pixel, h.channels[c]);
  }
}

}  // namespace

std::optional<Image> decodeBmpSampled(const ReadAt& readAt, std::uint64_t fileSize, int maxWidth, int maxHeight) {
  if (maxWidth <= 0 || maxHeight <= 0 || fileSize > std::numeric_limits<std::size_t>::max()) return std::nullopt;
  // Headers, masks and palette lie within the first kHeadBytes.
  std::vector<std::uint8_t> head(static_cast<std::size_t>(std::min<std::uint64_t>(fileSize, kHeadBytes)));
  if (head.empty() || !readAt(0, head.size(), head.data())) return std::nullopt;
  const auto size = static_cast<std::size_t>(fileSize);
  auto header = parseHeader(head.data(), size);
  if (!header) return std::nullopt;
  const Header& h = *header;
  const std::size_t available = size - h.pixelOffset;
  const bool runLength = h.compression == kRle8 || h.compression == kRle4;
  if (!runLength && !rowsPresent(h, available)) return std::nullopt;
  if (runLength && available > kMaxRunLengthBytes) return std::nullopt;

  // One whole step in both directions keeps the picture's shape.
  const std::int64_t step = std::max<std::int64_t>(
      {1, (h.width + maxWidth - 1) / maxWidth, (h.height + maxHeight - 1) / maxHeight});
  const std::int64_t outWidth = (h.width + step - 1) / step, outHeight = (h.height + step - 1) / step;
  const auto sampled = [&](std::int64_t i, std::int64_t extent) { return std::min(i * step + step / 2, extent - 1); };
  const int channels = h.bitsPerPixel <= 8 && h.greyPalette ? 1 : 3;
  Image image = blankImage(static_cast<int>(outWidth), static_cast<int>(outHeight), channels);
  if (image.pixels.empty()) return std::nullopt;
  std::uint8_t* out = image.pixels.data();

  if (runLength) {
    std::vector<std::uint8_t> stream(available);
    if (!readAt(h.pixelOffset, available, stream.data())) return std::nullopt;
    // Only the rows that are sampled are kept, one palette index per pixel.
    std::vector<std::uint8_t> indices(static_cast<std::size_t>(h.width * outHeight), 0);
    const auto rowAt = [&](std::int64_t row) -> std::int64_t {
      const std::int64_t slot = row / step;
      return slot < outHeight && sampled(slot, h.height) == row ? slot : -1;
    };
    if (!decodeRunLength(stream.data(), available, h, indices, rowAt)) return std::nullopt;
    for (std::int64_t y = 0; y < outHeight; ++y) {
      for (std::int64_t x = 0; x < outWidth; ++x, out += channels) {
        const Rgb& c = h.palette[indices[static_cast<std::size_t>(y * h.width + sampled(x, h.width))]];
        out[0] = c.r;
        if (channels == 3) {
          out[1] = c.g;
          out[2] = c.b;
        }
      }
    }
  } else {
    const std::int64_t stride = rowStride(h.width, h.bitsPerPixel);
    const auto rowBytes = static_cast<std::size_t>((h.width * h.bitsPerPixel + 7) / 8);
    std::vector<std::uint8_t> src(rowBytes);
    for (std::int64_t y = 0; y < outHeight; ++y) {
      const std::int64_t row = sampled(y, h.height);
      const std::int64_t fileRow = h.topDown ? row : h.height - 1 - row;
      if (!readAt(h.pixelOffset + static_cast<std::uint64_t>(fileRow * stride), rowBytes, src.data()))
        return std::nullopt;
      for (std::int64_t x = 0; x < outWidth; ++x, out += channels)
        pixelAt(src.data(), sampled(x, h.width), h, out, channels);
    }
  }
  image.xDpi = dpiFromPixelsPerMetre(h.xPixelsPerMetre) / static_cast<double>(step);
  image.yDpi = dpiFromPixelsPerMetre(h.yPixelsPerMetre) / static_cast<double>(step);
  return image;
}

std::optional<Image> decodeBmpSampled(const std::uint8_t* data, std::size_t size, int maxWidth, int maxHeight) {
  if (data == nullptr) return std::nullopt;
  const ReadAt fromMemory = [&](std::uint64_t offset, std::size_t n, std::uint8_t* to) {
    if (offset > size || n > size - offset) return false;
    std::copy_n(data + offset, n, to);
    return true;
  };
  return decodeBmpSampled(fromMemory, size, maxWidth, maxHeight);
}

std::optional<Image> decodeBmp(const std::uint8_t* data, std::size_t size) {
  if (data == nullptr) return std::nullopt;
  auto header = parseHeader(data, size);
  if (!header) return std::nullopt;
  const Header& h = *header;
  const std::uint8_t* pixels = data + h.pixelOffset;
  const std::size_t available = size - h.pixelOffset;

  const bool runLength = h.compression == kRle8 || h.compression == kRle4;
  if (!runLength && !rowsPresent(h, available)) return std::nullopt;

  Image image;
  if (h.bitsPerPixel <= 8) {
    std::vector<std::uint8_t> indices(static_cast<std::size_t>(h.width * h.height), 0);
    if (!runLength) {
      unpackIndices(pixels, h, indices);
    } else if (!decodeRunLength(pixels, available, h, indices, [](std::int64_t row) { return row; })) {
      return std::nullopt;
    }
    image = fromIndices(h, indices);
  } else {
    image = fromDirectColour(pixels, h);
  }
  image.xDpi = dpiFromPixelsPerMetre(h.xPixelsPerMetre);
  image.yDpi = dpiFromPixelsPerMetre(h.yPixelsPerMetre);
  return image;
}

}  // namespace scan
