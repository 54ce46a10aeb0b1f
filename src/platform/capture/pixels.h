#pragma once
// Turning the bytes of a camera buffer into a picture.

#include <QImage>
#include <QSize>
#include <QString>
#include <cstddef>
#include <cstdint>

namespace capture {

constexpr std::uint32_t fourcc(char a, char b, char c, char d) {
  return std::uint32_t(std::uint8_t(a)) | std::uint32_t(std::uint8_t(b)) << 8 | std::uint32_t(std::uint8_t(c)) << 16 |
         std::uint32_t(std::uint8_t(d)) << 24;
}

constexpr std::uint32_t kRgb24 = fourcc('R', 'G', 'B', '3');
constexpr std::uint32_t kBgr24 = fourcc('B', 'G', 'R', '3');
constexpr std::uint32_t kYuyv = fourcc('Y', 'U', 'Y', 'V');
constexpr std::uint32_t kUyvy = fourcc('U', 'Y', 'V', 'Y');
constexpr std::uint32_t kGrey = fourcc('G', 'R', 'E', 'Y');
constexpr std::uint32_t kMjpeg = fourcc('M', 'J', 'P', 'G');
constexpr std::uint32_t kJpeg = fourcc('J', 'P', 'E', 'G');
// Four bytes a pixel, the fourth unused: B G R x and R G B x in memory.
constexpr std::uint32_t kBgrx32 = fourcc('X', 'R', '2', '4');
constexpr std::uint32_t kRgbx32 = fourcc('X', 'B', '2', '4');

bool canDecode(std::uint32_t format);
// "YUYV" and so on.
QString fourccText(std::uint32_t format);
std::uint32_t fourccFromText(const QString& text);  // 0 unless four characters

// Bytes per pixel of a packed format; 0 for compressed formats.
int bytesPerPixel(std::uint32_t format);

// One frame as a new RGB32 image; a null image when the data is too short
// for the size and line length, the format is unknown, or a compressed frame
// does not decode to `frame` size.
QImage decodeFrame(std::uint32_t format, const std::uint8_t* data, std::size_t size, QSize frame,
                   std::uint32_t bytesPerLine);

}  // namespace capture
