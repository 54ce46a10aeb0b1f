#pragma once
// Frames saved as device-independent bitmap files.

#include <QImage>
#include <string>

#include "platform/scan/image_data.h"

namespace capture {

// The frame in a bitmap file's own layout (rows bottom-up, blue, green,
// red, padded to 4 bytes) at 96 dots per inch; empty pixels for a null
// image or one over the size caps.
scan::Image bitmapOf(const QImage& image);

// Writes the frame as an uncompressed 24-bit bitmap file under `path`
// without ever replacing an existing file; on any failure nothing is left
// under `path`. The file is not yet flushed: it is about to be converted
// (and is served to the image library's next load of it from memory), or
// the caller flushes it when it stays (files::flushToDisk).
bool saveDib(const QImage& image, const std::string& path);

}  // namespace capture
