#include "platform/scan/sane_frames.h"

#include <array>
#include <cstring>
#include <limits>

namespace scan {

namespace {

int samplesPerPixel(FrameFormat format) { return format == FrameFormat::Rgb ? 3 : 1; }

// The 8-bit value of one sample. For depth 1 a set bit is black in grey
// frames and full intensity in colour frames.
std::uint8_t sampleAt(const std::uint8_t* line, std::size_t index, int depth, bool gray) {
  switch (depth) {
    case 8:
      return line[index];
    case 16: {
      std::uint16_t value;  // samples come in the machine's byte order
      std::memcpy(&value, line + 2 * index, sizeof value);
      return static_cast<std::uint8_t>(value >> 8);
    }
    default: {
      const bool set = (line[index / 8] >> (7 - index % 8)) & 1;
      return set != gray ? 255 : 0;
    }
  }
}

// The number of lines the frame holds, checked against its data: exactly
// the announced lines, or for an unknown height a whole number of lines.
std::optional<int> linesOf(const Frame& frame) {
  const auto bpl = static_cast<std::size_t>(frame.params.bytesPerLine);
  if (frame.params.lines < 0) {
    if (frame.data.empty() || frame.data.size() % bpl != 0) return std::nullopt;
    const std::size_t lines = frame.data.size() / bpl;
    if (lines > static_cast<std::size_t>(std::numeric_limits<int>::max())) return std::nullopt;
    return static_cast<int>(lines);
  }
  if (frame.params.lines == 0 || frame.data.size() != bpl * static_cast<std::size_t>(frame.params.lines))
    return std::nullopt;
  return frame.params.lines;
}

bool withinCaps(int width, int height) {
  return width <= kMaxSide && height <= kMaxSide && std::int64_t{width} * height <= kMaxPixels;
}

// One frame of 8-bit grey or RGB rows without padding, however many.
bool plainRows(const FrameParams& p) {
  const bool single = p.format == FrameFormat::Gray || p.format == FrameFormat::Rgb;
  return plausibleParams(p) && p.lastFrame && single && p.depth == 8 &&
         static_cast<std::size_t>(p.bytesPerLine) == *minimumLineBytes(p);
}

std::optional<Image> allocate(int width, int height, int channels, double xDpi, double yDpi) {
  if (!withinCaps(width, height)) return std::nullopt;
  Image image;
  image.width = width;
  image.height = height;
  image.channels = channels;
  image.xDpi = xDpi;
  image.yDpi = yDpi;
  image.pixels.resize(image.rowBytes() * static_cast<std::size_t>(height));
  return image;
}

std::optional<Image> fromSingleFrame(const Frame& frame, int lines, double xDpi, double yDpi) {
  const FrameParams& p = frame.params;
  const int channels = samplesPerPixel(p.format);
  auto image = allocate(p.pixelsPerLine, lines, channels, xDpi, yDpi);
  if (!image) return std::nullopt;
  const std::size_t samples = static_cast<std::size_t>(p.pixelsPerLine) * channels;
  const bool gray = p.format == FrameFormat::Gray;
  image->bilevel = gray && p.depth == 1;
  std::uint8_t* out = image->pixels.data();
  for (int y = 0; y < lines; ++y) {
    const std::uint8_t* line = frame.data.data() + static_cast<std::size_t>(y) * p.bytesPerLine;
    for (std::size_t i = 0; i < samples; ++i) *out++ = sampleAt(line, i, p.depth, gray);
  }
  return image;
}

std::optional<Image> fromColourPlanes(const std::vector<Frame>& frames, int lines, double xDpi, double yDpi) {
  std::array<const Frame*, 3> planes{};
  for (const Frame& frame : frames) {
    const int channel = static_cast<int>(frame.params.format) - static_cast<int>(FrameFormat::Red);
    if (channel < 0 || channel > 2 || planes[channel]) return std::nullopt;
    planes[channel] = &frame;
  }
  const FrameParams& first = frames.front().params;
  auto image = allocate(first.pixelsPerLine, lines, 3, xDpi, yDpi);
  if (!image) return std::nullopt;
  for (int c = 0; c < 3; ++c) {
    const FrameParams& p = planes[c]->params;
    std::uint8_t* out = image->pixels.data() + c;
    for (int y = 0; y < lines; ++y) {
      const std::uint8_t* line = planes[c]->data.data() + static_cast<std::size_t>(y) * p.bytesPerLine;
      for (int x = 0; x < p.pixelsPerLine; ++x, out += 3) *out = sampleAt(line, x, p.depth, false);
    }
  }
  return image;
}

}  // namespace

std::optional<std::size_t> minimumLineBytes(const FrameParams& params) {
  if (params.pixelsPerLine <= 0 || params.bytesPerLine <= 0) return std::nullopt;
  if (params.depth != 1 && params.depth != 8 && params.depth != 16) return std::nullopt;
  const std::size_t bits = static_cast<std::size_t>(params.pixelsPerLine) * samplesPerPixel(params.format) *
                           static_cast<std::size_t>(params.depth);
  return (bits + 7) / 8;
}

bool plausibleParams(const FrameParams& params) {
  const auto needed = minimumLineBytes(params);
  return needed && static_cast<std::size_t>(params.bytesPerLine) >= *needed && params.lines >= -1 &&
         params.lines != 0 && params.pixelsPerLine <= kMaxSide && params.lines <= kMaxSide;
}

std::optional<Image> convertFrames(const std::vector<Frame>& frames, double xDpi, double yDpi) {
  if (frames.empty() || !frames.back().params.lastFrame) return std::nullopt;
  std::optional<int> lines;
  for (const Frame& frame : frames) {
    if (!plausibleParams(frame.params)) return std::nullopt;
    const auto frameLines = linesOf(frame);
    if (!frameLines || (lines && *lines != *frameLines)) return std::nullopt;
    if (frame.params.pixelsPerLine != frames.front().params.pixelsPerLine) return std::nullopt;
    lines = frameLines;
  }
  const FrameFormat format = frames.front().params.format;
  if (format == FrameFormat::Gray || format == FrameFormat::Rgb) {
    if (frames.size() != 1) return std::nullopt;
    return fromSingleFrame(frames.front(), *lines, xDpi, yDpi);
  }
  if (frames.size() != 3) return std::nullopt;
  return fromColourPlanes(frames, *lines, xDpi, yDpi);
}

bool isPlainPage(const FrameParams& p) { return plainRows(p) && p.lines > 0 && withinCaps(p.pixelsPerLine, p.lines); }

std::optional<Image> convertFrames(std::vector<Frame>&& frames, double xDpi, double yDpi) {
  if (frames.size() == 1) {
    Frame& frame = frames.front();
    const FrameParams& p = frame.params;
    const auto lines = plainRows(p) ? linesOf(frame) : std::nullopt;
    if (lines && withinCaps(p.pixelsPerLine, *lines)) {
      Image image;
      image.width = p.pixelsPerLine;
      image.height = *lines;
      image.channels = samplesPerPixel(p.format);
      image.xDpi = xDpi;
      image.yDpi = yDpi;
      image.pixels = std::move(frame.data);
      return image;
    }
  }
  return convertFrames(static_cast<const std::vector<Frame>&>(frames), xDpi, yDpi);
}

}  // namespace scan
