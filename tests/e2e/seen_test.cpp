// What the user sees after a scanner run and around it, read from
// screenshots of the real program. With VIC_SHOTS set to a folder the
// screenshots are kept there.

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QFontMetrics>
#include <QImageReader>
#include <QProcess>
#include <QSet>
#include <QTest>
#include <optional>

#include "e2e_steps.h"
#include "platform/runtime/settings.h"
#include "support/desktop.h"
#include "support/test_env.h"

namespace {

using e2e::kLiveTitle;
using e2e::kViewerTitle;
using testing_support::waitUntil;

const QString kTwainTitleText = "OrvaluxSoftware";
const QString kScannerTitle = "^" + kTwainTitleText + "$";
// The viewer's picture area in its inner area, at a scale of 1.
const QRect kViewerPicture(30, 4, 192, 144);
constexpr int kViewerWidth = 252;

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

// As the user's QT_SCALE_FACTOR, passed on to the program, scales its windows.
double scale() {
  return qEnvironmentVariableIsSet("QT_SCALE_FACTOR") ? qEnvironmentVariable("QT_SCALE_FACTOR").toDouble() : 1.0;
}

// The viewer's picture on the screen against the page, both at the viewer's
// own size (its picture area at a scale of 1).
double viewerAgainst(testing_support::Program& program, const QString& viewer, const QImage& page) {
  const QImage shot = program.screenshot(viewer);
  if (shot.isNull() || page.isNull()) return 1;
  const double scale = double(shot.width()) / kViewerWidth;
  const QRect area(qRound(kViewerPicture.x() * scale), qRound(kViewerPicture.y() * scale),
                   qRound(kViewerPicture.width() * scale), qRound(kViewerPicture.height() * scale));
  const auto atViewerSize = [](const QImage& image) {
    return image.scaled(kViewerPicture.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
        .convertToFormat(QImage::Format_RGB32);
  };
  return meanDifference(atViewerSize(shot.copy(area)), atViewerSize(page));
}

// A PDF's page as poppler draws it.
QImage renderPdf(const QString& pdf) {
  const QString out = testing_support::freshDir("render") + "/page";
  if (QProcess::execute("pdftoppm", {"-r", "72", "-png", "-singlefile", pdf, out}) != 0) return {};
  return QImage(out + ".png");
}

// The live window's status line, without the size grip at its right end.
QRect statusArea(const QImage& live) {
  const int height = live.height() * 17 / (17 + 480 + 20);
  return QRect(0, live.height() - height + 2, live.width() - qRound(24 * scale()), height - 4);
}

struct SeenTest : ::testing::Test {
  void SetUp() override {
    QDir(testing_support::configDir()).removeRecursively();
    QDir(testing_support::picturesDir()).removeRecursively();
    // Pages that take a moment to read, so that the progress window comes up.
    ASSERT_TRUE(e2e::useTestScanner("Flatbed", "read-delay true\nread-delay-duration 25000\n"));
    ASSERT_TRUE(desktop.ok()) << "no X display";
    // The program takes the environment as it is now, the scanner's included.
    program.emplace(desktop);
    live = e2e::startLive(*program);
    ASSERT_FALSE(live.isEmpty()) << program->output().toStdString();
  }
  // A screenshot of the window, kept under that name.
  QImage shot(const QString& window, const QString& name, bool withPopups = false) {
    const QImage image = program->screenshot(window, withPopups);
    const QString folder = qEnvironmentVariable("VIC_SHOTS");
    if (!folder.isEmpty() && !image.isNull() && QDir().mkpath(folder)) image.save(folder + "/" + name + ".png");
    return image;
  }
  testing_support::Desktop desktop;
  std::optional<testing_support::Program> program;
  QString live;
  const QString pictures = testing_support::picturesDir();
};

// During a flatbed run each page is in the viewer as soon as it is saved,
// while the prompt asks for the next one; back in the live window the status
// line sums the run up and keeps it through a menu opened and closed.
TEST_F(SeenTest, TheViewerShowsEachFlatbedPageAndTheStatusLineKeepsTheRunsSummary) {
  shot(live, "live-at-start");
  program->activate(live);
  ASSERT_FALSE(e2e::openScannerWindow(*program).isEmpty()) << program->output().toStdString();
  program->key("alt+o");
  QString prompt = program->waitForWindow(kScannerTitle);
  ASSERT_FALSE(prompt.isEmpty()) << program->output().toStdString();
  shot(prompt, "flatbed-prompt");
  for (const QString& page : {QStringLiteral("MOR0001.bmp"), QStringLiteral("MOR0002.bmp")}) {
    SCOPED_TRACE(page.toStdString());
    ASSERT_TRUE(program->waitForFocus(prompt));
    program->key("Return");  // Scan
    ASSERT_TRUE(waitUntil([&] { return QFileInfo::exists(pictures + "/" + page); }, 60000));
    QTest::qWait(1500);  // the prompt for the next page is up
    prompt = program->waitForWindow(kScannerTitle);
    ASSERT_FALSE(prompt.isEmpty());
    const QString viewer = program->waitForWindow(kViewerTitle);
    ASSERT_FALSE(viewer.isEmpty());
    EXPECT_LT(viewerAgainst(*program, viewer, QImageReader(pictures + "/" + page).read()), 0.02)
        << "the viewer does not show " << page.toStdString();
    shot(viewer, "viewer-after-" + QFileInfo(page).baseName());
  }
  ASSERT_TRUE(program->waitForFocus(prompt));
  program->key("Escape");  // Done
  live = program->waitForWindow(kLiveTitle, 30000);
  ASSERT_FALSE(live.isEmpty()) << "the live window did not come back";
  QTest::qWait(1500);

  const QImage before = shot(live, "live-after-run");
  ASSERT_FALSE(before.isNull());
  const QRect status = statusArea(before);
  EXPECT_GT(distinctColours(before, status), 2) << "no summary on the status line";
  program->activate(live);
  program->key("alt+f");
  QTest::qWait(800);
  shot(live, "live-menu-open", true);
  program->key("Escape");
  program->key("Escape");
  QTest::qWait(800);
  const QImage after = program->screenshot(live);
  ASSERT_EQ(after.size(), before.size());
  EXPECT_EQ(after.copy(status), before.copy(status)) << "the status line changed with the menu";
  ASSERT_TRUE(program->closeAndWaitForExit(live)) << program->output().toStdString();
}

// The status line tells what happened: no camera at start, the next name
// after Save As, the file after a capture. A PDF capture is in the viewer at
// once. Save As opens in the Pictures folder, made for it on a fresh
// account; Select Device is as wide as its longest entry, and the progress
// window of a feeder run has room for its title.
TEST_F(SeenTest, FromSaveAsAndAPdfCaptureToAFeederRunTheWindowsTellWhatHappened) {
  const auto statusLine = [&](const QString& name) {
    const QImage image = shot(live, name);
    return image.isNull() ? QImage() : image.copy(statusArea(image));
  };
  const auto blank = [](const QImage& line) { return line.isNull() || distinctColours(line, line.rect()) <= 2; };
  QImage status;
  EXPECT_TRUE(waitUntil([&] { return !blank(status = statusLine("live-no-camera")); }, 10000))
      << "nothing on the status line at start without a camera";

  program->activate(live);
  program->key("alt+f");
  program->key("s");
  const QString save = program->waitForWindow("^Save Single Frame$");
  ASSERT_FALSE(save.isEmpty()) << program->output().toStdString();
  EXPECT_TRUE(waitUntil([&] { return QFileInfo(pictures).isDir(); }, 10000));
  shot(save, "save-as");
  program->key("ctrl+a");
  desktop.run("xdotool", {"type", "--delay", "50", "MOR0000.pdf"});
  program->key("Return");
  ASSERT_TRUE(waitUntil([&] { return !program->hasWindow("^Save Single Frame$"); }, 10000));
  QImage next;
  EXPECT_TRUE(waitUntil([&] { return (next = statusLine("live-next")) != status && !blank(next); }, 10000))
      << "the status line does not tell the next name";

  program->key("F12");
  QString pdf;
  ASSERT_TRUE(waitUntil([&] {
    pdf = pictures + "/" + e2e::filesIn(pictures).filter(".pdf").value(0);
    return pdf.endsWith(".pdf") && e2e::holdsFormat(pdf);
  }, 10000)) << program->output().toStdString();
  const QString viewer = program->waitForWindow(kViewerTitle);
  ASSERT_FALSE(viewer.isEmpty());
  QTest::qWait(500);
  EXPECT_LT(viewerAgainst(*program, viewer, renderPdf(pdf)), 0.02) << "the viewer does not show the PDF's picture";
  shot(viewer, "viewer-after-pdf");
  QImage saved;
  EXPECT_TRUE(waitUntil([&] { return (saved = statusLine("live-saved")) != next && !blank(saved); }, 10000))
      << "the status line does not tell the file saved";

  program->activate(live);
  const QString twain = e2e::openScannerWindow(*program);
  ASSERT_FALSE(twain.isEmpty()) << program->output().toStdString();
  program->key("alt+f");
  program->key("d");
  const QString select = program->waitForWindow(kScannerTitle);
  ASSERT_FALSE(select.isEmpty()) << program->output().toStdString();
  const QImage selectShot = shot(select, "select-device");
  // "Flatbed on Noname frontend-tester (test:0)" and its like, whole: wider
  // than the 278 pixels that cut them.
  EXPECT_GT(selectShot.width(), 330 * scale());
  program->key("Down");  // the feeder
  program->key("Return");
  EXPECT_TRUE(waitUntil([&] { return !program->hasWindow(kScannerTitle); }, 10000));
  ASSERT_TRUE(program->waitForFocus(twain));
  program->key("alt+o");
  const QString progress = program->waitForWindow(kScannerTitle);
  ASSERT_FALSE(progress.isEmpty()) << program->output().toStdString();
  const QImage bar = shot(progress, "progress");
  // The window manager centres the title, in its own font, between the icon
  // and three buttons: the title's width and the buttons' twice.
  QFont titleFont("Sans", -1, QFont::Bold);
  titleFont.setPixelSize(11);
  EXPECT_GE(bar.width(), QFontMetrics(titleFont).horizontalAdvance(kTwainTitleText) + 2 * 3 * 20) << "the title is cut";
  ASSERT_TRUE(waitUntil([&] { return e2e::filesIn(pictures).size() == 11; }, 60000))
      << e2e::filesIn(pictures).join(' ').toStdString();
  live = program->waitForWindow(kLiveTitle, 30000);
  ASSERT_FALSE(live.isEmpty()) << "the live window did not come back";
  QTest::qWait(1500);
  const QImage summary = statusLine("live-after-feeder-run");
  EXPECT_TRUE(summary != saved && !blank(summary)) << "no summary of the run on the status line";
  ASSERT_TRUE(program->closeAndWaitForExit(live)) << program->output().toStdString();
}

}  // namespace
