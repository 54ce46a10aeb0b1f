#include <gtest/gtest.h>

#include <QDir>
#include <QSet>
#include <QTest>

#include "e2e_steps.h"
#include "platform/capture/test_pattern.h"
#include "platform/runtime/settings.h"
#include "support/desktop.h"
#include "support/test_env.h"

namespace {

using e2e::kLiveTitle;

// How many pixels of a region differ between two pictures.
int changedPixels(const QImage& a, const QImage& b, const QRect& region) {
  int changed = 0;
  for (int y = region.top(); y <= region.bottom(); y += 2)
    for (int x = region.left(); x <= region.right(); x += 2) changed += a.pixel(x, y) != b.pixel(x, y);
  return changed;
}

int distinctColours(const QImage& image, const QRect& region) {
  QSet<QRgb> colours;
  for (int y = region.top(); y <= region.bottom(); ++y)
    for (int x = region.left(); x <= region.right(); ++x) colours.insert(image.pixel(x, y));
  return static_cast<int>(colours.size());
}

TEST(LiveWindow, ShowsTheMovingTestPatternAndKeepsThePathAfterClosing) {
  QDir(testing_support::configDir()).removeRecursively();
  testing_support::Desktop desktop;
  ASSERT_TRUE(desktop.ok()) << "no X display";
  testing_support::Program program(desktop);
  ASSERT_TRUE(program.start());
  const QString window = program.waitForWindow(kLiveTitle);
  ASSERT_FALSE(window.isEmpty()) << program.output().toStdString();
  QTest::qWait(1000);

  const QImage first = program.screenshot(window);
  QTest::qWait(400);
  const QImage second = program.screenshot(window);
  ASSERT_FALSE(first.isNull());
  // The window is the menu bar, the 640 x 480 picture and the status bar
  // below it.
  EXPECT_EQ(first.width(), 640);
  const int menu = first.height() - 480 - 17;
  EXPECT_GT(menu, 10);
  EXPECT_LT(menu, 60);
  const QRect picture(0, menu, 640, 480);
  const QRect statusBar(0, picture.bottom() + 1, 640, 17);
  EXPECT_GT(changedPixels(first, second, picture), 1000) << "the picture does not move";
  EXPECT_GT(distinctColours(first, picture), 8) << "no picture";
  EXPECT_GT(distinctColours(first, statusBar.adjusted(0, 2, 0, -2)), 2) << "no text on the status bar";
  // Every row of the frame is in sight: the pattern's black caption band,
  // its last 60 rows, ends right above the status bar (its left part holds
  // no text), and the colour bars end right above the band.
  // (Clear of the pattern's corner mark, which shows the last row itself.)
  const QRect bandLeft(16, picture.bottom() - 59, 84, 60);
  EXPECT_EQ(distinctColours(first, bandLeft), 1) << "the bottom rows of the frame are covered";
  EXPECT_EQ(first.pixel(2, picture.bottom()), capture::kCornerMark) << "the last row is covered";
  EXPECT_EQ(QColor(first.pixel(bandLeft.topLeft())), QColor(Qt::black));
  EXPECT_GT(distinctColours(first, QRect(0, bandLeft.top() - 1, 640, 1)), 4) << "the colour bars do not end there";
  EXPECT_NE(QColor(first.pixel(10, statusBar.top() + 8)), QColor(Qt::black)) << "no status bar below the frame";
  first.save(testing_support::homeDir() + "/live.png");

  ASSERT_TRUE(program.closeAndWaitForExit(window));
  EXPECT_EQ(rt::GetSetting("ZENO", "PARAS", "Path", "<unset>"), testing_support::picturesDir() + "/MOR0000.bmp");
}

}  // namespace
