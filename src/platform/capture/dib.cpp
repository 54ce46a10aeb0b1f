#include "platform/capture/dib.h"

#include <cstring>

#include "platform/files/atomic_file.h"

namespace capture {

namespace {

constexpr int kFileHeader = 14;
constexpr int kInfoHeader = 40;
constexpr std::int32_t kPixelsPerMetre = 3780;  // 96 dots per inch

void put16(char*& at, std::uint16_t v) {
  at[0] = char(v & 0xff);
  at[1] = char(v >> 8);
  at += 2;
}

void put32(char*& at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) at[i] = char((v >> (8 * i)) & 0xff);
  at += 4;
}

}  // namespace

QByteArray encodeDib(const QImage& source) {
  if (source.isNull()) return {};
  const QImage image =
      source.format() == QImage::Format_RGB32 ? source : source.convertToFormat(QImage::Format_RGB32);
  const std::int64_t width = image.width(), height = image.height();
  const std::int64_t stride = (width * 3 + 3) / 4 * 4;
  const std::int64_t imageBytes = stride * height;
  const std::int64_t fileBytes = kFileHeader + kInfoHeader + imageBytes;
  if (fileBytes > INT32_MAX) return {};

  QByteArray file(qsizetype(fileBytes), Qt::Uninitialized);
  char* at = file.data();
  *at++ = 'B';
  *at++ = 'M';
  put32(at, std::uint32_t(fileBytes));
  put32(at, 0);
  put32(at, kFileHeader + kInfoHeader);
  put32(at, kInfoHeader);
  put32(at, std::uint32_t(width));
  put32(at, std::uint32_t(height));  // positive: bottom-up
  put16(at, 1);
  put16(at, 24);
  put32(at, 0);  // uncompressed
  put32(at, std::uint32_t(imageBytes));
  put32(at, kPixelsPerMetre);
  put32(at, kPixelsPerMetre);
  put32(at, 0);
  put32(at, 0);

  for (std::int64_t row = height - 1; row >= 0; --row) {
    const auto* in = reinterpret_cast<const QRgb*>(image.constScanLine(int(row)));
    auto* out = reinterpret_cast<std::uint8_t*>(at);
    for (std::int64_t x = 0; x < width; ++x) {
      *out++ = std::uint8_t(qBlue(in[x]));
      *out++ = std::uint8_t(qGreen(in[x]));
      *out++ = std::uint8_t(qRed(in[x]));
    }
    std::memset(out, 0, std::size_t(stride - width * 3));
    at += stride;
  }
  return file;
}

bool saveDib(const QImage& image, const std::string& path) {
  if (path.empty()) return false;
  const QByteArray bytes = encodeDib(image);
  if (bytes.isEmpty()) return false;
  files::AtomicFile file(path);
  return file.open() && file.write(bytes.constData(), std::size_t(bytes.size())) &&
         file.commit(files::Commit::NoReplace);
}

}  // namespace capture
