#pragma once
// Reading a bitmap file. Pure: no I/O of its own, safe on any bytes.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>

#include "platform/scan/image_data.h"

namespace scan {

// Decodes uncompressed 1/4/8/16/24/32-bit bitmaps (palettes, bit masks),
// run-length 8 and 4-bit ones, top-down or bottom-up. Nothing for anything
// else, for a picture over the size caps, or for a file shorter than its
// headers say. Palette pictures whose colours are all grey come back with
// one channel; the rest with three.
std::optional<Image> decodeBmp(const std::uint8_t* data, std::size_t size);

// The same picture reduced by one whole factor in both directions (the
// smallest that fits it in maxWidth x maxHeight), each pixel sampled from
// the middle of the block it stands for. Only the rows sampled are read,
// so a large file costs little more than the small picture.
std::optional<Image> decodeBmpSampled(const std::uint8_t* data, std::size_t size, int maxWidth, int maxHeight);

// The same from a file read piece by piece: `readAt` fills `size` bytes at
// `offset` and answers false when they are not all there.
using ReadAt = std::function<bool(std::uint64_t offset, std::size_t size, std::uint8_t* to)>;
std::optional<Image> decodeBmpSampled(const ReadAt& readAt, std::uint64_t fileSize, int maxWidth, int maxHeight);

}  // namespace scan
