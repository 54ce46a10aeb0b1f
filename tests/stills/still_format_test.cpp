#include <gtest/gtest.h>

#include <QFile>

#include "platform/capture/dib.h"
#include "platform/scan/image_handles.h"
#include "stills/still_format.h"
#include "support/test_env.h"

namespace {

using stills::StillFormat;

QByteArray contentOf(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST(StillFormat, AFailedOrSkippedRewriteLeavesTheFileAndReleasesThePicture) {
  QImage frame(40, 30, QImage::Format_RGB32);
  frame.fill(Qt::blue);
  const QString path = testing_support::freshDir("format") + "/a0001.tiff";
  ASSERT_TRUE(capture::saveDib(frame, path.toStdString()));
  const QByteArray original = contentOf(path);
  const std::size_t held = scan::heldImageCount();
  EXPECT_FALSE(stills::RewriteInFormat(stills::LoadCapturedBitmap(path), path, StillFormat::None));
  EXPECT_FALSE(stills::RewriteInFormat(stills::LoadCapturedBitmap(path), path + "-gone/x.jpg", StillFormat::Jpeg));
  EXPECT_FALSE(stills::RewriteInFormat(0, path, StillFormat::Jpeg));
  EXPECT_EQ(scan::heldImageCount(), held);
  EXPECT_EQ(contentOf(path), original);
}

// The captured bitmap reaches the viewer unchanged from either layout the
// library holds it in: straight from the capture, or read back from disk.
TEST(StillFormat, TheViewerGetsTheFrameFromEitherLayout) {
  QImage frame(7, 5, QImage::Format_RGB32);
  for (int y = 0; y < frame.height(); ++y)
    for (int x = 0; x < frame.width(); ++x) frame.setPixel(x, y, qRgb(x * 30, y * 50, 255 - x * y));
  const QString path = testing_support::freshDir("viewer") + "/a0001.bmp";
  ASSERT_TRUE(capture::saveDib(frame, path.toStdString()));
  for (const char* from : {"memory", "disk"}) {
    SCOPED_TRACE(from);
    const std::int32_t picture = stills::LoadCapturedBitmap(path);
    const scan::Image* image = scan::heldImage(picture);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->layout, from == std::string("memory") ? scan::Layout::Bitmap : scan::Layout::TopDown);
    EXPECT_EQ(stills::ToQImage(*image), frame);
    EXPECT_TRUE(stills::RewriteInFormat(picture, path, StillFormat::Bmp));
  }
  EXPECT_EQ(QImage(path).convertToFormat(QImage::Format_RGB32), frame);
}

}  // namespace
