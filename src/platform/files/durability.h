#pragma once
// Making a file that was written without a flush durable, and telling
// whether a name still holds the very file that was written under it.

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string>

namespace files {

// Flushes the file under `path` and the folder entry that names it to disk.
// False when the file cannot be opened or the flush fails.
bool flushToDisk(const std::string& path);

// What tells a file apart from one that took its name later or was written
// to since.
struct Identity {
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  std::int64_t modifiedNs = 0;
  std::int64_t changedNs = 0;
  bool operator==(const Identity&) const = default;
};

// Nothing when there is no regular file under `path`.
std::optional<Identity> identityOf(const std::string& path);

}  // namespace files
