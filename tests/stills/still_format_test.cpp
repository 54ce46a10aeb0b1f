#include <gtest/gtest.h>

#include <QFile>
#include <QImageReader>

#include "platform/capture/dib.h"
#include "platform/scan/image_handles.h"
#include "stills/still_format.h"
#include "support/test_env.h"

namespace {

using stills::StillFormat;

QImage testPicture() {
  QImage image(40, 30, QImage::Format_RGB32);
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) image.setPixel(x, y, qRgb(x * 6, y * 8, 200 - x));
  return image;
}

QString writeBitmap(const QString& name) {
  const QString path = testing_support::freshDir("format") + "/" + name;
  EXPECT_TRUE(capture::saveDib(testPicture(), path.toStdString()));
  return path;
}

TEST(StillFormat, OnlyTheExactLowerCaseExtensionsSelectAWriter) {
  struct Case {
    const char* ext;
    StillFormat format;
  };
  const Case cases[] = {{".bmp", StillFormat::Bmp}, {".jpg", StillFormat::Jpeg}, {".pdf", StillFormat::Pdf},
                        {".BMP", StillFormat::None}, {".Jpg", StillFormat::None}, {"tiff", StillFormat::None},
                        {".jpeg", StillFormat::None}, {"", StillFormat::None}};
  for (const Case& c : cases) EXPECT_EQ(stills::FormatForExtension(c.ext), c.format) << c.ext;
}

TEST(StillFormat, ReadsTheCapturedBitmapWithItsColours) {
  const auto picture = stills::ReadCapturedBitmap(writeBitmap("MOR0001.bmp"));
  ASSERT_TRUE(picture.has_value());
  const QImage shown = stills::ToQImage(*picture);
  EXPECT_EQ(shown.format(), QImage::Format_RGB32);
  EXPECT_EQ(shown, testPicture());
}

TEST(StillFormat, ShowsAGreyPictureAsGrey) {
  scan::Image grey = scan::blankImage(2, 1, 1);
  grey.pixels = {10, 250};
  const QImage shown = stills::ToQImage(grey);
  EXPECT_EQ(shown.pixel(0, 0), qRgb(10, 10, 10));
  EXPECT_EQ(shown.pixel(1, 0), qRgb(250, 250, 250));
  EXPECT_TRUE(stills::ToQImage(scan::Image{}).isNull());
}

TEST(StillFormat, NothingIsReadFromAMissingOrForeignFile) {
  const QString folder = testing_support::freshDir("foreign");
  QFile text(folder + "/notes.bmp");
  ASSERT_TRUE(text.open(QIODevice::WriteOnly));
  text.write("not a bitmap at all");
  text.close();
  EXPECT_FALSE(stills::ReadCapturedBitmap(folder + "/notes.bmp").has_value());
  EXPECT_FALSE(stills::ReadCapturedBitmap(folder + "/missing.bmp").has_value());
  EXPECT_FALSE(stills::ReadCapturedBitmap(folder).has_value());
}

TEST(StillFormat, RewritesTheFileInTheChosenFormat) {
  struct Case {
    StillFormat format;
    const char* name;
    QByteArray readerFormat;  // empty: check the PDF header
  };
  const Case cases[] = {{StillFormat::Bmp, "a0001.bmp", "bmp"},
                        {StillFormat::Jpeg, "a0001.jpg", "jpeg"},
                        {StillFormat::Pdf, "a0001.pdf", {}}};
  for (const Case& c : cases) {
    const QString path = writeBitmap(c.name);
    const std::size_t held = scan::heldImageCount();
    ASSERT_TRUE(stills::RewriteInFormat(*stills::ReadCapturedBitmap(path), path, c.format)) << c.name;
    EXPECT_EQ(scan::heldImageCount(), held);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    if (c.readerFormat.isEmpty()) {
      EXPECT_TRUE(file.readAll().startsWith("%PDF-"));
      continue;
    }
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    EXPECT_EQ(reader.format(), c.readerFormat);
    EXPECT_EQ(reader.read().size(), QSize(40, 30));
  }
}

TEST(StillFormat, LeavesTheFileAloneWhenNothingIsWritten) {
  const QString path = writeBitmap("a0001.tiff");
  QFile before(path);
  ASSERT_TRUE(before.open(QIODevice::ReadOnly));
  const QByteArray original = before.readAll();
  before.close();
  const std::size_t held = scan::heldImageCount();
  EXPECT_FALSE(stills::RewriteInFormat(*stills::ReadCapturedBitmap(path), path, StillFormat::None));
  // A folder that is gone: the write fails and the picture is still released.
  EXPECT_FALSE(stills::RewriteInFormat(*stills::ReadCapturedBitmap(path), path + "-gone/x.jpg", StillFormat::Jpeg));
  EXPECT_FALSE(stills::RewriteInFormat(scan::Image{}, path, StillFormat::Jpeg));
  EXPECT_EQ(scan::heldImageCount(), held);
  QFile after(path);
  ASSERT_TRUE(after.open(QIODevice::ReadOnly));
  EXPECT_EQ(after.readAll(), original);
}

}  // namespace
