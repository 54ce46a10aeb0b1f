#include "platform/pictures/sampled_rows.h"

#include <algorithm>
#include <cstring>

namespace pictures {

SampledRows::SampledRows(int width, int height, QImage::Format format, QSize most)
    : width_(width), height_(height) {
  if (width <= 0 || height <= 0 || most.isEmpty()) return;
  factor_ = std::max((width + most.width() - 1) / most.width(), (height + most.height() - 1) / most.height());
  const int depth = QImage::toPixelFormat(format).bitsPerPixel();
  if (depth != 8 && depth != 24 && depth != 32) return;
  reduced_ = QImage(std::max(1, width / factor_), std::max(1, height / factor_), format);
}

template <int Bytes>
void SampledRows::sampleRow(const uchar* in, uchar* out) const {
  const int middle = factor_ / 2;
  for (int x = 0; x < reduced_.width(); ++x, out += Bytes)
    std::memcpy(out, in + static_cast<std::size_t>(std::min(width_ - 1, x * factor_ + middle)) * Bytes, Bytes);
}

void SampledRows::add(const uchar* rows, std::size_t stride, int first, int count) {
  if (reduced_.isNull()) return;
  const int middle = factor_ / 2;
  // Row y of the reduced picture is the picture's row y * factor + middle,
  // or its last for a last band shorter than the factor.
  for (int y = std::max(0, (first - middle + factor_ - 1) / factor_); y < reduced_.height(); ++y) {
    const int source = std::min(height_ - 1, y * factor_ + middle);
    if (source >= first + count) break;
    if (source < first) continue;
    const uchar* in = rows + static_cast<std::size_t>(source - first) * stride;
    uchar* out = reduced_.scanLine(y);
    switch (reduced_.depth()) {
      case 8: sampleRow<1>(in, out); break;
      case 24: sampleRow<3>(in, out); break;
      default: sampleRow<4>(in, out); break;
    }
  }
}

}  // namespace pictures
