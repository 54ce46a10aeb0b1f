#pragma once
// Frames saved as device-independent bitmap files.

#include <QByteArray>
#include <QImage>
#include <string>

namespace capture {

// An uncompressed 24-bit bitmap file: 14-byte file header, 40-byte info
// header, rows bottom-up, each padded to a multiple of 4 bytes. Empty for a
// null image or one too large for the format.
QByteArray encodeDib(const QImage& image);

// Writes the file under `path` without ever replacing an existing file; on
// any failure nothing is left under `path`.
bool saveDib(const QImage& image, const std::string& path);

}  // namespace capture
