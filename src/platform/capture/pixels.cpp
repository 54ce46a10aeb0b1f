#include "platform/capture/pixels.h"

#include <algorithm>

namespace capture {

namespace {

std::uint8_t clamp8(int v) { return static_cast<std::uint8_t>(std::clamp(v, 0, 255)); }

// BT.601 limited range, in 8.8 fixed point.
QRgb yuvToRgb(int y, int u, int v) {
  const int c = (y - 16) * 298;
  const int d = u - 128;
  const int e = v - 128;
  return qRgb(clamp8((c + 409 * e + 128) >> 8), clamp8((c - 100 * d - 208 * e + 128) >> 8),
              clamp8((c + 516 * d + 128) >> 8));
}

// YUYV (y0 u y1 v) and UYVY (u y0 v y1) differ only in byte order.
QImage fromPackedYuv(const std::uint8_t* data, QSize frame, std::uint32_t bytesPerLine, bool yFirst) {
  QImage image(frame, QImage::Format_RGB32);
  if (image.isNull()) return image;
  const int yo = yFirst ? 0 : 1;
  const int uo = yFirst ? 1 : 0;
  for (int row = 0; row < frame.height(); ++row) {
    const std::uint8_t* in = data + std::size_t(row) * bytesPerLine;
    auto* out = reinterpret_cast<QRgb*>(image.scanLine(row));
    for (int x = 0; x + 1 < frame.width(); x += 2, in += 4) {
      const int u = in[uo], v = in[uo + 2];
      out[x] = yuvToRgb(in[yo], u, v);
      out[x + 1] = yuvToRgb(in[yo + 2], u, v);
    }
    if (frame.width() % 2) out[frame.width() - 1] = yuvToRgb(in[yo], in[uo], in[uo + 2]);
  }
  return image;
}

}  // namespace

int bytesPerPixel(std::uint32_t format) {
  switch (format) {
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
  if (format == kMjpeg || format == kJpeg) {
    QImage image;
    if (size > std::size_t(INT32_MAX) || !image.loadFromData(data, int(size), "JPEG") || image.size() != frame)
      return {};
    return image.convertToFormat(QImage::Format_RGB32);
  }
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
