#pragma once
// A camera's JPEG frame made into a JPEG file without decoding it: the
// standard Huffman tables put in when the frame has none (motion JPEG
// usually leaves them out), and a JFIF header with the density of the
// program's own frame pictures. The entropy-coded data stays byte for byte.

#include <QSize>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <variant>
#include <vector>

namespace capture {

// The density of every frame the program writes (bitmaps and their JPEGs).
constexpr int kFrameJpegDpi = 96;

// What makes a frame unfit to be saved as it is.
enum class JpegFault {
  NoStart,        // no start-of-image marker
  NoFrameHeader,  // no frame header before the scan, or a broken segment
  NoScan,         // no scan header
  NoEnd,          // no end-of-image marker after the scan
  WrongSize,      // the frame header gives another size
};

// Why, as the end of "the camera's frame is incomplete (...)".
QString jpegFaultText(JpegFault fault);
// The whole reason a frame is not saved, as the user is told it.
QString cameraJpegFaultText(JpegFault fault);

// The frame as a JPEG file, or why it cannot be one. Reads markers only.
std::variant<std::vector<std::uint8_t>, JpegFault> cameraJpegFile(const std::uint8_t* data, std::size_t size,
                                                                  QSize frame, int dpi);

// The standard tables (luminance and chrominance, DC and AC) as one DHT segment.
const std::vector<std::uint8_t>& standardHuffmanTables();

}  // namespace capture
