#pragma once
// The format a numbered file is rewritten in after the capture window has
// written its bitmap.

#include <QString>

namespace stills {

enum class StillFormat { None, Bmp, Jpeg, Pdf };

// ".bmp", ".jpg" and ".pdf", compared exactly; anything else (".BMP",
// "tiff") selects no writer and the file stays the capture window's bitmap.
StillFormat FormatForExtension(const QString& fileExt);

// Loads the bitmap file and replaces it by the same picture in `format`.
// False when nothing was written (no writer, unreadable file, failed write);
// the file is then left as it was.
bool RewriteInFormat(const QString& path, StillFormat format);

}  // namespace stills
