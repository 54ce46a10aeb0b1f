#pragma once
// Pictures in memory behind 32-bit handles, as the image-file functions
// hand them out. A handle is checked against the table before any use, so a
// stale or invented one is refused rather than followed.

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "platform/files/durability.h"

#include "platform/scan/image_data.h"

namespace scan {

// A bitmap file that holds exactly the picture of a handle, as it held it
// when the picture was loaded.
struct SourceFile {
  std::string path;
  files::Identity identity;
};

// Keeps the picture and returns its new handle (never 0); 0 when the picture
// is invalid.
std::int32_t registerImage(Image image, std::optional<SourceFile> source = std::nullopt);

// Removes the picture from the table and gives it back; nothing for 0, for a
// handle never issued and for one already released.
std::optional<Image> releaseImage(std::int32_t handle);
std::optional<std::pair<Image, std::optional<SourceFile>>> releaseWithSource(std::int32_t handle);

// The picture behind a handle, left in the table; nullptr for a bad handle.
// Valid until the handle is released.
const Image* heldImage(std::int32_t handle);

// How many pictures are held; for leak checks.
std::size_t heldImageCount();

}  // namespace scan
