#include <gtest/gtest.h>

#include <QFile>
#include <QPixmap>

#include "app/forms.h"
#include "platform/scan/image_writes.h"
#include "stills/still_format.h"
#include "stills/viewer.h"
#include "support/test_env.h"

namespace {

// Four quarters: red, green, blue, white.
scan::Image quarters(int width, int height, int channels) {
  scan::Image image = scan::blankImage(width, height, channels);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const int quarter = (y >= height / 2) * 2 + (x >= width / 2);
      static constexpr std::uint8_t kColours[4][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
      std::uint8_t* p = &image.pixels[image.rowBytes() * static_cast<std::size_t>(y) +
                                      static_cast<std::size_t>(x * channels)];
      if (channels == 1) *p = static_cast<std::uint8_t>(60 * quarter);
      else std::copy_n(kColours[quarter], 3, p);
    }
  return image;
}

// No larger than the viewer needs, the shape kept, and each quarter in its
// colour.
void expectQuartersShown(const QImage& shown, int width, int height, int channels) {
  EXPECT_LE(shown.width(), 1024);
  EXPECT_LE(shown.height(), 768);
  if (width <= 1024 && height <= 768) {
    EXPECT_EQ(shown.size(), QSize(width, height));
  }
  EXPECT_NEAR(double(shown.width()) / shown.height(), double(width) / height, 0.02);
  for (int quarter = 0; quarter < 4; ++quarter) {
    const QColor seen =
        shown.pixelColor(shown.width() * (1 + 2 * (quarter % 2)) / 4, shown.height() * (1 + 2 * (quarter / 2)) / 4);
    const QColor expected = channels == 1 ? QColor(60 * quarter, 60 * quarter, 60 * quarter)
                                          : QList<QColor>{Qt::red, Qt::green, Qt::blue, Qt::white}[quarter];
    EXPECT_NEAR(seen.red(), expected.red(), 8) << quarter;
    EXPECT_NEAR(seen.green(), expected.green(), 8) << quarter;
    EXPECT_NEAR(seen.blue(), expected.blue(), 8) << quarter;
  }
}

TEST(Viewer, ShowsAnyLastPictureDecodedNoLargerThanItNeeds) {
  struct Case {
    const char* what;
    int width, height, channels;
    bool jpeg;
  };
  const Case cases[] = {
      {"600 dpi A4 colour JPEG", 4960, 7016, 3, true},
      {"colour bitmap of 3000 x 2000", 3000, 2000, 3, false},
      {"grey bitmap of 2500 x 3500", 2500, 3500, 1, false},
      {"a capture", 640, 480, 3, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const QString path = testing_support::freshDir("viewer") + (c.jpeg ? "/MOR0001.jpg" : "/MOR0001.bmp");
    {
      const scan::Image picture = quarters(c.width, c.height, c.channels);
      const std::string name = QFile::encodeName(path).toStdString();
      ASSERT_TRUE(c.jpeg ? scan::writeJpeg(picture, name, files::Commit::NoReplace)
                         : scan::writeBmp(picture, name, files::Commit::NoReplace));
    }
    ASSERT_TRUE(stills::LoadViewerPicture(path));
    expectQuartersShown(app::Form3->Image1->picture(), c.width, c.height, c.channels);
    app::Form3.Unload();
  }
}

// A scanned page goes to the viewer from memory, in whichever layout the
// scanner or the bitmap writer holds it.
TEST(Viewer, APictureInMemoryIsReducedAsAFileWouldBe) {
  struct Case {
    const char* what;
    int width, height, channels;
    scan::Layout layout;
  };
  const Case cases[] = {
      {"300 dpi A4 colour page", 2480, 3508, 3, scan::Layout::TopDown},
      {"the same as a bitmap's rows", 2480, 3508, 3, scan::Layout::Bitmap},
      {"grey page", 1700, 2200, 1, scan::Layout::Bitmap},
      {"a small page, kept whole", 590, 590, 3, scan::Layout::Bitmap},
      {"just too wide", 1025, 300, 3, scan::Layout::TopDown},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const auto picture = scan::inLayout(quarters(c.width, c.height, c.channels), c.layout);
    ASSERT_TRUE(picture);
    expectQuartersShown(stills::ViewerSizedImage(stills::ToQImage(*picture)), c.width, c.height, c.channels);
  }
  EXPECT_TRUE(stills::ViewerSizedImage(QImage()).isNull());
}

// The viewer (260 x 220 with its frame) goes beside the capture window,
// never under it, on a 1280 x 1024 screen whose top 30 rows hold a panel.
TEST(ViewerPosition, BesideTheCaptureWindowWhereTheScreenHasRoom) {
  const QRect screen(0, 30, 1280, 994);
  const QSize viewer(260, 220);
  const struct {
    const char* what;
    QRect owner;
    QPoint want;
    bool apart;
  } cases[] = {
      {"right", {316, 200, 648, 560}, {972, 200}, true},
      {"left when the right is too narrow", {600, 200, 648, 560}, {332, 200}, true},
      {"below when neither side has room", {100, 100, 1100, 500}, {100, 608}, true},
      {"above when only the top has room", {100, 400, 1100, 620}, {100, 172}, true},
      {"at the right edge when nothing has room", {0, 30, 1280, 994}, {1020, 30}, false},
      {"top kept on the screen", {316, 900, 648, 100}, {972, 804}, true},
      {"right with exactly the room", {0, 100, 1280 - 260 - 8, 500}, {1020, 100}, true},
  };
  for (const auto& c : cases) {
    const QPoint at = stills::ViewerPosition(c.owner, viewer, screen);
    EXPECT_EQ(at, c.want) << c.what;
    const QRect placed(at, viewer);
    EXPECT_TRUE(screen.contains(placed)) << c.what;
    EXPECT_EQ(placed.intersects(c.owner), !c.apart) << c.what;
  }
}

}  // namespace
