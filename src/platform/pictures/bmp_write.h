#pragma once
// Writing a picture's rows as a bitmap file.

#include "platform/files/new_file.h"
#include "platform/pictures/picture.h"

namespace pictures {

// Uncompressed, bottom-up, rows padded to 4 bytes: 24-bit for colour, 8-bit
// with a grey palette for grey pictures, 1-bit black and white for line art;
// the resolution goes into the header. The rows are repacked through a
// buffer of a few hundred kilobytes, never a copy of the whole picture.
// False when the rows are refused (too large for the format) or a write
// failed (then `file.failure()` tells).
bool writeBmp(const Rows& rows, files::NewFile& file);

}  // namespace pictures
