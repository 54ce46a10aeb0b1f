#include "platform/pictures/jpeg_write.h"

#include <turbojpeg.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace pictures {

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

std::optional<std::vector<std::uint8_t>> encodeJpeg(const Rows& rows) {
  if (!isValid(rows)) return std::nullopt;
  // Made once: setting up the compressor costs as much as a small picture.
  thread_local Compressor compressor;
  if (compressor.get() == nullptr) return std::nullopt;
  // The rows are taken as they lie: Qt's frame words, a page's bytes, a
  // bitmap's bottom-up rows.
  int format = TJPF_RGB;
  switch (rows.kind) {
    case PixelKind::Grey: format = TJPF_GRAY; break;
    case PixelKind::Rgb: format = TJPF_RGB; break;
    case PixelKind::Bgr: format = TJPF_BGR; break;
    case PixelKind::Bgrx: format = TJPF_BGRX; break;
  }
  const bool grey = rows.kind == PixelKind::Grey;
  TjBuffer buffer;
  unsigned long size = 0;
  if (tjCompress2(compressor.get(), rows.data, rows.width, static_cast<int>(rows.stride), rows.height, format,
                  buffer.out(), &size, grey ? TJSAMP_GRAY : TJSAMP_420, kJpegQuality,
                  rows.bottomUp ? TJFLAG_BOTTOMUP : 0) != 0)
    return std::nullopt;
  std::vector<std::uint8_t> jpeg(buffer.data(), buffer.data() + size);
  // Without a recorded resolution the header keeps its plain 1:1 aspect ratio.
  if (rows.xDpi > 0 && rows.yDpi > 0) setJfifDensity(jpeg, effectiveDpi(rows.xDpi), effectiveDpi(rows.yDpi));
  return jpeg;
}

}  // namespace pictures
