#pragma once
// JPEG encoding of a picture's own rows.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "platform/pictures/picture.h"

namespace pictures {

// The one quality every JPEG (and the picture inside every PDF) is made at.
constexpr int kJpegQuality = 85;

// Baseline JPEG at kJpegQuality: colour with 4:2:0 chroma subsampling, grey
// pictures as one-component JPEG. The JFIF header carries the picture's
// resolution in dots per inch when it has one. Nothing for invalid rows.
std::optional<std::vector<std::uint8_t>> encodeJpeg(const Rows& rows);
// The same in a buffer the calling thread keeps from picture to picture,
// valid until its next encode: for bytes that are written at once.
std::optional<std::span<const std::uint8_t>> encodeJpegKept(const Rows& rows);

// Puts the density into a JFIF header at the start of `jpeg`; false (and no
// change) when the data does not start with one.
bool setJfifDensity(std::span<std::uint8_t> jpeg, double xDpi, double yDpi);

}  // namespace pictures
