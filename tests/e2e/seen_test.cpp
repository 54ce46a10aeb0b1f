// What the user sees after a scanner run and around it, read from
// screenshots of the real program. With VIC_SHOTS set to a folder the
// screenshots are kept there.

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QSet>
#include <QTest>
#include <memory>

#include "e2e_steps.h"
#include "platform/runtime/settings.h"
#include "support/desktop.h"
#include "support/test_env.h"

namespace {

using e2e::kLiveTitle;
using e2e::kTwainTitle;
using e2e::kViewerTitle;
using testing_support::waitUntil;

const QString kScannerTitle = "^OrvaluxSoftware$";
// The viewer's picture area in its inner area, at a scale of 1.
const QRect kViewerPicture(30, 4, 192, 144);
constexpr int kViewerWidth = 252;

void keep(const QImage& shot, const QString& name) {
  const QString folder = qEnvironmentVariable("VIC_SHOTS");
  if (folder.isEmpty() || shot.isNull()) return;
  QDir().mkpath(folder);
  shot.save(folder + "/" + name + ".png");
}

// Mean difference of two pictures of one size, as a share of full scale.
double meanDifference(const QImage& a, const QImage& b) {
  double sum = 0;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) {
      const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
      sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q));
    }
  return sum / (3.0 * 255.0 * a.width() * a.height());
}

int distinctColours(const QImage& image, const QRect& region) {
  QSet<QRgb> colours;
  for (int y = region.top(); y <= region.bottom(); ++y)
    for (int x = region.left(); x <= region.right(); ++x) colours.insert(image.pixel(x, y));
  return static_cast<int>(colours.size());
}

// The viewer's picture on the screen against the file, both at the viewer's
// own size (its picture area at a scale of 1).
double viewerAgainstFile(testing_support::Program& program, const QString& viewer, const QString& file) {
  const QImage shot = program.screenshot(viewer);
  if (shot.isNull()) return 1;
  const double scale = double(shot.width()) / kViewerWidth;
  const QRect area(qRound(kViewerPicture.x() * scale), qRound(kViewerPicture.y() * scale),
                   qRound(kViewerPicture.width() * scale), qRound(kViewerPicture.height() * scale));
  const auto atViewerSize = [](const QImage& image) {
    return image.scaled(kViewerPicture.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
        .convertToFormat(QImage::Format_RGB32);
  };
  const QImage page = QImageReader(file).read();
  if (page.isNull()) return 1;
  return meanDifference(atViewerSize(shot.copy(area)), atViewerSize(page));
}

struct SeenTest : ::testing::Test {
  void SetUp() override {
    QDir(testing_support::configDir()).removeRecursively();
    QDir(testing_support::picturesDir()).removeRecursively();
    e2e::useTestScanner();
    ASSERT_TRUE(rt::SaveSetting("scanner", "DefaultSource", "device", "test:0"));
    ASSERT_TRUE(rt::SaveSetting("scanner", "DefaultSource", "source", "Flatbed"));
    // The program takes the environment as it is now, the scanner's included.
    desktop = std::make_unique<testing_support::Desktop>();
    ASSERT_TRUE(desktop->ok()) << "no X display";
    owned = std::make_unique<testing_support::Program>(*desktop);
    ASSERT_TRUE(owned->start());
    live = program().waitForWindow(kLiveTitle);
    ASSERT_FALSE(live.isEmpty()) << program().output().toStdString();
  }
  std::unique_ptr<testing_support::Desktop> desktop;
  std::unique_ptr<testing_support::Program> owned;
  testing_support::Program& program() { return *owned; }
  QString live;
};

// During a flatbed run each page is in the viewer as soon as it is saved,
// while the prompt asks for the next one; back in the live window the status
// line sums the run up and keeps it through a menu opened and closed.
TEST_F(SeenTest, TheViewerShowsEachFlatbedPageAndTheStatusLineKeepsTheRunsSummary) {
  const QString pictures = testing_support::picturesDir();
  keep(program().screenshot(live), "live-at-start");
  program().activate(live);
  program().key("alt+t");
  const QString twain = program().waitForWindow(kTwainTitle);
  ASSERT_FALSE(twain.isEmpty()) << program().output().toStdString();
  ASSERT_TRUE(program().waitForFocus(twain));
  program().key("alt+o");
  QString prompt = program().waitForWindow(kScannerTitle);
  ASSERT_FALSE(prompt.isEmpty()) << program().output().toStdString();
  keep(program().screenshot(prompt), "flatbed-prompt");
  for (const QString& page : {QStringLiteral("MOR0001.bmp"), QStringLiteral("MOR0002.bmp")}) {
    SCOPED_TRACE(page.toStdString());
    ASSERT_TRUE(program().waitForFocus(prompt));
    program().key("Return");  // Scan
    ASSERT_TRUE(waitUntil([&] { return QFileInfo::exists(pictures + "/" + page); }, 60000));
    QTest::qWait(1500);  // the prompt for the next page is up
    prompt = program().waitForWindow(kScannerTitle);
    ASSERT_FALSE(prompt.isEmpty());
    const QString viewer = program().waitForWindow(kViewerTitle);
    ASSERT_FALSE(viewer.isEmpty());
    const double difference = viewerAgainstFile(program(), viewer, pictures + "/" + page);
    EXPECT_LT(difference, 0.02) << "the viewer does not show " << page.toStdString();
    keep(program().screenshot(viewer), "viewer-after-" + QFileInfo(page).baseName());
  }
  ASSERT_TRUE(program().waitForFocus(prompt));
  program().key("Escape");  // Done
  live = program().waitForWindow(kLiveTitle, 30000);
  ASSERT_FALSE(live.isEmpty()) << "the live window did not come back";
  QTest::qWait(1500);

  const QImage before = program().screenshot(live);
  ASSERT_FALSE(before.isNull());
  const int statusHeight = before.height() * 17 / (17 + 480 + 20);
  const QRect status(0, before.height() - statusHeight + 2, before.width() / 2, statusHeight - 4);
  EXPECT_GT(distinctColours(before, status), 2) << "no summary on the status line";
  keep(before, "live-after-run");
  program().activate(live);
  program().key("alt+f");
  QTest::qWait(800);
  keep(program().screenshot(live), "live-menu-open");
  program().key("Escape");
  program().key("Escape");
  QTest::qWait(800);
  const QImage after = program().screenshot(live);
  ASSERT_EQ(after.size(), before.size());
  EXPECT_EQ(after.copy(status), before.copy(status)) << "the status line changed with the menu";
  ASSERT_TRUE(program().closeAndWaitForExit(live)) << program().output().toStdString();
}

// The selection dialog is as wide as its longest entry and the save dialog
// opens in the Pictures folder, made for it on a fresh account.
TEST_F(SeenTest, SelectDeviceAndSaveAsFitAndOpenWhereThePicturesGo) {
  program().activate(live);
  program().key("alt+f");
  program().key("s");
  const QString save = program().waitForWindow("^Save Single Frame$");
  ASSERT_FALSE(save.isEmpty()) << program().output().toStdString();
  EXPECT_TRUE(waitUntil([] { return QFileInfo(testing_support::picturesDir()).isDir(); }, 10000));
  keep(program().screenshot(save), "save-as");
  program().key("Escape");
  EXPECT_TRUE(waitUntil([&] { return !program().hasWindow("^Save Single Frame$"); }, 10000));

  program().activate(live);
  program().key("alt+t");
  const QString twain = program().waitForWindow(kTwainTitle);
  ASSERT_FALSE(twain.isEmpty());
  ASSERT_TRUE(program().waitForFocus(twain));
  program().key("alt+f");
  program().key("d");
  const QString select = program().waitForWindow(kScannerTitle);
  ASSERT_FALSE(select.isEmpty()) << program().output().toStdString();
  const QImage shot = program().screenshot(select);
  keep(shot, "select-device");
  // "Flatbed on Noname frontend-tester (test:0)" and its like, whole: wider
  // than the 278 pixels that cut them.
  const double scale = qEnvironmentVariableIsSet("QT_SCALE_FACTOR") ? qEnvironmentVariable("QT_SCALE_FACTOR").toDouble() : 1.0;
  EXPECT_GT(shot.width(), 330 * scale);
  program().key("Escape");
  EXPECT_TRUE(waitUntil([&] { return !program().hasWindow(kScannerTitle); }, 10000));
  program().closeWindow(twain);  // back to the live window
  live = program().waitForWindow(kLiveTitle);
  ASSERT_FALSE(live.isEmpty());
  ASSERT_TRUE(program().closeAndWaitForExit(live)) << program().output().toStdString();
}

}  // namespace
