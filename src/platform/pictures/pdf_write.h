#pragma once
// A one-page PDF document showing a JPEG picture.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace pictures {

struct PageSize {
  double width = 0;  // points, 72 to the inch
  double height = 0;
};

// The page a picture fills: its physical size at its own resolution (96 dpi
// when it records none), shrunk in proportion when a side would exceed the
// largest page PDF readers accept, and no side under the smallest.
PageSize pdfPageSize(int width, int height, double xDpi, double yDpi);

// A PDF whose one page shows the JPEG data as it is (not re-encoded), for a
// picture of that pixel size and resolution. Nothing when the JPEG is
// refused or the document cannot be made.
std::optional<std::vector<std::uint8_t>> makePdf(const std::uint8_t* jpeg, std::size_t jpegSize, int width,
                                                 int height, double xDpi, double yDpi);

}  // namespace pictures
