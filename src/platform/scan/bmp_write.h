#pragma once
// Writing a picture as a bitmap file.

#include <string>

#include "platform/files/atomic_file.h"
#include "platform/scan/image_data.h"

namespace scan {

// Uncompressed, bottom-up, rows padded to 4 bytes: 24-bit for colour, 8-bit
// with a grey palette for grey pictures; the resolution goes into the header.
// Atomic: either the whole file appears under `path` or nothing changes.
// False for an invalid picture or when the file cannot be written (with
// Commit::NoReplace also when `path` exists).
bool writeBmp(const Image& image, const std::string& path, files::Commit mode);

}  // namespace scan
