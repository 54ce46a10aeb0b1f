#pragma once
// Writing a picture as a bitmap file.

#include <string>

#include "platform/files/atomic_file.h"
#include "platform/scan/image_data.h"

namespace scan {

// Uncompressed, bottom-up, rows padded to 4 bytes: 24-bit for colour, 8-bit
// with a grey palette for grey pictures, 1-bit black and white for line art;
// the resolution goes into the header.
// Atomic: either the whole file appears under `path` or nothing changes.
// False for an invalid picture or when the file cannot be written (with
// Commit::NoReplace also when `path` exists).
// Flushed to disk before it returns.
bool writeBmp(const Image& image, const std::string& path, files::Commit mode);

// A picture that is converted right after: claims `path` with it as a bitmap
// file (never replacing), not yet flushed (files::flushToDisk makes it
// durable if it stays), and keeps the picture, in the layout it came in, to
// serve the next load of that file (written_picture.h).
bool writeNewBitmap(Image image, const std::string& path);

}  // namespace scan
