#include <gtest/gtest.h>

#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "platform/scan/sane_frames.h"

namespace {

using scan::Frame;
using scan::FrameFormat;
using Bytes = std::vector<std::uint8_t>;

Frame frame(FrameFormat format, int ppl, int bpl, int lines, int depth, Bytes data, bool last = true) {
  return Frame{{format, last, bpl, ppl, lines, depth}, std::move(data)};
}

Bytes sixteen(std::initializer_list<std::uint16_t> samples) {
  Bytes out(samples.size() * 2);
  std::memcpy(out.data(), samples.begin(), out.size());  // the machine's byte order
  return out;
}

struct Good {
  std::string name;
  std::vector<Frame> frames;
  int width, height, channels;
  Bytes pixels;
};

// Named in failure messages (the default printer would dump padding bytes).
void PrintTo(const Good& c, std::ostream* os) { *os << c.name; }

class ConvertsWholePages : public ::testing::TestWithParam<Good> {};

TEST_P(ConvertsWholePages, ToPackedTopDownPixels) {
  const Good& c = GetParam();
  // Copied, and taken over where the frame's data already is the image.
  for (const auto& image : {scan::convertFrames(c.frames, 300, 150),
                            scan::convertFrames(std::vector<Frame>(c.frames), 300, 150)}) {
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width, c.width);
    EXPECT_EQ(image->height, c.height);
    EXPECT_EQ(image->channels, c.channels);
    EXPECT_EQ(image->pixels, c.pixels);
    EXPECT_EQ(image->xDpi, 300);
    EXPECT_EQ(image->yDpi, 150);
    EXPECT_TRUE(scan::isValid(*image));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Formats, ConvertsWholePages,
    ::testing::Values(
        Good{"Gray8", {frame(FrameFormat::Gray, 2, 2, 2, 8, {1, 2, 3, 4})}, 2, 2, 1, {1, 2, 3, 4}},
        Good{"Gray8PaddedLines", {frame(FrameFormat::Gray, 2, 4, 2, 8, {1, 2, 99, 99, 3, 4, 99, 99})}, 2, 2, 1,
             {1, 2, 3, 4}},
        // a set bit is black in grey
        Good{"Gray1", {frame(FrameFormat::Gray, 10, 2, 1, 1, {0b10100000, 0b01000000})}, 10, 1, 1,
             {0, 255, 0, 255, 255, 255, 255, 255, 255, 0}},
        Good{"Gray16", {frame(FrameFormat::Gray, 2, 4, 1, 16, sixteen({0xFFFF, 0x1234}))}, 2, 1, 1, {0xFF, 0x12}},
        Good{"Rgb8", {frame(FrameFormat::Rgb, 2, 6, 1, 8, {1, 2, 3, 4, 5, 6})}, 2, 1, 3, {1, 2, 3, 4, 5, 6}},
        Good{"Rgb8PaddedLines", {frame(FrameFormat::Rgb, 1, 4, 2, 8, {1, 2, 3, 0, 4, 5, 6, 0})}, 1, 2, 3,
             {1, 2, 3, 4, 5, 6}},
        // a set bit is full intensity in colour
        Good{"Rgb1", {frame(FrameFormat::Rgb, 3, 2, 1, 1, {0b10001011, 0b10000000})}, 3, 1, 3,
             {255, 0, 0, 0, 255, 0, 255, 255, 255}},
        Good{"Rgb16", {frame(FrameFormat::Rgb, 1, 6, 1, 16, sixteen({0x0100, 0x8000, 0xFF00}))}, 1, 1, 3,
             {1, 0x80, 0xFF}},
        Good{"ThreePlanes",
             {frame(FrameFormat::Red, 2, 2, 1, 8, {10, 11}, false),
              frame(FrameFormat::Green, 2, 2, 1, 8, {20, 21}, false),
              frame(FrameFormat::Blue, 2, 2, 1, 8, {30, 31})},
             2, 1, 3, {10, 20, 30, 11, 21, 31}},
        Good{"ThreePlanesAnyOrder",
             {frame(FrameFormat::Blue, 1, 1, 1, 8, {30}, false), frame(FrameFormat::Red, 1, 1, 1, 8, {10}, false),
              frame(FrameFormat::Green, 1, 1, 1, 8, {20})},
             1, 1, 3, {10, 20, 30}},
        Good{"ThreePlanes16",
             {frame(FrameFormat::Red, 1, 2, 1, 16, sixteen({0x1000}), false),
              frame(FrameFormat::Green, 1, 2, 1, 16, sixteen({0x2000}), false),
              frame(FrameFormat::Blue, 1, 2, 1, 16, sixteen({0x3000}))},
             1, 1, 3, {0x10, 0x20, 0x30}},
        Good{"UnknownHeightTakesWholeLines", {frame(FrameFormat::Gray, 2, 2, -1, 8, {1, 2, 3, 4, 5, 6})}, 2, 3, 1,
             {1, 2, 3, 4, 5, 6}}),
    [](const auto& info) { return info.param.name; });

struct Bad {
  std::string name;
  std::vector<Frame> frames;
};

void PrintTo(const Bad& c, std::ostream* os) { *os << c.name; }

class RejectsBrokenPages : public ::testing::TestWithParam<Bad> {};

TEST_P(RejectsBrokenPages, WithNothing) {
  EXPECT_FALSE(scan::convertFrames(GetParam().frames, 100, 100));
  EXPECT_FALSE(scan::convertFrames(std::vector<Frame>(GetParam().frames), 100, 100));
}

const Frame red = frame(FrameFormat::Red, 2, 2, 1, 8, {1, 2}, false);
const Frame green = frame(FrameFormat::Green, 2, 2, 1, 8, {1, 2}, false);
const Frame blue = frame(FrameFormat::Blue, 2, 2, 1, 8, {1, 2});

INSTANTIATE_TEST_SUITE_P(
    Faults, RejectsBrokenPages,
    ::testing::Values(
        Bad{"NoFrames", {}},
        Bad{"ShortData", {frame(FrameFormat::Gray, 2, 2, 2, 8, {1, 2, 3})}},
        Bad{"LongerThanAnnounced", {frame(FrameFormat::Gray, 2, 2, 2, 8, {1, 2, 3, 4, 5})}},
        Bad{"EmptyData", {frame(FrameFormat::Gray, 2, 2, 2, 8, {})}},
        Bad{"LineShorterThanPixels", {frame(FrameFormat::Rgb, 2, 5, 1, 8, {1, 2, 3, 4, 5})}},
        Bad{"OneBitLineTooShort", {frame(FrameFormat::Gray, 9, 1, 1, 1, {0})}},
        Bad{"UnknownDepth", {frame(FrameFormat::Gray, 2, 2, 1, 4, {1, 2})}},
        Bad{"NoPixels", {frame(FrameFormat::Gray, 0, 2, 1, 8, {1, 2})}},
        Bad{"NegativeBytesPerLine", {frame(FrameFormat::Gray, 2, -2, 1, 8, {1, 2})}},
        Bad{"ZeroLines", {frame(FrameFormat::Gray, 2, 2, 0, 8, {})}},
        Bad{"NegativeLines", {frame(FrameFormat::Gray, 2, 2, -5, 8, {1, 2})}},
        Bad{"UnknownHeightPartialLine", {frame(FrameFormat::Gray, 2, 2, -1, 8, {1, 2, 3})}},
        Bad{"UnknownHeightNoData", {frame(FrameFormat::Gray, 2, 2, -1, 8, {})}},
        Bad{"TooWide", {frame(FrameFormat::Gray, 70000, 70000, 1, 8, Bytes(70000))}},
        Bad{"UnknownHeightTooTall", {frame(FrameFormat::Gray, 1, 1, -1, 8, Bytes(70000))}},
        Bad{"TooManyPixels", {frame(FrameFormat::Gray, 65000, 8125, 2100, 1, Bytes(8125 * 2100))}},
        Bad{"LastFrameNotLast", {frame(FrameFormat::Gray, 1, 1, 1, 8, {1}, false)}},
        Bad{"TwoGrayFrames",
            {frame(FrameFormat::Gray, 1, 1, 1, 8, {1}, false), frame(FrameFormat::Gray, 1, 1, 1, 8, {1})}},
        Bad{"MissingPlane", {red, blue}},
        Bad{"RepeatedPlane", {red, red, blue}},
        Bad{"GrayAmongPlanes", {red, frame(FrameFormat::Gray, 2, 2, 1, 8, {1, 2}, false), blue}},
        Bad{"PlanesOfDifferentWidth", {red, frame(FrameFormat::Green, 1, 2, 1, 8, {1, 2}, false), blue}},
        Bad{"PlanesOfDifferentHeight", {red, frame(FrameFormat::Green, 2, 2, 2, 8, {1, 2, 3, 4}, false), blue}},
        Bad{"PlaneShort", {red, frame(FrameFormat::Green, 2, 2, 1, 8, {1}, false), blue}}),
    [](const auto& info) { return info.param.name; });

TEST(FrameParams, MinimumLineBytesRoundsBitsUp) {
  EXPECT_EQ(scan::minimumLineBytes({FrameFormat::Rgb, true, 60, 157, 1, 1}), 59u);
  EXPECT_EQ(scan::minimumLineBytes({FrameFormat::Gray, true, 20, 157, 1, 1}), 20u);
  EXPECT_EQ(scan::minimumLineBytes({FrameFormat::Rgb, true, 942, 157, 1, 16}), 942u);
  EXPECT_FALSE(scan::minimumLineBytes({FrameFormat::Gray, true, 1, 1, 1, 12}));
}

}  // namespace
