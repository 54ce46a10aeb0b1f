#pragma once
// A picture as the store takes it: a camera frame as Qt holds it, a scanned
// page with its resolution and depth, or a camera's own JPEG data.

#include <QByteArray>
#include <QImage>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <variant>
#include <vector>

namespace pictures {

enum class Format { Bmp, Jpeg, Pdf };

// Resolution a frame records: a camera gives none, so screen pixels.
constexpr double kFrameDpi = 96.0;
// Used for the physical size when a picture records no resolution.
constexpr double kDefaultDpi = 96.0;

// A frame, preferably Format_RGB32 (blue, green, red, unused byte per pixel
// on this little-endian machine); other formats are converted once.
struct Frame {
  QImage image;
};

// Where a page's pixels go once it is written and no longer shown: back to
// the scanner for its next page. Empty: they are freed.
using GiveBack = std::function<void(std::vector<std::uint8_t>)>;

// A scanned page: rows top first, R, G, B or one grey byte per pixel, no
// padding, unless `bitmapRows` says the rows are a bitmap file's own (bottom
// first, B, G, R, each padded to 4 bytes).
struct Page {
  std::vector<std::uint8_t> pixels;
  int width = 0;
  int height = 0;
  int channels = 3;      // 1 grey, 3 colour
  double xDpi = 0;       // 0 when the device recorded none
  double yDpi = 0;
  bool bilevel = false;  // grey line art: one bit per pixel where the format allows
  bool bitmapRows = false;
  GiveBack giveBack;
};

// JPEG data made elsewhere (a camera's MJPEG frame), written as it is to a
// ".jpg" file or embedded unchanged in a PDF page; decoded for a bitmap.
struct EncodedJpeg {
  QByteArray bytes;
  int width = 0;
  int height = 0;
  double xDpi = 0;
  double yDpi = 0;
  // The picture as already decoded (a camera's preview) for the viewer;
  // when empty the bytes are decoded for it.
  QImage shown;
};

using Picture = std::variant<Frame, Page, EncodedJpeg>;

enum class PixelKind { Grey, Rgb, Bgr, Bgrx };

// A view of a picture's rows as the encoders read them, without a copy.
struct Rows {
  const std::uint8_t* data = nullptr;
  int width = 0;
  int height = 0;
  std::size_t stride = 0;  // bytes from one stored row to the next
  PixelKind kind = PixelKind::Rgb;
  bool bottomUp = false;   // stored rows run from the bottom of the picture
  double xDpi = 0;
  double yDpi = 0;
  bool bilevel = false;
  // Row `y` counted from the top.
  const std::uint8_t* row(int y) const {
    return data + static_cast<std::size_t>(bottomUp ? height - 1 - y : y) * stride;
  }
};

// Larger pictures are refused: JPEG holds no more than 65535 pixels a side,
// and the cap keeps a hostile size from asking for gigabytes.
constexpr std::int64_t kMaxSide = 65500;
constexpr std::int64_t kMaxPixels = std::int64_t{1} << 27;
bool isValid(const Rows& rows);

// The resolution to lay the picture out at: the recorded one when it is
// plausible, else kDefaultDpi.
double effectiveDpi(double recorded);
// Bitmap files' unit; 0 for no or an implausible resolution.
std::int32_t pixelsPerMetreFromDpi(double dpi);

}  // namespace pictures
