#pragma once
// A picture reduced for the viewer as its rows pass, in its own format: the
// middle pixel of every factor-th one. A scanned page of tens of megabytes
// is neither converted nor held for a picture a few hundred pixels wide.

#include <QImage>
#include <QSize>
#include <cstddef>

namespace pictures {

class SampledRows {
 public:
  // For a picture of `width` x `height` in `format`, of 8, 24 or 32 bits a
  // pixel, reduced by the least whole factor that fits `most`.
  SampledRows(int width, int height, QImage::Format format, QSize most);
  // Rows [first, first + count) of the picture, top first, `stride` bytes
  // apart.
  void add(const uchar* rows, std::size_t stride, int first, int count);
  // Null for a picture of another depth, or one of no size.
  const QImage& image() const { return reduced_; }

 private:
  template <int Bytes>
  void sampleRow(const uchar* in, uchar* out) const;

  int width_ = 0;
  int height_ = 0;
  int factor_ = 1;
  QImage reduced_;
};

}  // namespace pictures
