#pragma once
// Writing a picture's rows as a bitmap file.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

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

// The file a picture of this shape makes: its headers, then its rows of
// `rowSize` bytes each, the bottom row first. Nothing when the format
// cannot hold the rows.
struct BmpLayout {
  std::vector<std::uint8_t> head;
  std::size_t rowSize = 0;
};
std::optional<BmpLayout> bmpLayout(const Rows& rows);

// All of `rows` as the file's rows, the bottom one first, into `out`
// (`rows.height` times `rowSize` bytes).
void packBmpRows(const Rows& rows, std::size_t rowSize, std::uint8_t* out);

}  // namespace pictures
