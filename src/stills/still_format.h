#pragma once
// The picture the capture window wrote, read once: shown in the viewer and
// rewritten in the format that the file's extension asks for.

#include <QImage>
#include <QString>
#include <optional>

#include "platform/scan/image_data.h"

namespace stills {

enum class StillFormat { None, Bmp, Jpeg, Pdf };

// ".bmp", ".jpg" and ".pdf", compared exactly; anything else (".BMP",
// "tiff") selects no writer and the file stays the capture window's bitmap.
StillFormat FormatForExtension(const QString& fileExt);

// The bitmap file's picture; nothing when it is missing or not a bitmap.
std::optional<scan::Image> ReadCapturedBitmap(const QString& path);

// A copy of the picture that owns its pixels.
QImage ToQImage(const scan::Image& picture);

// Replaces the file by the picture in `format` through the image library.
// False when nothing was written (no writer, failed write); the file is
// then left as it was.
bool RewriteInFormat(scan::Image picture, const QString& path, StillFormat format);

}  // namespace stills
