#pragma once
// A picture in memory, as the image files are read into and written from.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/pictures/picture.h"

namespace scan {

using pictures::effectiveDpi;
using pictures::kDefaultDpi;
using pictures::kMaxPixels;
using pictures::kMaxSide;
using pictures::pixelsPerMetreFromDpi;

// How the rows of a picture lie in its pixel bytes.
enum class Layout {
  TopDown,  // rows top first, colour as R, G, B, no padding
  Bitmap,   // a bitmap file's own: rows bottom first, colour as B, G, R, each
            // row padded to a multiple of 4 bytes (the padding zero)
};

struct Image {
  int width = 0;
  int height = 0;
  int channels = 0;  // 1 = grey, 3 = colour
  std::vector<std::uint8_t> pixels;
  double xDpi = 0;  // 0 when the source recorded no resolution
  double yDpi = 0;
  Layout layout = Layout::TopDown;
  bool bilevel = false;  // grey line art: written as black and white where the format allows
  pictures::GiveBack giveBack;  // where the pixels go once the page is stored

  // Bytes of pixels in one row, without padding.
  std::size_t rowBytes() const { return static_cast<std::size_t>(width) * static_cast<std::size_t>(channels); }
  // Bytes from the start of one row to the next.
  std::size_t stride() const { return layout == Layout::Bitmap ? (rowBytes() + 3) / 4 * 4 : rowBytes(); }
};

// Dimensions within the caps, 1 or 3 channels, and exactly the pixel bytes
// those and the layout imply.
bool isValid(const Image& image);

// A picture of the given size filled with zeros; empty pixels when the size
// is refused.
Image blankImage(int width, int height, int channels, Layout layout = Layout::TopDown);

// The same picture in the given layout (a copy when it is in that layout
// already). Nothing for an invalid picture.
std::optional<Image> inLayout(const Image& image, Layout layout);

// The bytes of row `y`, counted from the top whatever the layout.
const std::uint8_t* rowFromTop(const Image& image, int y);
std::uint8_t* rowFromTop(Image& image, int y);

// Resolution units used by bitmap files. Pixels per metre that are the
// nearest to a whole number of dots per inch give that whole number.
double dpiFromPixelsPerMetre(std::int64_t pixelsPerMetre);

// The store's view of the picture's rows, which stay here.
pictures::Rows rowsOf(const Image& image);
// The page for the store, taking the picture's pixels.
pictures::Page pageOf(Image image);

}  // namespace scan
