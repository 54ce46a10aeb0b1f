#pragma once
// Reading a whole image file into memory.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

#include "platform/scan/image_data.h"

namespace scan {

// Files larger than this are not image files the program could have made.
constexpr std::int64_t kMaxImageFileBytes = std::int64_t{1} << 30;

struct FileBytes {
  std::unique_ptr<std::uint8_t[]> data;  // not zero-filled first: the read fills it
  std::size_t size = 0;
};

// The bytes of a regular file; nothing for a missing file, a directory or
// other non-regular file, an unreadable or over-large one.
std::optional<FileBytes> readImageFile(const char* path);

// A bitmap file reduced to fit maxWidth x maxHeight (see decodeBmpSampled),
// reading only the parts of the file it needs; nothing for anything that
// readImageFile refuses or that is no bitmap.
std::optional<Image> readBmpFileSampled(const char* path, int maxWidth, int maxHeight);

}  // namespace scan
