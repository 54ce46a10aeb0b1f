// A scanner's frames for one page: any parameters, any data.
//
// Input: a frame count byte and two resolutions, then per frame a 12-byte
// header (format, flags, bytes per line, pixels per line, lines, depth,
// data length) followed by its data. Flag 2 sizes the data to exactly what
// the parameters announce, repeating the given bytes, so that whole pages
// are reached as often as broken ones.
//
// Invariants: no crash or read outside the data; a page that comes out is a
// valid picture as wide as the frames and as high as their lines, grey from
// a grey frame and colour otherwise; taking the frames over gives the same
// page as copying them.

#include <QByteArray>
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz_env.h"
#include "platform/scan/image_data.h"
#include "platform/scan/sane_frames.h"

namespace {

using fuzzing::check;
constexpr std::size_t kMaxFrameBytes = std::size_t{1} << 20;

int depthFrom(std::uint8_t code) {
  switch (code) {
    case 0: return 1;
    case 1: return 8;
    case 2: return 16;
    default: return static_cast<std::int8_t>(code);
  }
}

scan::Frame readFrame(fuzzing::Input& input) {
  scan::Frame frame;
  scan::FrameParams& p = frame.params;
  p.format = static_cast<scan::FrameFormat>(input.byte() % 5);
  const std::uint8_t flags = input.byte();
  p.lastFrame = (flags & 1) != 0;
  p.bytesPerLine = static_cast<std::int16_t>(input.u16());
  p.pixelsPerLine = static_cast<std::int16_t>(input.u16());
  p.lines = static_cast<std::int16_t>(input.u16());
  p.depth = depthFrom(input.byte());
  std::size_t length = input.u16();
  QByteArray given;
  for (std::size_t i = 0; i < length && input.remaining() > 0; ++i) given += static_cast<char>(input.byte());
  if ((flags & 2) && p.bytesPerLine > 0 && p.lines > 0)
    length = static_cast<std::size_t>(p.bytesPerLine) * static_cast<std::size_t>(p.lines);
  else
    length = static_cast<std::size_t>(given.size());
  length = std::min(length, kMaxFrameBytes);
  frame.data.resize(length);
  for (std::size_t i = 0; i < length && !given.isEmpty(); ++i)
    frame.data[i] = static_cast<std::uint8_t>(given[static_cast<qsizetype>(i % static_cast<std::size_t>(given.size()))]);
  return frame;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzing::Input input(data, size);
  const int count = input.byte() % 5;
  const double xDpi = input.u16() / 4.0;
  const double yDpi = static_cast<std::int16_t>(input.u16());
  std::vector<scan::Frame> frames;
  for (int i = 0; i < count; ++i) frames.push_back(readFrame(input));

  for (const scan::Frame& frame : frames) {
    if (const auto bytes = scan::minimumLineBytes(frame.params)) check(*bytes > 0, "a line of no bytes");
  }
  const auto page = scan::convertFrames(frames, xDpi, yDpi);
  // Handing the frames over must give the same page as copying from them.
  std::vector<scan::Frame> handed = frames;
  const auto taken = scan::convertFrames(std::move(handed), xDpi, yDpi);
  check(taken.has_value() == page.has_value(), "handing the frames over decides differently");
  if (!page) return 0;
  check(taken->width == page->width && taken->height == page->height && taken->channels == page->channels &&
            taken->pixels == page->pixels,
        "handing the frames over gives another page");
  check(scan::isValid(*page), "an invalid picture");
  const scan::FrameParams& first = frames.front().params;
  check(page->width == first.pixelsPerLine, "width differs from the frames");
  if (first.lines > 0) check(page->height == first.lines, "height differs from the frames");
  check(page->channels == (first.format == scan::FrameFormat::Gray ? 1 : 3), "wrong channels");
  check(frames.size() == (first.format == scan::FrameFormat::Gray || first.format == scan::FrameFormat::Rgb ? 1u : 3u),
        "a page from the wrong number of frames");
  check(frames.back().params.lastFrame, "a page without its last frame");
  check(page->xDpi == xDpi && page->yDpi == yDpi, "the resolution was not kept");
  return 0;
}
