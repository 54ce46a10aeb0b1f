#include "platform/pictures/page_stream.h"

#include <utility>

#include "platform/pictures/bmp_write.h"

namespace pictures {

namespace {
// Stands for the rows of a page's shape, which are never read through it.
const std::uint8_t kNoRows = 0;
}  // namespace

PageStream::PageStream(std::string folder, Format format, QSize viewerMost)
    : folder_(std::move(folder)), format_(format), viewerMost_(viewerMost) {}

PageStream::~PageStream() = default;

bool PageStream::begin(int width, int height, int channels, double xDpi, double yDpi) {
  pending_.reset();
  next_ = 0;
  shape_ = {};
  shape_.data = &kNoRows;
  shape_.width = width;
  shape_.height = height;
  shape_.stride = static_cast<std::size_t>(width) * static_cast<std::size_t>(channels);
  shape_.kind = channels == 1 ? PixelKind::Grey : PixelKind::Rgb;
  shape_.xDpi = xDpi;
  shape_.yDpi = yDpi;
  if (format_ != Format::Bmp || (channels != 1 && channels != 3) || !isValid(shape_)) return false;
  const auto layout = bmpLayout(shape_);
  if (!layout) return false;
  headSize_ = layout->head.size();
  rowSize_ = layout->rowSize;
  pending_.reset(new PendingPicture(folder_, format_));
  pending_->file_->write(layout->head.data(), layout->head.size());
  sampled_ = std::make_unique<SampledRows>(width, height,
                                           channels == 1 ? QImage::Format_Grayscale8 : QImage::Format_RGB888,
                                           viewerMost_);
  return true;
}

void PageStream::add(const std::uint8_t* rows, int count) {
  if (!pending_ || count <= 0 || next_ + count > shape_.height) {
    pending_.reset();
    return;
  }
  Rows band = shape_;
  band.data = rows;
  band.height = count;
  sampled_->add(rows, shape_.stride, next_, count);
  // The file holds the rows bottom first: this band's go before the bands
  // already written, as one block. After a failed write the rest of the
  // page is only counted; the claim of the name tells the failure.
  chunk_.resize(rowSize_ * static_cast<std::size_t>(count));
  packBmpRows(band, rowSize_, chunk_.data());
  const auto below = static_cast<std::int64_t>(shape_.height - next_ - count);
  pending_->file_->writeAt(static_cast<std::int64_t>(headSize_) + below * static_cast<std::int64_t>(rowSize_),
                           chunk_.data(), chunk_.size());
  next_ += count;
}

std::unique_ptr<PendingPicture> PageStream::end() {
  if (!pending_ || next_ != shape_.height) {
    pending_.reset();
    return nullptr;
  }
  pending_->picture_ = sampled_->image();
  pending_->file_->startWriteBack();
  return std::move(pending_);
}

}  // namespace pictures
