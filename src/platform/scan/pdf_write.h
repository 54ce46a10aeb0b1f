#pragma once
// Writing a picture as a one-page PDF file.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/files/atomic_file.h"
#include "platform/scan/image_data.h"

namespace scan {

struct PageSize {
  double width = 0;  // points, 72 to the inch
  double height = 0;
};

// The page a picture fills: its physical size at its own resolution (96 dpi
// when it records none), shrunk in proportion when a side would exceed the
// largest page PDF readers accept, and no side under the smallest.
PageSize pdfPageSize(int width, int height, double xDpi, double yDpi);

// A PDF whose one page shows the given JPEG data as it is (not re-encoded).
// `image` supplies the pixel size and resolution. Nothing when the JPEG is
// refused or the document cannot be made.
std::optional<std::vector<std::uint8_t>> makePdf(const std::vector<std::uint8_t>& jpeg, const Image& image);

// encodeJpeg, makePdf, then the bytes written atomically to `path`.
bool writePdf(const Image& image, const std::string& path, files::Commit mode);

}  // namespace scan
