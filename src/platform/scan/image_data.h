#pragma once
// A picture in memory, as the image files are read into and written from.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace scan {

// Larger pictures are refused: JPEG cannot hold more than 65535 pixels a
// side, and the pixel cap keeps a hostile header from asking for gigabytes
// (a 1200 dpi A4 page still fits in 3 bytes per pixel under 400 MB).
constexpr std::int64_t kMaxSide = 65500;
constexpr std::int64_t kMaxPixels = std::int64_t{1} << 27;

// Used for the physical size when a picture records no resolution.
constexpr double kDefaultDpi = 96.0;

struct Image {
  int width = 0;
  int height = 0;
  int channels = 0;  // 1 = grey, 3 = RGB
  std::vector<std::uint8_t> pixels;  // rows top to bottom, no padding
  double xDpi = 0;  // 0 when the source recorded no resolution
  double yDpi = 0;

  std::size_t rowBytes() const { return static_cast<std::size_t>(width) * static_cast<std::size_t>(channels); }
};

// Dimensions within the caps, 1 or 3 channels, and exactly the pixel bytes
// those imply.
bool isValid(const Image& image);

// A picture of the given size filled with zeros; empty pixels when the size
// is refused.
Image blankImage(int width, int height, int channels);

// The resolution to lay the picture out at: the recorded one when it is
// plausible, else kDefaultDpi.
double effectiveDpi(double recorded);

// Resolution units used by bitmap files. Pixels per metre that are the
// nearest to a whole number of dots per inch give that whole number.
double dpiFromPixelsPerMetre(std::int64_t pixelsPerMetre);
std::int32_t pixelsPerMetreFromDpi(double dpi);

}  // namespace scan
