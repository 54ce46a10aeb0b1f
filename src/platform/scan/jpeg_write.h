#pragma once
// Writing a picture as a JPEG file.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/files/atomic_file.h"
#include "platform/scan/image_data.h"

namespace scan {

// The one quality every JPEG (and the picture inside every PDF) is made at.
constexpr int kJpegQuality = 85;

// Baseline JPEG at kJpegQuality: colour with 4:2:0 chroma subsampling, grey
// pictures as one-component JPEG. The JFIF header carries the picture's
// resolution in dots per inch when it has one. Nothing for an invalid picture.
std::optional<std::vector<std::uint8_t>> encodeJpeg(const Image& image);

// encodeJpeg, then the bytes written atomically to `path`.
bool writeJpeg(const Image& image, const std::string& path, files::Commit mode);

// Puts the density into a JFIF header at the start of `jpeg`; false (and no
// change) when the data does not start with one.
bool setJfifDensity(std::vector<std::uint8_t>& jpeg, double xDpi, double yDpi);

}  // namespace scan
