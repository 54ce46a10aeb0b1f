#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QtEndian>

#include "platform/capture/dib.h"
#include "support/test_env.h"

namespace {

using capture::saveDib;

QImage sample(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) image.setPixel(x, y, qRgb(x * 40 % 256, y * 60 % 256, (x + y) * 25 % 256));
  return image;
}

// The bytes of the file saved from `image`; empty when nothing was saved.
QByteArray savedFile(const QImage& image) {
  const QString path = testing_support::freshDir("dib-bytes") + "/MOR0000.bmp";
  if (!saveDib(image, QFile::encodeName(path).toStdString())) return {};
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

std::uint32_t le32(const QByteArray& b, int at) { return qFromLittleEndian<std::uint32_t>(b.constData() + at); }
std::uint16_t le16(const QByteArray& b, int at) { return qFromLittleEndian<std::uint16_t>(b.constData() + at); }

// Widths 1 to 4 give every amount of row padding (3, 2, 1, 0 bytes).
TEST(SaveDib, HeadersAndPixelsOfEveryRowPadding) {
  for (int width : {1, 2, 3, 4, 7}) {
    SCOPED_TRACE(width);
    const QImage image = sample(width, 3);
    const QByteArray file = savedFile(image);
    const int stride = (width * 3 + 3) / 4 * 4;
    ASSERT_EQ(file.size(), 54 + stride * 3);
    EXPECT_EQ(file.left(2), "BM");
    EXPECT_EQ(le32(file, 2), std::uint32_t(file.size()));
    EXPECT_EQ(le32(file, 10), 54u);
    EXPECT_EQ(le32(file, 14), 40u);
    EXPECT_EQ(std::int32_t(le32(file, 18)), width);
    EXPECT_EQ(std::int32_t(le32(file, 22)), 3);  // positive: bottom-up
    EXPECT_EQ(le16(file, 26), 1);
    EXPECT_EQ(le16(file, 28), 24);
    EXPECT_EQ(le32(file, 30), 0u);  // uncompressed
    EXPECT_EQ(le32(file, 34), std::uint32_t(stride * 3));
    // The first row in the file is the bottom row, stored blue, green, red.
    const QRgb bottomLeft = image.pixel(0, 2);
    EXPECT_EQ(std::uint8_t(file[54]), qBlue(bottomLeft));
    EXPECT_EQ(std::uint8_t(file[55]), qGreen(bottomLeft));
    EXPECT_EQ(std::uint8_t(file[56]), qRed(bottomLeft));
    for (int pad = width * 3; pad < stride; ++pad) EXPECT_EQ(file[54 + pad], 0);

    QImage decoded;
    ASSERT_TRUE(decoded.loadFromData(file, "BMP"));
    EXPECT_EQ(decoded.convertToFormat(QImage::Format_RGB32), image);
  }
  EXPECT_TRUE(savedFile(QImage()).isEmpty());
}

struct SaveDibTest : ::testing::Test {
  QString dir = testing_support::freshDir("dib");
  QImage image = sample(33, 20);
  QStringList filesInDir() const { return QDir(dir).entryList(QDir::Files | QDir::Hidden); }
};

TEST_F(SaveDibTest, WritesAFileThatDecodesToTheFrame) {
  const QString path = dir + "/MOR0001.bmp";
  ASSERT_TRUE(saveDib(image, QFile::encodeName(path).toStdString()));
  QImageReader reader(path);
  EXPECT_EQ(reader.format(), "bmp");
  const QImage decoded = reader.read();
  EXPECT_EQ(decoded.size(), image.size());
  EXPECT_EQ(decoded.convertToFormat(QImage::Format_RGB32), image);
  EXPECT_EQ(filesInDir(), QStringList{"MOR0001.bmp"});
}

TEST_F(SaveDibTest, NeverReplacesAnExistingFile) {
  const QString path = dir + "/MOR0002.bmp";
  QFile existing(path);
  ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
  existing.write("the user's picture");
  existing.close();
  EXPECT_FALSE(saveDib(image, QFile::encodeName(path).toStdString()));
  QFile check(path);
  ASSERT_TRUE(check.open(QIODevice::ReadOnly));
  EXPECT_EQ(check.readAll(), "the user's picture");
  EXPECT_EQ(filesInDir(), QStringList{"MOR0002.bmp"});
}

TEST_F(SaveDibTest, FailureLeavesNothingBehind) {
  EXPECT_FALSE(saveDib(image, QFile::encodeName(dir + "/missing/MOR0003.bmp").toStdString()));
  EXPECT_FALSE(saveDib(QImage(), QFile::encodeName(dir + "/MOR0004.bmp").toStdString()));
  EXPECT_FALSE(saveDib(image, ""));
  EXPECT_TRUE(filesInDir().isEmpty());
}

}  // namespace
