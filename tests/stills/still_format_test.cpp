#include <gtest/gtest.h>

#include <QFile>

#include "platform/capture/dib.h"
#include "platform/scan/image_files.h"
#include "stills/still_format.h"
#include "support/test_env.h"

namespace {

// A bitmap reaches the viewer unchanged from either layout the library
// holds pictures in.
TEST(StillFormat, TheViewerGetsTheFrameFromEitherLayout) {
  QImage frame(7, 5, QImage::Format_RGB32);
  for (int y = 0; y < frame.height(); ++y)
    for (int x = 0; x < frame.width(); ++x) frame.setPixel(x, y, qRgb(x * 30, y * 50, 255 - x * y));
  const QString path = testing_support::freshDir("viewer") + "/a0001.bmp";
  ASSERT_TRUE(capture::saveDib(frame, path.toStdString()));
  const auto topDown = scan::releaseImage(TWAIN_LoadNativeFromFilename(QFile::encodeName(path).constData()));
  ASSERT_TRUE(topDown);
  const auto bitmap = scan::inLayout(*topDown, scan::Layout::Bitmap);
  ASSERT_TRUE(bitmap);
  EXPECT_EQ(stills::ToQImage(*topDown), frame);
  EXPECT_EQ(stills::ToQImage(*bitmap), frame);
}

}  // namespace
