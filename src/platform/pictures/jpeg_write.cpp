#include "platform/pictures/jpeg_write.h"

#include <turbojpeg.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "platform/files/new_file.h"

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

// The encoder's output buffer, kept by each thread: made once at the
// largest size a picture can need, so the encoder never grows it by copying,
// and only the pages of it that JPEG data reached are ever backed by memory.
// It starts on a direct-write block, so the data can go to the device
// without passing through the page cache (files::NewFile::writeDirect).
class KeptOutput {
 public:
  KeptOutput() = default;
  ~KeptOutput() { std::free(data_); }
  KeptOutput(const KeptOutput&) = delete;
  KeptOutput& operator=(const KeptOutput&) = delete;
  // A buffer of at least `size` bytes. One made for an outsize picture is
  // given up at the next picture of a usual size.
  unsigned char* reserve(unsigned long size) {
    if (size > capacity_ || (capacity_ > kKeptBytes && size <= kKeptBytes)) {
      std::free(data_);
      data_ = static_cast<unsigned char*>(
          std::aligned_alloc(files::kDirectBlock, (size + files::kDirectBlock - 1) / files::kDirectBlock * files::kDirectBlock));
      capacity_ = data_ != nullptr ? size : 0;
    }
    return data_;
  }

 private:
  static constexpr unsigned long kKeptBytes = 64ul << 20;
  unsigned char* data_ = nullptr;
  unsigned long capacity_ = 0;
};

// SOI, then APP0: length, "JFIF\0", version, units, x and y density.
constexpr std::uint8_t kJfifStart[] = {0xFF, 0xD8, 0xFF, 0xE0};
constexpr std::size_t kUnitsAt = 13;
constexpr std::uint8_t kUnitsDotsPerInch = 1;

std::uint16_t densityField(double dpi) {
  return static_cast<std::uint16_t>(std::clamp(std::lround(dpi), 1L, 65535L));
}

}  // namespace

bool setJfifDensity(std::span<std::uint8_t> jpeg, double xDpi, double yDpi) {
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

std::optional<std::span<const std::uint8_t>> encodeJpegKept(const Rows& rows) {
  if (!isValid(rows)) return std::nullopt;
  // Made once: setting up the compressor costs as much as a small picture.
  thread_local Compressor compressor;
  thread_local KeptOutput output;
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
  const int subsampling = rows.kind == PixelKind::Grey ? TJSAMP_GRAY : TJSAMP_420;
  // tjBufSize answers -1 for sizes it refuses, which is past INT_MAX too.
  const unsigned long most = tjBufSize(rows.width, rows.height, subsampling);
  unsigned char* data = most <= static_cast<unsigned long>(INT_MAX) ? output.reserve(most) : nullptr;
  if (data == nullptr) return std::nullopt;
  unsigned long size = most;
  if (tjCompress2(compressor.get(), rows.data, rows.width, static_cast<int>(rows.stride), rows.height, format, &data,
                  &size, subsampling, kJpegQuality, TJFLAG_NOREALLOC | (rows.bottomUp ? TJFLAG_BOTTOMUP : 0)) != 0)
    return std::nullopt;
  const std::span<std::uint8_t> jpeg(data, size);
  // Without a recorded resolution the header keeps its plain 1:1 aspect ratio.
  if (rows.xDpi > 0 && rows.yDpi > 0) setJfifDensity(jpeg, effectiveDpi(rows.xDpi), effectiveDpi(rows.yDpi));
  return jpeg;
}

std::optional<std::vector<std::uint8_t>> encodeJpeg(const Rows& rows) {
  const auto jpeg = encodeJpegKept(rows);
  if (!jpeg) return std::nullopt;
  return std::vector<std::uint8_t>(jpeg->begin(), jpeg->end());
}

}  // namespace pictures
