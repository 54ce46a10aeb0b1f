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
  EXPECT_FALSE(stills::RewriteInFormat(*stills::ReadCapturedBitmap(path), path, StillFormat::None));
  EXPECT_FALSE(stills::RewriteInFormat(*stills::ReadCapturedBitmap(path), path + "-gone/x.jpg", StillFormat::Jpeg));
  EXPECT_FALSE(stills::RewriteInFormat(scan::Image{}, path, StillFormat::Jpeg));
  EXPECT_EQ(scan::heldImageCount(), held);
  EXPECT_EQ(contentOf(path), original);
}

}  // namespace
