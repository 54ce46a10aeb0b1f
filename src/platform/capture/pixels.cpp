#include "platform/capture/pixels.h"

#include <algorithm>

#include "platform/capture/mjpeg.h"

namespace capture {

namespace {

// BT.601 limited range in 8.8 fixed point, with the products and the
// clamping looked up: several times faster than computing them per pixel.
struct YuvTables {
  int y[256], rv[256], gu[256], gv[256], bu[256];
  std::uint8_t clamp[1024];  // index: value + 512
  YuvTables() {
    for (int i = 0; i < 256; ++i) {
      y[i] = (i - 16) * 298 + 128;
      rv[i] = 409 * (i - 128);
      gu[i] = -100 * (i - 128);
      gv[i] = -208 * (i - 128);
      bu[i] = 516 * (i - 128);
    }
    for (int i = 0; i < 1024; ++i) clamp[i] = static_cast<std::uint8_t>(std::clamp(i - 512, 0, 255));
  }
};

const YuvTables& tables() {
  static const YuvTables t;
  return t;
}

inline QRgb yuvToRgb(const YuvTables& t, int y, int u, int v) {
  const int c = t.y[y];
  return 0xff000000u | std::uint32_t(t.clamp[((c + t.rv[v]) >> 8) + 512]) << 16 |
         std::uint32_t(t.clamp[((c + t.gu[u] + t.gv[v]) >> 8) + 512]) << 8 | t.clamp[((c + t.bu[u]) >> 8) + 512];
}

// YUYV (y0 u y1 v) and UYVY (u y0 v y1) differ only in byte order.
QImage fromPackedYuv(const std::uint8_t* data, QSize frame, std::uint32_t bytesPerLine, bool yFirst) {
  QImage image(frame, QImage::Format_RGB32);
  if (image.isNull()) return image;
  const YuvTables& t = tables();
  const int yo = yFirst ? 0 : 1;
  const int uo = yFirst ? 1 : 0;
  for (int row = 0; row < frame.height(); ++row) {
    const std::uint8_t* in = data + std::size_t(row) * bytesPerLine;
    auto* out = reinterpret_cast<QRgb*>(image.scanLine(row));
    for (int x = 0; x + 1 < frame.width(); x += 2, in += 4) {
      const int u = in[uo], v = in[uo + 2];
      out[x] = yuvToRgb(t, in[yo], u, v);
      out[x + 1] = yuvToRgb(t, in[yo + 2], u, v);
    }
    if (frame.width() % 2) out[frame.width() - 1] = yuvToRgb(t, in[yo], in[uo], in[uo + 2]);
  }
  return image;
}

// The unused fourth byte may hold anything; the picture is opaque.
QImage fromPacked32(const std::uint8_t* data, QSize frame, std::uint32_t bytesPerLine, bool bgr) {
  QImage image(frame, QImage::Format_RGB32);
  if (image.isNull()) return image;
  const int r = bgr ? 2 : 0, b = bgr ? 0 : 2;
  for (int row = 0; row < frame.height(); ++row) {
    const std::uint8_t* in = data + std::size_t(row) * bytesPerLine;
    auto* out = reinterpret_cast<QRgb*>(image.scanLine(row));
    for (int x = 0; x < frame.width(); ++x, in += 4) out[x] = qRgb(in[r], in[1], in[b]);
  }
  return image;
}

}  // namespace

int bytesPerPixel(std::uint32_t format) {
  switch (format) {
    case kBgrx32:
    case kRgbx32:
      return 4;
    case kRgb24:
    case kBgr24:
      return 3;
    case kYuyv:
    case kUyvy:
      return 2;
    case kGrey:
      return 1;
    default:
      return 0;
  }
}

bool canDecode(std::uint32_t format) { return bytesPerPixel(format) > 0 || format == kMjpeg || format == kJpeg; }

QString fourccText(std::uint32_t format) {
  QString text;
  for (int i = 0; i < 4; ++i) text += QChar(char((format >> (8 * i)) & 0xff));
  return text.trimmed();
}

std::uint32_t fourccFromText(const QString& text) {
  const QByteArray bytes = text.toLatin1().leftJustified(4, ' ');
  if (text.isEmpty() || bytes.size() != 4) return 0;
  return fourcc(bytes[0], bytes[1], bytes[2], bytes[3]);
}

QImage decodeFrame(std::uint32_t format, const std::uint8_t* data, std::size_t size, QSize frame,
                   std::uint32_t bytesPerLine) {
  if (!data || frame.isEmpty() || frame.width() > 16384 || frame.height() > 16384) return {};
  if (format == kMjpeg || format == kJpeg) return JpegDecoder().decode(data, size, frame);
  const int bpp = bytesPerPixel(format);
  if (bpp == 0) return {};
  const std::size_t rowBytes = std::size_t(frame.width()) * bpp;
  if (bytesPerLine == 0) bytesPerLine = std::uint32_t(rowBytes);
  if (bytesPerLine < rowBytes || bytesPerLine > INT32_MAX) return {};
  if (size < std::size_t(bytesPerLine) * (frame.height() - 1) + rowBytes) return {};

  switch (format) {
    case kYuyv:
      return fromPackedYuv(data, frame, bytesPerLine, true);
    case kUyvy:
      return fromPackedYuv(data, frame, bytesPerLine, false);
    case kBgrx32:
    case kRgbx32:
      return fromPacked32(data, frame, bytesPerLine, format == kBgrx32);
    default:
      break;
  }
  const QImage::Format wrapped = format == kRgb24   ? QImage::Format_RGB888
                                 : format == kBgr24 ? QImage::Format_BGR888
                                                    : QImage::Format_Grayscale8;
  // Wraps the buffer without copying; the conversion makes the copy.
  const QImage view(data, frame.width(), frame.height(), qsizetype(bytesPerLine), wrapped);
  return view.convertToFormat(QImage::Format_RGB32);
}

}  // namespace capture
