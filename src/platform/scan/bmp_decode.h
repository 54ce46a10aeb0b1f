#pragma once
// Reading a bitmap file held in memory. Pure: no I/O, safe on any bytes.

#include <cstddef>
#include <cstdint>
#include <optional>

#include "platform/scan/image_data.h"

namespace scan {

// Decodes uncompressed 1/4/8/16/24/32-bit bitmaps (palettes, bit masks),
// run-length 8 and 4-bit ones, top-down or bottom-up. Nothing for anything
// else, for a picture over the size caps, or for a file shorter than its
// headers say. Palette pictures whose colours are all grey come back with
// one channel; the rest with three.
std::optional<Image> decodeBmp(const std::uint8_t* data, std::size_t size);

}  // namespace scan
