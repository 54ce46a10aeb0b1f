#pragma once
// Reading a whole image file into memory.

#include <cstdint>
#include <optional>
#include <vector>

namespace scan {

// Files larger than this are not image files the program could have made.
constexpr std::int64_t kMaxImageFileBytes = std::int64_t{1} << 30;

// The bytes of a regular file; nothing for a missing file, a directory or
// other non-regular file, an unreadable or over-large one.
std::optional<std::vector<std::uint8_t>> readImageFile(const char* path);

}  // namespace scan
