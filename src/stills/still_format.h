#pragma once
// The format a capture is stored in, and the viewer's picture of a page.

#include <QImage>
#include <QString>

#include "platform/pictures/picture.h"
#include "platform/scan/image_data.h"

namespace stills {

enum class StillFormat { None, Bmp, Jpeg, Pdf };

// ".bmp", ".jpg" and ".pdf", compared exactly; anything else (".BMP",
// "tiff") selects no writer and the file stays a bitmap.
StillFormat FormatForExtension(const QString& fileExt);

// What the picture store writes for the format: a bitmap where no writer
// is chosen.
pictures::Format StoredFormat(StillFormat format);

// A copy of the picture that owns its pixels.
QImage ToQImage(const scan::Image& picture);

}  // namespace stills
