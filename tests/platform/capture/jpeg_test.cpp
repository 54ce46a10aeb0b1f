#include <gtest/gtest.h>

#include <QProcess>
#include <map>

#include "jpeg_frames.h"
#include "platform/capture/camera_jpeg.h"
#include "platform/capture/mjpeg.h"
#include "platform/capture/pixels.h"
#include "support/test_env.h"

namespace {

using namespace capture;
using namespace capture_test;

constexpr QSize kFrame(320, 240);

// Mean absolute difference of the colour channels: JPEG is lossy.
double difference(const QImage& a, const QImage& b) {
  if (a.size() != b.size()) return 255;
  double sum = 0;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) {
      const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
      sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q));
    }
  return sum / (3.0 * a.width() * a.height());
}

std::map<std::uint8_t, Bytes> huffmanTables(const Bytes& jpeg) {
  std::map<std::uint8_t, Bytes> tables;
  for (const Segment& s : headerSegments(jpeg)) {
    if (s.marker != 0xC4) continue;
    for (std::size_t at = s.at + 4; at < s.at + s.length;) {
      std::size_t count = 0;
      for (int i = 1; i <= 16; ++i) count += jpeg[at + std::size_t(i)];
      tables[jpeg[at]] = Bytes(jpeg.begin() + std::ptrdiff_t(at + 1), jpeg.begin() + std::ptrdiff_t(at + 17 + count));
      at += 17 + count;
    }
  }
  return tables;
}

TEST(PreviewReduction, LargestThatStillCoversTheArea) {
  struct Case {
    QSize frame, area;
    int reduction;
  } cases[] = {
      {{3264, 2448}, {640, 480}, 4},   // 816 x 612; 1/8 would be 408 x 306
      {{1920, 1080}, {640, 480}, 2},   // 960 x 540
      {{1920, 1080}, {640, 360}, 2},   // 1/4 is 480 x 270
      {{2560, 1920}, {320, 240}, 8},   // exactly covers
      {{2561, 1921}, {321, 241}, 8},   // 1/8 rounds up to 321 x 241
      {{640, 480}, {640, 480}, 1},
      {{640, 480}, {1280, 960}, 1},    // shown larger than the frame
      {{1280, 960}, {640, 481}, 1},    // one row short at 1/2
      {{1280, 960}, {}, 1},            // no area: full frames
  };
  for (const Case& c : cases)
    EXPECT_EQ(previewReduction(c.frame, c.area), c.reduction) << c.frame.width() << "x" << c.frame.height();
}

TEST(JpegDecoder, FramesWithAndWithoutTablesDecodeAlike) {
  const QImage picture = framePicture(kFrame);
  const Bytes full = encodeJpeg(picture);
  const Bytes bare = withoutSegments(full, 0xC4);
  ASSERT_LT(bare.size(), full.size());
  JpegDecoder decoder;
  const QImage a = decoder.decode(full.data(), full.size(), kFrame);
  const QImage b = decoder.decode(bare.data(), bare.size(), kFrame);
  ASSERT_FALSE(a.isNull());
  ASSERT_EQ(a.format(), QImage::Format_RGB32);
  EXPECT_EQ(a, b);
  EXPECT_LT(difference(a, picture), 6.0);
  // Reduced: the whole picture at a quarter of its size.
  const QImage quarter = decoder.decode(bare.data(), bare.size(), kFrame, 4);
  EXPECT_EQ(quarter.size(), QSize(80, 60));
  EXPECT_LT(difference(quarter, a.scaled(80, 60, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)), 12.0);
  // The frame decoder of every format goes the same way.
  EXPECT_EQ(decodeFrame(kMjpeg, bare.data(), bare.size(), kFrame, 0), a);
}

TEST(CameraJpeg, StandardTablesAreTheOnesEncodersUse) {
  Bytes segment{0xFF, 0xD8};
  segment.insert(segment.end(), standardHuffmanTables().begin(), standardHuffmanTables().end());
  const auto ours = huffmanTables(segment);
  const auto theirs = huffmanTables(encodeJpeg(framePicture(kFrame)));
  ASSERT_EQ(ours.size(), 4u);
  EXPECT_EQ(ours, theirs);
}

struct CameraJpegFile : ::testing::TestWithParam<bool> {};

TEST_P(CameraJpegFile, KeepsTheFramesDataAndAddsTablesAndHeader) {
  const bool hasTables = GetParam();
  const Bytes frame = cameraFrame(kFrame, 9, hasTables);
  const auto result = cameraJpegFile(frame.data(), frame.size(), kFrame, 96);
  ASSERT_TRUE(std::holds_alternative<Bytes>(result));
  const Bytes& file = std::get<Bytes>(result);

  // SOI, then JFIF 1.01 at 96 dots per inch.
  const Bytes jfif{0xFF, 0xD8, 0xFF, 0xE0, 0, 16, 'J', 'F', 'I', 'F', 0, 1, 1, 1, 0, 96, 0, 96, 0, 0};
  ASSERT_GE(file.size(), jfif.size());
  EXPECT_EQ(Bytes(file.begin(), file.begin() + std::ptrdiff_t(jfif.size())), jfif);
  EXPECT_EQ(entropyData(file), entropyData(frame));
  EXPECT_EQ(huffmanTables(file).size(), 4u);
  // Nothing but the header and, where missing, the tables were added.
  const std::size_t added = jfif.size() - 2 + (hasTables ? 0 : standardHuffmanTables().size());
  EXPECT_EQ(file.size(), frame.size() + added);

  const QImage decoded = QImage::fromData(file.data(), int(file.size()), "JPEG");
  ASSERT_FALSE(decoded.isNull());
  EXPECT_EQ(decoded.size(), kFrame);
  EXPECT_NEAR(decoded.dotsPerMeterX(), 3780, 1);  // 96 dpi
  EXPECT_LT(difference(decoded.convertToFormat(QImage::Format_RGB32), framePicture(kFrame, 9)), 6.0);

  const QString path = testing_support::freshDir("djpeg") + "/frame.jpg";
  ASSERT_TRUE(
      testing_support::put(path, QByteArray(reinterpret_cast<const char*>(file.data()), qsizetype(file.size()))));
  QProcess djpeg;
  djpeg.start("djpeg", {"-pnm", path});
  ASSERT_TRUE(djpeg.waitForFinished(30000));
  EXPECT_EQ(djpeg.exitCode(), 0) << djpeg.readAllStandardError().toStdString();
  EXPECT_TRUE(djpeg.readAllStandardError().isEmpty());  // no warnings either
  EXPECT_TRUE(djpeg.readAllStandardOutput().startsWith("P6\n320 240\n255\n"));
}

INSTANTIATE_TEST_SUITE_P(WithAndWithoutTables, CameraJpegFile, ::testing::Bool());

TEST(CameraJpeg, AnOldJfifHeaderIsReplacedAndOtherSegmentsKept) {
  Bytes frame = encodeJpeg(framePicture(kFrame));  // JFIF from the encoder, density 1:1 without units
  const Bytes comment{0xFF, 0xFE, 0x00, 0x05, 'c', 'a', 'm'};
  frame.insert(frame.begin() + 2 + 18, comment.begin(), comment.end());
  const auto result = cameraJpegFile(frame.data(), frame.size(), kFrame, 96);
  ASSERT_TRUE(std::holds_alternative<Bytes>(result));
  const Bytes& file = std::get<Bytes>(result);
  EXPECT_EQ(file.size(), frame.size());  // one header for the other
  int jfifs = 0, comments = 0;
  for (const Segment& s : headerSegments(file)) {
    jfifs += s.marker == 0xE0;
    comments += s.marker == 0xFE;
  }
  EXPECT_EQ(jfifs, 1);
  EXPECT_EQ(comments, 1);
  EXPECT_EQ(file[13], 1);  // dots per inch
}

TEST(CameraJpeg, IncompleteFramesAreNotSaved) {
  const Bytes good = cameraFrame(kFrame);
  const auto segments = headerSegments(good);
  auto without = [&](std::uint8_t marker) { return withoutSegments(good, marker); };
  const std::size_t sos = segments.back().at;
  struct Case {
    const char* what;
    Bytes bytes;
    QSize frame;
    JpegFault fault;
  } cases[] = {
      {"empty", {}, kFrame, JpegFault::NoStart},
      {"no start marker", Bytes(good.begin() + 2, good.end()), kFrame, JpegFault::NoStart},
      {"no frame header", without(0xC0), kFrame, JpegFault::NoFrameHeader},
      {"no scan", Bytes(good.begin(), good.begin() + std::ptrdiff_t(sos)), kFrame, JpegFault::NoScan},
      {"start and end only", {0xFF, 0xD8, 0xFF, 0xD9}, kFrame, JpegFault::NoScan},
      {"no end marker", Bytes(good.begin(), good.end() - 2), kFrame, JpegFault::NoEnd},
      {"cut in the scan", Bytes(good.begin(), good.begin() + std::ptrdiff_t(sos + 200)), kFrame, JpegFault::NoEnd},
      {"segment longer than the frame", Bytes(good.begin(), good.begin() + std::ptrdiff_t(segments[1].at + 10)), kFrame,
       JpegFault::NoFrameHeader},
      {"another size", good, QSize(640, 480), JpegFault::WrongSize},
  };
  for (const Case& c : cases) {
    const auto result = cameraJpegFile(c.bytes.data(), c.bytes.size(), c.frame, 96);
    ASSERT_TRUE(std::holds_alternative<JpegFault>(result)) << c.what;
    EXPECT_EQ(std::get<JpegFault>(result), c.fault) << c.what;
  }
  // Padding after the end, as some cameras send, is left out.
  Bytes padded = good;
  padded.resize(good.size() + 1000, 0);
  const auto result = cameraJpegFile(padded.data(), padded.size(), kFrame, 96);
  ASSERT_TRUE(std::holds_alternative<Bytes>(result));
  EXPECT_EQ(std::get<Bytes>(result).size(), good.size() + 18 + standardHuffmanTables().size());
}

}  // namespace
