#include "platform/scan/bmp_write.h"

#include <array>
#include <cstdint>
#include <limits>
#include <vector>

#include "platform/scan/bmp_format.h"
#include "platform/scan/written_picture.h"

namespace scan {

namespace {

using namespace bmp;

constexpr std::size_t kGreyPaletteSize = 256 * 4;

std::vector<std::uint8_t> headers(const Image& image, std::uint32_t offset, std::uint32_t fileSize,
                                  std::uint32_t pixelBytes) {
  const bool grey = image.channels == 1;
  std::vector<std::uint8_t> out(offset, 0);
  std::uint8_t* p = out.data();
  p[0] = 'B';
  p[1] = 'M';
  putU32(p + 2, fileSize);
  putU32(p + 10, offset);
  std::uint8_t* info = p + kFileHeaderSize;
  putU32(info, kInfoHeaderSize);
  putU32(info + 4, static_cast<std::uint32_t>(image.width));
  putU32(info + 8, static_cast<std::uint32_t>(image.height));  // positive: bottom-up
  putU16(info + 12, 1);
  putU16(info + 14, grey ? 8 : 24);
  putU32(info + 16, kRgb);
  putU32(info + 20, pixelBytes);
  putU32(info + 24, static_cast<std::uint32_t>(pixelsPerMetreFromDpi(image.xDpi)));
  putU32(info + 28, static_cast<std::uint32_t>(pixelsPerMetreFromDpi(image.yDpi)));
  if (grey) {
    putU32(info + 32, 256);
    std::uint8_t* palette = info + kInfoHeaderSize;
    for (int i = 0; i < 256; ++i) {
      palette[4 * i] = palette[4 * i + 1] = palette[4 * i + 2] = static_cast<std::uint8_t>(i);
    }
  }
  return out;
}

// The picture in the bitmap layout is the file's pixel block as it is:
// headers, then the pixels in one write.
bool writeBitmapLayout(const Image& image, const std::string& path, files::Commit mode, files::Flush flush) {
  const std::int64_t pixelBytes = static_cast<std::int64_t>(image.pixels.size());
  const std::int64_t offset =
      static_cast<std::int64_t>(kFileHeaderSize + kInfoHeaderSize + (image.channels == 1 ? kGreyPaletteSize : 0));
  if (offset + pixelBytes > std::numeric_limits<std::uint32_t>::max()) return false;
  const auto head = headers(image, static_cast<std::uint32_t>(offset), static_cast<std::uint32_t>(offset + pixelBytes),
                            static_cast<std::uint32_t>(pixelBytes));
  files::AtomicFile file(path);
  return file.open() && file.write(head.data(), head.size()) && file.write(image.pixels.data(), image.pixels.size()) &&
         file.commit(mode, flush);
}

}  // namespace

bool writeBmp(const Image& image, const std::string& path, files::Commit mode) {
  if (!isValid(image)) return false;
  if (image.layout == Layout::Bitmap) return writeBitmapLayout(image, path, mode, files::Flush::Now);
  const auto bitmap = inLayout(image, Layout::Bitmap);
  return bitmap && writeBitmapLayout(*bitmap, path, mode, files::Flush::Now);
}

bool writeNewBitmap(Image image, const std::string& path) {
  if (image.layout != Layout::Bitmap) {
    auto bitmap = inLayout(image, Layout::Bitmap);
    if (!bitmap) return false;
    image = std::move(*bitmap);
  }
  if (!isValid(image) || !writeBitmapLayout(image, path, files::Commit::NoReplace, files::Flush::Later)) return false;
  rememberWritten(path, std::move(image));
  return true;
}

}  // namespace scan
