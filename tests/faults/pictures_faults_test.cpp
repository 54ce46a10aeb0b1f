// The live window when the Pictures folder is missing, unusable or fills up.

#include <sys/stat.h>

#include <QFile>
#include <QFileInfo>
#include <optional>

#include "devices/AVICAP.h"
#include "fault_tools.h"
#include "live_fixture.h"
#include "platform/capture/dib.h"
#include "platform/capture/messages.h"

namespace faults {
namespace {

using app::AppState;
using testing_support::homeDir;
using testing_support::picturesDir;

const QString kSaveFailed = "Problem saving frame";

void useName(const QString& path) {
  AppState.FilePath = path;
  AppState.FileExt = path.right(4);
  AppState.FileCounter = path.right(8).left(4);
  AppState.BasePath = path.left(path.size() - 4);
}

// Captures the way a user without root's privileges would.
void captureAsUser(int times = 1) {
  PermissionsApply asUser;
  LiveFaultTest::capture(times);
}

TEST_F(LiveFaultTest, AMissingPicturesFolderIsMadeAnUnusableOneGetsNothing) {
  enum Kind { Missing, AFile, ReadOnly, LinkToNowhere };
  struct Case {
    const char* what;
    Kind kind;
  };
  const Case cases[] = {
      {"missing", Missing}, {"a file in its place", AFile}, {"read-only", ReadOnly}, {"a link to nowhere", LinkToNowhere}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TearDown();
    SetUp();
    showLive();
    const QString folder = picturesDir();
    QDir(folder).removeRecursively();
    if (c.kind == AFile) {
      ASSERT_TRUE(writeFile(folder, "not a folder"));
    }
    if (c.kind == LinkToNowhere) {
      ASSERT_TRUE(QFile::link(homeDir() + "/nowhere", folder));
    }
    if (c.kind == ReadOnly) {
      ASSERT_TRUE(QDir().mkpath(folder));
      ASSERT_TRUE(capture::saveDib(busyPicture(32, 24, 1), QFile::encodeName(pictures("MOR0000.bmp")).toStdString()));
      ASSERT_EQ(::chmod(QFile::encodeName(folder).constData(), 0555), 0);
      PermissionsApply asUser;
      ASSERT_FALSE(canCreateIn(folder)) << "permissions do not stop this process";
    }
    const Snapshot home = snapshot(homeDir());
    const Snapshot inside = snapshot(folder);

    captureAsUser();
    EXPECT_EQ(AppState.FileCounter, "0001");
    if (c.kind == Missing) {
      EXPECT_TRUE(dialogs.messages.empty());
      EXPECT_EQ(formatOf(pictures("MOR0001.bmp")), "bmp");
      continue;
    }
    EXPECT_EQ(prompts(), QStringList{kSaveFailed});
    EXPECT_EQ(snapshot(homeDir()), home);
    EXPECT_EQ(snapshot(folder), inside);

    // Once the folder is usable again the numbering goes on; the number of
    // the failed capture stays used.
    const bool repaired =
        c.kind == ReadOnly ? ::chmod(QFile::encodeName(folder).constData(), 0755) == 0 : QFile::remove(folder);
    ASSERT_TRUE(repaired);
    captureAsUser();
    EXPECT_EQ(formatOf(pictures("MOR0002.bmp")), "bmp");
    EXPECT_FALSE(QFileInfo::exists(pictures("MOR0001.bmp")));
    if (c.kind == ReadOnly) {
      EXPECT_EQ(snapshot(folder).at("MOR0000.bmp"), inside.at("MOR0000.bmp"));
    }
    EXPECT_EQ(dialogs.messages.size(), 1u);
  }
}

TEST_F(LiveFaultTest, ADiskFullDuringTheCapturedBitmapWritesNothing) {
  const qint64 bitmapBytes = 54 + 320 * 240 * 3;
  for (const QString extension : {".bmp", ".jpg", ".pdf"}) {
    SCOPED_TRACE(extension.toStdString());
    TearDown();
    SetUp();
    showLive();
    useName(pictures("MOR0000" + extension));
    capture(2);
    const Snapshot earlier = snapshot(picturesDir());
    ASSERT_EQ(earlier.size(), 2u);
    {
      FileSizeLimit full(bitmapBytes / 2);
      capture();
    }
    EXPECT_EQ(prompts(), QStringList{kSaveFailed});
    EXPECT_EQ(snapshot(picturesDir()), earlier);

    capture();
    const QString next = pictures("MOR0004" + extension);
    if (extension == ".pdf") {
      EXPECT_TRUE(isOnePagePdf(next));
    } else {
      EXPECT_EQ(formatOf(next), extension == ".jpg" ? "jpeg" : "bmp");
    }
    EXPECT_EQ(snapshot(picturesDir()).size(), 3u);
    EXPECT_TRUE(leftoverTemps(picturesDir()).isEmpty());
  }
}

// Writes its frame like the capture window, after which the disk is full.
class FillingCaptureWindow : public QWidget, public win::MessageTarget {
 public:
  explicit FillingCaptureWindow(QWidget* parent) : QWidget(parent) {}
  win::LRESULT windowProc(win::UINT msg, win::WPARAM, win::LPARAM lParam) override {
    if (msg == capture::WM_CAP_DRIVER_CONNECT) return 1;
    if (msg != capture::WM_CAP_FILE_SAVEDIBA) return 0;
    if (!capture::saveDib(frame(), reinterpret_cast<const char*>(lParam))) return 0;
    if (fillUp) full.emplace(1024);
    return 1;
  }
  static QImage frame() { return busyPicture(320, 240, 7); }
  static inline bool fillUp = false;
  static inline std::optional<FileSizeLimit> full;
};

TEST_F(LiveFaultTest, ADiskFullDuringTheRewriteKeepsTheCapturedBitmap) {
  live::setCaptureWindowFactory([](const char*, std::int32_t, int, int, int, int, win::HWND parent, std::int32_t) {
    return win::handleOf(new FillingCaptureWindow(win::widgetOf(parent)));
  });
  app::form1.Show();
  for (const QString extension : {".jpg", ".pdf", ".bmp"}) {
    SCOPED_TRACE(extension.toStdString());
    QDir(picturesDir()).removeRecursively();
    useName(pictures("MOR0000" + extension));
    FillingCaptureWindow::fillUp = false;
    capture();
    const Snapshot earlier = snapshot(picturesDir());
    FillingCaptureWindow::fillUp = true;
    capture();
    FillingCaptureWindow::full.reset();

    const QString written = pictures("MOR0002" + extension);
    EXPECT_EQ(formatOf(written), "bmp");
    EXPECT_EQ(decoded(written), FillingCaptureWindow::frame());
    EXPECT_EQ(app::Form3->Image1->pixmap().toImage().convertToFormat(QImage::Format_RGB32),
              FillingCaptureWindow::frame());
    Snapshot now = snapshot(picturesDir());
    now.erase("MOR0002" + extension);
    EXPECT_EQ(now, earlier);
    EXPECT_TRUE(dialogs.messages.empty());
  }
}

TEST_F(LiveFaultTest, ACameraThatVanishesAndReturns) {
  live::form1& w = showLive(capture_test::kCameraKey);
  EXPECT_EQ(w.StatusBar->currentMessage(), "Fake Camera: 320 x 240");
  capture();
  ASSERT_EQ(formatOf(pictures("MOR0001.bmp")), "bmp");
  const Snapshot before = snapshot(picturesDir());

  camera.unplug();
  ASSERT_TRUE(capture_test::runUntil([&] { return captureWindow()->state() == capture::CaptureWindow::State::Lost; }));
  EXPECT_EQ(w.StatusBar->currentMessage(), "Fake Camera was disconnected");
  capture();
  EXPECT_EQ(prompts(), QStringList{kSaveFailed});
  EXPECT_EQ(snapshot(picturesDir()), before);
  EXPECT_TRUE(app::form1.IsLoaded());
  EXPECT_TRUE(w.isVisible());

  // Found again by the capture window's own periodic look.
  camera.replug();
  ASSERT_TRUE(capture_test::runUntil(
      [&] { return captureWindow()->state() == capture::CaptureWindow::State::Running; },
      20 * capture::CaptureWindow::kReturnCheckMs));
  EXPECT_EQ(w.StatusBar->currentMessage(), "Fake Camera: 320 x 240");
  ASSERT_TRUE(camera.pushColour(QColor(0, 0, 255)));
  ASSERT_TRUE(capture_test::runUntil([&] { return qBlue(captureWindow()->newestFrame().pixel(0, 0)) > 200; }));
  capture();
  EXPECT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(AppState.FilePath, pictures("MOR0003.bmp"));
  const QImage after = decoded(pictures("MOR0003.bmp"));
  ASSERT_EQ(after.size(), QSize(320, 240));
  EXPECT_GT(qBlue(after.pixel(160, 120)), 200);
  EXPECT_EQ(snapshot(picturesDir()).at("MOR0001.bmp"), before.at("MOR0001.bmp"));
}

}  // namespace
}  // namespace faults
