#pragma once
// The picture of the bitmap file this process wrote last. A bitmap that is
// written only to be loaded again and converted at once is served from
// here: no read of the file and no decode. It serves a load only while the
// name still holds the very file that was written.

#include <optional>
#include <string>

#include "platform/files/durability.h"
#include "platform/scan/image_data.h"

namespace scan {

struct WrittenPicture {
  Image image;
  std::string path;
  files::Identity identity;
};

// Keeps the picture written under `path` (replacing the one kept before);
// false, keeping nothing, when no file stands under `path`.
bool rememberWritten(const std::string& path, Image image);

// The kept picture when it is that of the file now under `path`; it is
// given out once.
std::optional<WrittenPicture> takeWritten(const std::string& path);

// Drops the kept picture.
void forgetWritten();

}  // namespace scan
