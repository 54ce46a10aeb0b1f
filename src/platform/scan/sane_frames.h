#pragma once
// Turning the frames a scanner delivers for one page into an image: grey or
// colour, one interleaved frame or one frame per colour, 1, 8 or 16 bits per
// sample. Pure functions, so that any input a device may send can be tried.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/scan/image_data.h"

namespace scan {

enum class FrameFormat { Gray, Rgb, Red, Green, Blue };

struct FrameParams {
  FrameFormat format = FrameFormat::Gray;
  bool lastFrame = true;
  int bytesPerLine = 0;
  int pixelsPerLine = 0;
  int lines = 0;  // -1: not known until the data ends
  int depth = 8;
};

struct Frame {
  FrameParams params;
  std::vector<std::uint8_t> data;
};

// The fewest bytes a line of this frame can take, or nothing when the
// parameters cannot describe a frame (no pixels, unknown depth, overflow).
std::optional<std::size_t> minimumLineBytes(const FrameParams& params);

// Whether the parameters describe a frame this library can read. The number
// of lines may be unknown (-1).
bool plausibleParams(const FrameParams& params);

// Whether a frame is a whole page byte for byte as pictures hold one: the
// only frame of the page, 8-bit grey or RGB, its lines known, its rows
// unpadded, within the size pictures may have.
bool isPlainPage(const FrameParams& params);

// The page as an image: 8-bit grey from a grey frame, 24-bit colour from one
// RGB frame or from a red, a green and a blue frame of equal size. Nothing
// when the frames do not make one whole page: a frame with fewer or more
// bytes than its parameters announce, frames of different sizes, a missing
// or repeated colour, grey mixed with colour, an unknown depth.
std::optional<Image> convertFrames(const std::vector<Frame>& frames, double xDpi, double yDpi);
// The same; takes over the data of an 8-bit frame without padding instead
// of copying it.
std::optional<Image> convertFrames(std::vector<Frame>&& frames, double xDpi, double yDpi);

}  // namespace scan
