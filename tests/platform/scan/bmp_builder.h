#pragma once
// Hand-made bitmap files for tests: every header field set on purpose.

#include <cstdint>
#include <vector>

namespace scan_test {

struct BmpFields {
  std::uint32_t headerSize = 40;
  std::int32_t width = 1;
  std::int32_t height = 1;
  std::uint16_t bitsPerPixel = 24;
  std::uint32_t compression = 0;
  std::uint32_t colorsUsed = 0;
  std::vector<std::uint32_t> masks;    // inside headers of 52+ bytes, after a 40-byte one
  std::vector<std::uint32_t> palette;  // 0xRRGGBB
  std::vector<std::uint8_t> pixels;    // the stored pixel data
  std::int32_t xPixelsPerMetre = 0;
  std::int32_t yPixelsPerMetre = 0;
};

// Little-endian; grows `out` when the field reaches past its end.
inline void put(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v, int bytes) {
  if (out.size() < at + static_cast<std::size_t>(bytes)) out.resize(at + static_cast<std::size_t>(bytes));
  for (int i = 0; i < bytes; ++i) out.at(at + static_cast<std::size_t>(i)) = static_cast<std::uint8_t>(v >> (8 * i));
}

inline std::vector<std::uint8_t> buildBmp(const BmpFields& s) {
  std::vector<std::uint8_t> out(14 + s.headerSize, 0);
  out[0] = 'B';
  out[1] = 'M';
  put(out, 14, s.headerSize, 4);
  if (s.headerSize == 12) {
    put(out, 18, static_cast<std::uint32_t>(s.width), 2);
    put(out, 20, static_cast<std::uint32_t>(s.height), 2);
    put(out, 22, 1, 2);
    put(out, 24, s.bitsPerPixel, 2);
  } else {
    put(out, 18, static_cast<std::uint32_t>(s.width), 4);
    put(out, 22, static_cast<std::uint32_t>(s.height), 4);
    put(out, 26, 1, 2);
    put(out, 28, s.bitsPerPixel, 2);
    put(out, 30, s.compression, 4);
    put(out, 38, static_cast<std::uint32_t>(s.xPixelsPerMetre), 4);
    put(out, 42, static_cast<std::uint32_t>(s.yPixelsPerMetre), 4);
    put(out, 46, s.colorsUsed, 4);
    for (std::size_t i = 0; i < s.masks.size(); ++i) {
      if (s.headerSize >= 52 + 4 * i) {
        put(out, 54 + 4 * i, s.masks[i], 4);
      } else {
        out.resize(out.size() + 4);
        put(out, out.size() - 4, s.masks[i], 4);
      }
    }
  }
  const int entry = s.headerSize == 12 ? 3 : 4;
  for (std::uint32_t rgb : s.palette) {
    out.resize(out.size() + static_cast<std::size_t>(entry), 0);
    put(out, out.size() - static_cast<std::size_t>(entry), rgb, 3);  // stored blue, green, red
  }
  put(out, 10, static_cast<std::uint32_t>(out.size()), 4);
  out.insert(out.end(), s.pixels.begin(), s.pixels.end());
  put(out, 2, static_cast<std::uint32_t>(out.size()), 4);
  return out;
}

}  // namespace scan_test
