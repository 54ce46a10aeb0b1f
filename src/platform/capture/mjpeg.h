#pragma once
// Decoding camera JPEG frames with TurboJPEG, at a reduced scale for the
// live picture: a 1/4 decode skips most of the work of a full one.

#include <QImage>
#include <QSize>
#include <cstddef>
#include <cstdint>

namespace capture {

// The largest reduction (8, 4, 2, else 1) at which `frame` still covers
// `area` in both directions; 1 for an empty area.
int previewReduction(QSize frame, QSize area);

class JpegDecoder {
 public:
  JpegDecoder();
  ~JpegDecoder();
  JpegDecoder(const JpegDecoder&) = delete;
  JpegDecoder& operator=(const JpegDecoder&) = delete;

  // The frame as RGB32 at 1/`reduction` of its size (rounded up), or a null
  // image when it is not a whole JPEG of `frame` size: a frame with missing
  // or damaged data is never shown half decoded. Frames without Huffman
  // tables decode with the standard ones.
  QImage decode(const std::uint8_t* data, std::size_t size, QSize frame, int reduction = 1);

 private:
  void* handle_;
};

}  // namespace capture
