#pragma once
// The picture the capture window wrote, loaded once (from memory right
// after the capture): shown in the viewer and rewritten in the format that
// the file's extension asks for.

#include <QImage>
#include <QString>
#include <cstdint>

#include "platform/scan/image_data.h"

namespace stills {

enum class StillFormat { None, Bmp, Jpeg, Pdf };

// ".bmp", ".jpg" and ".pdf", compared exactly; anything else (".BMP",
// "tiff") selects no writer and the file stays the capture window's bitmap.
StillFormat FormatForExtension(const QString& fileExt);

// The bitmap file's picture behind an image handle; 0 when it is missing or
// not a bitmap.
std::int32_t LoadCapturedBitmap(const QString& path);

// A copy of the picture that owns its pixels.
QImage ToQImage(const scan::Image& picture);

// Replaces the file by the picture in `format` through the image library,
// flushed to disk, and releases the picture. False when nothing was written
// (no writer, failed write, no picture); the file is then left as it was,
// and flushed to disk.
bool RewriteInFormat(std::int32_t picture, const QString& path, StillFormat format);

}  // namespace stills
