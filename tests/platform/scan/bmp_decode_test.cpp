#include <gtest/gtest.h>

// Cases name only the header fields they set; the rest keep their defaults.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

#include <QImage>
#include <algorithm>
#include <climits>
#include <functional>

#include "platform/scan/bmp_decode.h"
#include "platform/scan/image_data.h"
#include "bmp_builder.h"

namespace {

using scan_test::BmpFields;
using scan_test::buildBmp;
using Bytes = std::vector<std::uint8_t>;

// Pixels as 0xRRGGBB, rows top to bottom.
std::vector<std::uint32_t> rgbOf(const scan::Image& image) {
  std::vector<std::uint32_t> out;
  for (std::size_t i = 0; i < image.pixels.size(); i += static_cast<std::size_t>(image.channels)) {
    const std::uint8_t* p = &image.pixels[i];
    out.push_back(image.channels == 1 ? p[0] * 0x010101u : (p[0] << 16u) | (p[1] << 8u) | p[2]);
  }
  return out;
}

std::vector<std::uint32_t> greys256() {
  std::vector<std::uint32_t> p;
  for (std::uint32_t i = 0; i < 256; ++i) p.push_back(i * 0x010101u);
  return p;
}

BmpFields colour24(std::int32_t height) {
  // Top row red, green, blue; bottom row white, black, grey. Rows pad to 12.
  Bytes top = {0, 0, 255, 0, 255, 0, 255, 0, 0, 0, 0, 0};
  Bytes bottom = {255, 255, 255, 0, 0, 0, 128, 128, 128, 0, 0, 0};
  BmpFields s{.width = 3, .height = height};
  s.pixels = height > 0 ? bottom : top;
  Bytes second = height > 0 ? top : bottom;
  s.pixels.insert(s.pixels.end(), second.begin(), second.end());
  return s;
}

BmpFields core8() {
  BmpFields s{.headerSize = 12, .width = 2, .height = 1, .bitsPerPixel = 8};
  for (std::uint32_t i = 0; i < 256; ++i) s.palette.push_back((i << 16) | ((255 - i) << 8));
  s.pixels = {5, 250, 0, 0};
  return s;
}

const std::vector<std::uint32_t> kColour24 = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0x000000, 0x808080};

struct Case {
  const char* name;
  BmpFields fields;
  std::vector<std::uint32_t> expected;
  int channels;
  std::vector<std::size_t> qtUnset = {};  // pixels a delta or early end skips: Qt leaves them unset
};

std::vector<Case> acceptedCases() {
  return {
      {"24-bit bottom-up", colour24(2), kColour24, 3},
      {"24-bit top-down", colour24(-2), kColour24, 3},
      {"8-bit palette",
       {.width = 2, .height = 2, .bitsPerPixel = 8, .colorsUsed = 3, .palette = {0x102030, 0xA0B0C0, 0xFF0000},
        .pixels = {2, 0, 0, 0, 1, 2, 0, 0}},
       {0xA0B0C0, 0xFF0000, 0xFF0000, 0x102030}, 3},
      {"8-bit grey palette",
       {.width = 2, .bitsPerPixel = 8, .palette = greys256(), .pixels = {7, 200, 0, 0}}, {0x070707, 0xC8C8C8}, 1},
      {"4-bit palette, 3 colours used",
       {.width = 3, .bitsPerPixel = 4, .colorsUsed = 3, .palette = {0x000000, 0x00FF00, 0x0000FF},
        .pixels = {0x21, 0x00, 0, 0}},
       {0x0000FF, 0x00FF00, 0x000000}, 3},
      {"1-bit across bytes",
       {.width = 10, .bitsPerPixel = 1, .palette = {0x000000, 0xFFFFFF}, .pixels = {0xAC, 0xC0, 0, 0}},
       {0xFFFFFF, 0, 0xFFFFFF, 0, 0xFFFFFF, 0xFFFFFF, 0, 0, 0xFFFFFF, 0xFFFFFF}, 1},
      {"16-bit 5-5-5", {.width = 2, .bitsPerPixel = 16, .pixels = {0x00, 0x7C, 0x1F, 0x00}}, {0xFF0000, 0x0000FF}, 3},
      {"16-bit 5-6-5 masks after the header",
       {.width = 2, .bitsPerPixel = 16, .compression = 3, .masks = {0xF800, 0x07E0, 0x001F},
        .pixels = {0xE0, 0x07, 0x00, 0x80}},
       {0x00FF00, 0x840000}, 3},
      {"32-bit bottom-up, fourth byte ignored",
       {.width = 1, .height = 2, .bitsPerPixel = 32, .pixels = {0x11, 0x22, 0x33, 0xFF, 0x44, 0x55, 0x66, 0x00}},
       {0x665544, 0x332211}, 3},
      {"32-bit masks inside a 124-byte header",
       {.headerSize = 124, .bitsPerPixel = 32, .compression = 3,
        .masks = {0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000}, .pixels = {0x12, 0x34, 0x56, 0xFF}},
       {0x123456}, 3},
      {"12-byte header, 3-byte palette", core8(), {0x05FA00, 0xFA0500}, 3},
      {"run-length 8: runs, literal, delta, end of picture",
       {.width = 4, .height = 3, .bitsPerPixel = 8, .compression = 1, .colorsUsed = 4,
        .palette = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF},
        .pixels = {4, 1, 0, 0, 0, 3, 2, 3, 2, 0, 1, 1, 0, 0, 0, 2, 2, 0, 2, 3, 0, 1}},
       {0, 0, 0x0000FF, 0x0000FF, 0x00FF00, 0x0000FF, 0x00FF00, 0xFF0000, 0xFF0000, 0xFF0000, 0xFF0000, 0xFF0000},
       3, {0, 1}},
      {"run-length 4: alternating run and literal",
       {.width = 5, .height = 2, .bitsPerPixel = 4, .compression = 2, .colorsUsed = 3, .palette = {0x000000, 0xFF0000, 0x00FF00},
        .pixels = {5, 0x12, 0, 0, 0, 3, 0x21, 0x00, 0, 1}},
       {0x00FF00, 0xFF0000, 0, 0, 0, 0xFF0000, 0x00FF00, 0xFF0000, 0x00FF00, 0xFF0000}, 3, {3, 4}},
  };
}

TEST(DecodeBmp, ReadsEveryKindToTheSamePixelsAsQt) {
  for (const Case& c : acceptedCases()) {
    SCOPED_TRACE(c.name);
    const Bytes file = buildBmp(c.fields);
    auto image = scan::decodeBmp(file.data(), file.size());
    ASSERT_TRUE(image.has_value());
    EXPECT_TRUE(scan::isValid(*image));
    EXPECT_EQ(image->channels, c.channels);
    EXPECT_EQ(rgbOf(*image), c.expected);

    QImage qt;
    ASSERT_TRUE(qt.loadFromData(file.data(), static_cast<int>(file.size()), "BMP"));
    // Qt widens 5 and 6-bit channels by shifting, so 31 of 31 is 248, not 255.
    ASSERT_EQ(static_cast<std::size_t>(qt.width()) * static_cast<std::size_t>(qt.height()), c.expected.size());
    for (std::size_t i = 0; i < c.expected.size(); ++i) {
      // Pixels Qt leaves unset hold whatever was in memory; they are not read.
      if (std::find(c.qtUnset.begin(), c.qtUnset.end(), i) != c.qtUnset.end()) continue;
      const std::uint32_t theirs = qt.pixel(static_cast<int>(i) % qt.width(), static_cast<int>(i) / qt.width());
      for (int shift : {0, 8, 16})
        EXPECT_NEAR((theirs >> shift) & 255, (c.expected[i] >> shift) & 255, 8) << "pixel " << i;
    }
  }
}

// A reduced picture holds, for each block of step x step pixels, the pixel
// in the block's middle of the whole picture.
TEST(DecodeBmpSampled, PicksTheMiddleOfEachBlockOfEveryKind) {
  std::vector<Case> cases = acceptedCases();
  // Larger pictures, so that steps above one leave several pixels.
  Bytes pixels24, indices;
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 12; ++x) {  // rows of 36 bytes need no padding
      const auto v = static_cast<std::uint8_t>(16 * x + y);
      pixels24.insert(pixels24.end(), {v, static_cast<std::uint8_t>(255 - v), static_cast<std::uint8_t>(y * 30)});
    }
  std::vector<std::uint32_t> palette;
  for (std::uint32_t i = 0; i < 256; ++i) palette.push_back(i * 0x010203u);
  for (int y = 0; y < 7; ++y) indices.insert(indices.end(), {12, static_cast<std::uint8_t>(y * 9), 0, 0});
  indices.back() = 1;  // the last row's end-of-line becomes the end of the picture
  cases.push_back({"24-bit 12 x 7", {.width = 12, .height = 7, .pixels = pixels24}, {}, 3});
  cases.push_back({"24-bit 12 x 7 top-down", {.width = 12, .height = -7, .pixels = pixels24}, {}, 3});
  cases.push_back({"run-length 8, 12 x 7",
                   {.width = 12, .height = 7, .bitsPerPixel = 8, .compression = 1, .palette = palette, .pixels = indices},
                   {}, 3});
  for (const Case& c : cases) {
    const Bytes file = buildBmp(c.fields);
    const auto whole = scan::decodeBmp(file.data(), file.size());
    ASSERT_TRUE(whole.has_value()) << c.name;
    for (const auto& [boxWidth, boxHeight] : {std::pair{100, 100}, {1, 1}, {2, 2}, {5, 3}, {3, 5}}) {
      SCOPED_TRACE(testing::Message() << c.name << " into " << boxWidth << " x " << boxHeight);
      const auto part = scan::decodeBmpSampled(file.data(), file.size(), boxWidth, boxHeight);
      ASSERT_TRUE(part.has_value());
      const int step = std::max({1, (whole->width + boxWidth - 1) / boxWidth, (whole->height + boxHeight - 1) / boxHeight});
      ASSERT_EQ(part->width, (whole->width + step - 1) / step);
      ASSERT_EQ(part->height, (whole->height + step - 1) / step);
      ASSERT_EQ(part->channels, whole->channels);
      for (int y = 0; y < part->height; ++y)
        for (int x = 0; x < part->width; ++x)
          for (int k = 0; k < part->channels; ++k) {
            const int wx = std::min(x * step + step / 2, whole->width - 1);
            const int wy = std::min(y * step + step / 2, whole->height - 1);
            ASSERT_EQ(part->pixels[static_cast<std::size_t>((y * part->width + x) * part->channels + k)],
                      whole->pixels[whole->rowBytes() * static_cast<std::size_t>(wy) +
                                    static_cast<std::size_t>(wx * whole->channels + k)])
                << x << "," << y;
          }
    }
  }
  const Bytes cut = buildBmp({.width = 12, .height = 7, .pixels = Bytes(pixels24.begin(), pixels24.end() - 40)});
  EXPECT_FALSE(scan::decodeBmpSampled(cut.data(), cut.size(), 4, 4));
  EXPECT_FALSE(scan::decodeBmpSampled(cut.data(), cut.size(), 0, 4));
}

TEST(DecodeBmp, KeepsTheRecordedResolution) {
  BmpFields s = colour24(2);
  s.xPixelsPerMetre = 11811;
  s.yPixelsPerMetre = 3780;
  Bytes file = buildBmp(s);
  auto image = scan::decodeBmp(file.data(), file.size());
  ASSERT_TRUE(image.has_value());
  EXPECT_EQ(image->xDpi, 300.0);
  EXPECT_EQ(image->yDpi, 96.0);

  s.xPixelsPerMetre = 11800;  // 299.72 dpi: not near a whole number
  file = buildBmp(s);
  EXPECT_NEAR(scan::decodeBmp(file.data(), file.size())->xDpi, 299.72, 1e-9);

  s.xPixelsPerMetre = -5;
  file = buildBmp(s);
  EXPECT_EQ(scan::decodeBmp(file.data(), file.size())->xDpi, 0.0);
}

TEST(DecodeBmp, AcceptsAMissingPadAfterTheLastRowOnly) {
  Bytes file = buildBmp(colour24(2));
  file.resize(file.size() - 3);
  EXPECT_TRUE(scan::decodeBmp(file.data(), file.size()).has_value());
  file.pop_back();
  EXPECT_FALSE(scan::decodeBmp(file.data(), file.size()).has_value());
}

TEST(DecodeBmp, RefusesWhatItCannotDecodeCompletely) {
  const Bytes good = buildBmp(colour24(2));
  auto withFields = [](std::function<void(BmpFields&)> change) {
    BmpFields s = colour24(2);
    change(s);
    return buildBmp(s);
  };
  auto patch = [&good](std::size_t at, std::uint32_t value, int bytes) {
    Bytes f = good;
    scan_test::put(f, at, value, bytes);
    return f;
  };
  BmpFields rle{.width = 4, .height = 2, .bitsPerPixel = 8, .compression = 1, .palette = {0, 0xFF0000}};
  auto runLength = [&rle](Bytes data, std::int32_t height = 2) {
    BmpFields s = rle;
    s.pixels = std::move(data);
    s.height = height;
    return buildBmp(s);
  };
  const struct {
    const char* name;
    Bytes file;
  } cases[] = {
      {"empty", {}},
      {"magic only", {'B', 'M'}},
      {"wrong magic", patch(0, 'B' | ('N' << 8), 2)},
      {"headers only", Bytes(good.begin(), good.begin() + 54)},
      {"pixel data a row short", Bytes(good.begin(), good.end() - 12)},
      {"pixel offset past the end", patch(10, static_cast<std::uint32_t>(good.size()), 4)},
      {"pixel offset inside the header", patch(10, 20, 4)},
      {"unknown header size", patch(14, 41, 4)},
      {"zero width", withFields([](BmpFields& s) { s.width = 0; })},
      {"zero height", withFields([](BmpFields& s) { s.height = 0; })},
      {"negative width", withFields([](BmpFields& s) { s.width = -3; })},
      {"most negative height", withFields([](BmpFields& s) { s.height = INT_MIN; })},
      {"side over the cap", withFields([](BmpFields& s) { s.width = 70000; })},
      {"area over the cap", withFields([](BmpFields& s) { s.width = s.height = 20000; })},
      {"2 bits per pixel", withFields([](BmpFields& s) { s.bitsPerPixel = 2; s.palette = {0, 1, 2, 3}; })},
      {"embedded JPEG", withFields([](BmpFields& s) { s.compression = 4; })},
      {"embedded PNG", withFields([](BmpFields& s) { s.compression = 5; })},
      {"run-length with 24 bits", withFields([](BmpFields& s) { s.compression = 1; })},
      {"non-contiguous mask",
       withFields([](BmpFields& s) { s.bitsPerPixel = 32; s.compression = 3; s.masks = {0x0F0F, 0xF000, 0xFF0000}; })},
      {"16-bit mask beyond 16 bits",
       withFields([](BmpFields& s) { s.bitsPerPixel = 16; s.compression = 3; s.masks = {0x1F0000, 0x7E0, 0x1F}; })},
      {"palette missing", withFields([](BmpFields& s) { s.bitsPerPixel = 8; })},
      {"OS/2 header with its Huffman code",
       withFields([](BmpFields& s) { s.headerSize = 64; s.bitsPerPixel = 1; s.compression = 3; s.palette = {0, 1}; })},
      {"run-length top-down", runLength({4, 1, 0, 1}, -2)},
      {"run-length ends mid-picture", runLength({4, 1, 0, 0, 4, 1})},
      {"run-length literal past the end", runLength({0, 4, 1, 1})},
      {"run-length delta cut short", runLength({0, 2, 1})},
  };
  for (const auto& c : cases) {
    EXPECT_FALSE(scan::decodeBmp(c.file.data(), c.file.size()).has_value()) << c.name;
  }
  EXPECT_FALSE(scan::decodeBmp(nullptr, 100).has_value());
}

TEST(DecodeBmp, RunLengthClipsRunsAtTheRowEndAndEndsAtTheLastRow) {
  // A run of 200 into a 4-pixel row, then rows ended without an end marker.
  BmpFields s{.width = 4, .height = 2, .bitsPerPixel = 8, .compression = 1, .palette = {0, 0xFF0000},
            .pixels = {200, 1, 0, 0, 0, 2, 2, 0, 1, 1, 0, 0}};
  Bytes file = buildBmp(s);
  auto image = scan::decodeBmp(file.data(), file.size());
  ASSERT_TRUE(image.has_value());
  EXPECT_EQ(rgbOf(*image), (std::vector<std::uint32_t>{0, 0, 0xFF0000, 0, 0xFF0000, 0xFF0000, 0xFF0000, 0xFF0000}));
}

}  // namespace
