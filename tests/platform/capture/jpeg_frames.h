#pragma once
// Camera JPEG frames made at run time: a real picture encoded by TurboJPEG,
// and the same frame without its Huffman tables, as motion JPEG cameras send it.

#include <turbojpeg.h>

#include <QDateTime>
#include <QImage>
#include <cstdint>
#include <vector>

#include "platform/capture/test_pattern.h"

namespace capture_test {

using Bytes = std::vector<std::uint8_t>;

inline QImage framePicture(QSize size, int frame = 5) {
  return capture::renderTestPattern(size, capture::Pattern::ColourBars, 0, std::uint64_t(frame), QDateTime());
}

inline Bytes encodeJpeg(const QImage& picture, int subsampling = TJSAMP_422) {
  const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
  tjhandle handle = tjInitCompress();
  unsigned char* out = nullptr;
  unsigned long size = 0;
  Bytes bytes;
  if (tjCompress2(handle, rgb.constBits(), rgb.width(), int(rgb.bytesPerLine()), rgb.height(), TJPF_BGRX, &out, &size,
                  subsampling, 80, 0) == 0)
    bytes.assign(out, out + size);
  tjFree(out);
  tjDestroy(handle);
  return bytes;
}

struct Segment {
  std::uint8_t marker;
  std::size_t at, length;  // length: the whole segment, marker included
};

// The segments before the first scan's data, and the scan header itself.
inline std::vector<Segment> headerSegments(const Bytes& jpeg) {
  std::vector<Segment> segments{{0xD8, 0, 2}};
  for (std::size_t at = 2; at + 4 <= jpeg.size() && jpeg[at] == 0xFF;) {
    const std::size_t length = 2 + (std::size_t(jpeg[at + 2]) << 8 | jpeg[at + 3]);
    segments.push_back({jpeg[at + 1], at, length});
    if (jpeg[at + 1] == 0xDA) break;
    at += length;
  }
  return segments;
}

inline Bytes withoutSegments(const Bytes& jpeg, std::uint8_t marker) {
  Bytes out;
  std::size_t copied = 0;
  for (const Segment& s : headerSegments(jpeg)) {
    if (s.marker != marker) continue;
    out.insert(out.end(), jpeg.begin() + std::ptrdiff_t(copied), jpeg.begin() + std::ptrdiff_t(s.at));
    copied = s.at + s.length;
  }
  out.insert(out.end(), jpeg.begin() + std::ptrdiff_t(copied), jpeg.end());
  return out;
}

// A frame as motion JPEG cameras send it: no JFIF header, no tables.
inline Bytes cameraFrame(QSize size, int frame = 5, bool tables = false) {
  const Bytes jpeg = withoutSegments(encodeJpeg(framePicture(size, frame)), 0xE0);
  return tables ? jpeg : withoutSegments(jpeg, 0xC4);
}

// The entropy-coded data of the (one) scan, up to the end marker.
inline Bytes entropyData(const Bytes& jpeg) {
  const Segment sos = headerSegments(jpeg).back();
  if (sos.marker != 0xDA || jpeg.size() < sos.at + sos.length + 2) return {};
  return Bytes(jpeg.begin() + std::ptrdiff_t(sos.at + sos.length), jpeg.end() - 2);
}

}  // namespace capture_test
