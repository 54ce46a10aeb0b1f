#pragma once
// Colour rows repacked into a bitmap file's blue, green, red bytes.

#include <cstdint>

namespace pictures {

// `width` pixels of red, green, blue bytes (a scanned page) as blue, green,
// red. `src` and `out` must not overlap.
void swapRgbRow(const std::uint8_t* src, int width, std::uint8_t* out);

// `width` 32-bit frame pixels (blue, green, red, unused byte) as blue, green,
// red. `src` and `out` must not overlap.
void packFrameRow(const std::uint8_t* src, int width, std::uint8_t* out);

}  // namespace pictures
