#include "platform/capture/mjpeg.h"

#include <turbojpeg.h>

#include <bit>
#include <climits>

namespace capture {

static_assert(std::endian::native == std::endian::little, "TJPF_BGRX is QImage::Format_RGB32 here");

int previewReduction(QSize frame, QSize area) {
  if (area.isEmpty() || frame.isEmpty()) return 1;
  for (int reduction : {8, 4, 2}) {
    const int w = (frame.width() + reduction - 1) / reduction, h = (frame.height() + reduction - 1) / reduction;
    if (w >= area.width() && h >= area.height()) return reduction;
  }
  return 1;
}

JpegDecoder::JpegDecoder() : handle_(tjInitDecompress()) {}

JpegDecoder::~JpegDecoder() {
  if (handle_) tjDestroy(handle_);
}

QImage JpegDecoder::decode(const std::uint8_t* data, std::size_t size, QSize frame, int reduction) {
  if (!handle_ || !data || size == 0 || size > ULONG_MAX || frame.isEmpty()) return {};
  if (reduction != 1 && reduction != 2 && reduction != 4 && reduction != 8) return {};
  int width = 0, height = 0, subsampling = 0, colourspace = 0;
  if (tjDecompressHeader3(handle_, data, static_cast<unsigned long>(size), &width, &height, &subsampling,
                          &colourspace) != 0 ||
      width != frame.width() || height != frame.height())
    return {};
  const tjscalingfactor scale{1, reduction};
  QImage image(TJSCALED(width, scale), TJSCALED(height, scale), QImage::Format_RGB32);
  if (image.isNull()) return {};
  // A warning means data was missing or damaged and part of the picture was
  // made up: stop there, and the frame is not shown.
  if (tjDecompress2(handle_, data, static_cast<unsigned long>(size), image.bits(), image.width(),
                    int(image.bytesPerLine()), image.height(), TJPF_BGRX, TJFLAG_STOPONWARNING) != 0)
    return {};
  return image;
}

}  // namespace capture
