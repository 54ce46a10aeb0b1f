#pragma once
// Reading a whole image file into memory.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

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

}  // namespace scan
