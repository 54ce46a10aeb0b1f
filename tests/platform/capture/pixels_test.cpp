#include <gtest/gtest.h>

#include <QBuffer>
#include <QImageWriter>

#include "platform/capture/pixels.h"

namespace {

using namespace capture;

struct PackedCase {
  const char* name;
  std::uint32_t format;
  std::vector<std::uint8_t> pixelPair;  // two pixels of one line
  QRgb first, second;
};

// Each case: a 2 x 2 frame built from a line of two pixels, lines padded by 3 bytes.
TEST(DecodeFrame, PackedFormatsGiveTheirColours) {
  const PackedCase cases[] = {
      {"RGB24", kRgb24, {255, 0, 0, 0, 0, 255}, qRgb(255, 0, 0), qRgb(0, 0, 255)},
      {"BGR24", kBgr24, {255, 0, 0, 0, 0, 255}, qRgb(0, 0, 255), qRgb(255, 0, 0)},
      // The fourth byte is junk: the picture stays opaque.
      {"BGRx", kBgrx32, {10, 20, 30, 0, 40, 50, 60, 7}, qRgb(30, 20, 10), qRgb(60, 50, 40)},
      {"RGBx", kRgbx32, {10, 20, 30, 0, 40, 50, 60, 7}, qRgb(10, 20, 30), qRgb(40, 50, 60)},
      {"GREY", kGrey, {0, 200}, qRgb(0, 0, 0), qRgb(200, 200, 200)},
      {"YUYV white/black", kYuyv, {235, 128, 16, 128}, qRgb(255, 255, 255), qRgb(0, 0, 0)},
      {"UYVY white/black", kUyvy, {128, 235, 128, 16}, qRgb(255, 255, 255), qRgb(0, 0, 0)},
      // Pure red in BT.601 limited range: Y 81, U 90, V 240.
      {"YUYV red", kYuyv, {81, 90, 81, 240}, qRgb(255, 0, 0), qRgb(255, 0, 0)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::uint32_t line = std::uint32_t(c.pixelPair.size()) + 3;
    std::vector<std::uint8_t> data(line * 2, 0xEE);
    for (int row = 0; row < 2; ++row) std::copy(c.pixelPair.begin(), c.pixelPair.end(), data.begin() + row * line);
    const QImage image = decodeFrame(c.format, data.data(), data.size(), QSize(2, 2), line);
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.format(), QImage::Format_RGB32);
    for (int row = 0; row < 2; ++row) {
      auto near = [](QRgb a, QRgb b) {
        return std::abs(qRed(a) - qRed(b)) <= 2 && std::abs(qGreen(a) - qGreen(b)) <= 2 &&
               std::abs(qBlue(a) - qBlue(b)) <= 2;
      };
      EXPECT_TRUE(near(image.pixel(0, row), c.first)) << std::hex << image.pixel(0, row);
      EXPECT_TRUE(near(image.pixel(1, row), c.second)) << std::hex << image.pixel(1, row);
    }
  }
}

TEST(DecodeFrame, RefusesDataThatDoesNotCoverTheFrame) {
  std::vector<std::uint8_t> data(640 * 3 * 480);
  const QSize frame(640, 480);
  EXPECT_FALSE(decodeFrame(kRgb24, data.data(), data.size(), frame, 0).isNull());  // 0: packed lines
  EXPECT_TRUE(decodeFrame(kRgb24, data.data(), data.size() - 1, frame, 0).isNull());
  EXPECT_TRUE(decodeFrame(kRgb24, data.data(), data.size(), frame, 640 * 3 + 4).isNull());
  EXPECT_TRUE(decodeFrame(kRgb24, data.data(), data.size(), frame, 100).isNull());  // line shorter than a row
  EXPECT_TRUE(decodeFrame(kYuyv, data.data(), 10, frame, 0).isNull());
  EXPECT_TRUE(decodeFrame(fourcc('H', '2', '6', '4'), data.data(), data.size(), frame, 0).isNull());
  EXPECT_TRUE(decodeFrame(kRgb24, nullptr, data.size(), frame, 0).isNull());
  EXPECT_TRUE(decodeFrame(kRgb24, data.data(), data.size(), QSize(0, 480), 0).isNull());
}

TEST(DecodeFrame, CompressedFramesDecodeOnlyWhenWholeAndOfTheFrameSize) {
  QImage source(64, 48, QImage::Format_RGB32);
  source.fill(qRgb(0, 160, 0));
  QByteArray jpeg;
  QBuffer buffer(&jpeg);
  buffer.open(QIODevice::WriteOnly);
  ASSERT_TRUE(QImageWriter(&buffer, "JPEG").write(source));
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(jpeg.constData());

  const QImage image = decodeFrame(kMjpeg, bytes, std::size_t(jpeg.size()), QSize(64, 48), 0);
  ASSERT_FALSE(image.isNull());
  EXPECT_EQ(image.format(), QImage::Format_RGB32);
  EXPECT_NEAR(qGreen(image.pixel(10, 10)), 160, 3);
  EXPECT_TRUE(decodeFrame(kMjpeg, bytes, std::size_t(jpeg.size()), QSize(640, 480), 0).isNull());
  EXPECT_TRUE(decodeFrame(kJpeg, bytes, 40, QSize(64, 48), 0).isNull());
}

}  // namespace
