#include "platform/scan/jpeg_write.h"

#include <turbojpeg.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace scan {

namespace {

class Compressor {
 public:
  Compressor() : handle_(tjInitCompress()) {}
  ~Compressor() {
    if (handle_ != nullptr) tjDestroy(handle_);
  }
  Compressor(const Compressor&) = delete;
  Compressor& operator=(const Compressor&) = delete;
  tjhandle get() const { return handle_; }

 private:
  tjhandle handle_;
};

class TjBuffer {
 public:
  TjBuffer() = default;
  ~TjBuffer() { tjFree(data_); }
  TjBuffer(const TjBuffer&) = delete;
  TjBuffer& operator=(const TjBuffer&) = delete;
  unsigned char** out() { return &data_; }
  const unsigned char* data() const { return data_; }

 private:
  unsigned char* data_ = nullptr;
};

// SOI, then APP0: length, "JFIF\0", version, units, x and y density.
constexpr std::uint8_t kJfifStart[] = {0xFF, 0xD8, 0xFF, 0xE0};
constexpr std::size_t kUnitsAt = 13;
constexpr std::uint8_t kUnitsDotsPerInch = 1;

std::uint16_t densityField(double dpi) {
  return static_cast<std::uint16_t>(std::clamp(std::lround(dpi), 1L, 65535L));
}

}  // namespace

bool setJfifDensity(std::vector<std::uint8_t>& jpeg, double xDpi, double yDpi) {
  if (jpeg.size() < kUnitsAt + 5 || std::memcmp(jpeg.data(), kJfifStart, sizeof kJfifStart) != 0 ||
      std::memcmp(jpeg.data() + 6, "JFIF", 5) != 0)
    return false;
  const std::uint16_t x = densityField(xDpi), y = densityField(yDpi);
  std::uint8_t* p = jpeg.data() + kUnitsAt;
  p[0] = kUnitsDotsPerInch;
  p[1] = static_cast<std::uint8_t>(x >> 8);
  p[2] = static_cast<std::uint8_t>(x);
  p[3] = static_cast<std::uint8_t>(y >> 8);
  p[4] = static_cast<std::uint8_t>(y);
  return true;
}

std::optional<std::vector<std::uint8_t>> encodeJpeg(const Image& image) {
  if (!isValid(image)) return std::nullopt;
  // Made once: setting up the compressor costs as much as a small picture.
  thread_local Compressor compressor;
  if (compressor.get() == nullptr) return std::nullopt;
  const bool grey = image.channels == 1;
  const bool bitmap = image.layout == Layout::Bitmap;
  // The picture is taken in its own layout, as a bitmap's rows lie too.
  const int format = grey ? TJPF_GRAY : bitmap ? TJPF_BGR : TJPF_RGB;
  const int flags = bitmap ? TJFLAG_BOTTOMUP : 0;
  TjBuffer buffer;
  unsigned long size = 0;
  if (tjCompress2(compressor.get(), image.pixels.data(), image.width, static_cast<int>(image.stride()), image.height,
                  format, buffer.out(), &size, grey ? TJSAMP_GRAY : TJSAMP_420, kJpegQuality, flags) != 0)
    return std::nullopt;
  std::vector<std::uint8_t> jpeg(buffer.data(), buffer.data() + size);
  const double x = effectiveDpi(image.xDpi), y = effectiveDpi(image.yDpi);
  // Without a recorded resolution the header keeps its plain 1:1 aspect ratio.
  if (image.xDpi > 0 && image.yDpi > 0) setJfifDensity(jpeg, x, y);
  return jpeg;
}

bool writeJpeg(const Image& image, const std::string& path, files::Commit mode) {
  auto jpeg = encodeJpeg(image);
  return jpeg && files::writeFileAtomically(path, jpeg->data(), jpeg->size(), mode);
}

}  // namespace scan
