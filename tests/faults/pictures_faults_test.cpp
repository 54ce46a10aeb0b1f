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
#include "platform/runtime/vb.h"

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
    QString reason;  // the second line of the message
  };
  const Case cases[] = {{"missing", Missing, ""},
                        {"a file in its place", AFile, "Not a directory"},
                        {"read-only", ReadOnly, "Permission denied"},
                        {"a link to nowhere", LinkToNowhere, "No such file or directory"}};
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
    EXPECT_EQ(prompts(), QStringList{kSaveFailed + "\n" + pictures("MOR0001.bmp") + ": " + c.reason});
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
  enum Kind { FullDisk, SizeLimit };
  for (const Kind kind : {FullDisk, SizeLimit}) {
    for (const QString extension : {".bmp", ".jpg", ".pdf"}) {
      SCOPED_TRACE(extension.toStdString() + (kind == FullDisk ? " full disk" : " file size limit"));
      TearDown();
      SetUp();
      showLive();
      useName(pictures("MOR0000" + extension));
      capture(2);
      const Snapshot earlier = snapshot(picturesDir());
      ASSERT_EQ(earlier.size(), 2u);
      if (kind == FullDisk) {
        DiskFull full(bitmapBytes / 2);
        capture();
      } else {
        FileSizeLimit full(bitmapBytes / 2);
        capture();
      }
      const QString reason = kind == FullDisk ? "No space left on device" : "File too large";
      EXPECT_EQ(prompts(), QStringList{kSaveFailed + "\n" + pictures("MOR0003" + extension) + ": " + reason});
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
  static inline std::optional<DiskFull> full;
};

TEST_F(LiveFaultTest, ADiskFullDuringTheRewriteKeepsTheCapturedBitmapUnderItsBitmapName) {
  live::setCaptureWindowFactory([](const char*, std::int32_t, int, int, int, int, win::HWND parent, std::int32_t) {
    return win::handleOf(new FillingCaptureWindow(win::widgetOf(parent)));
  });
  app::form1.Show();
  struct Case {
    QString extension;
    bool bitmapNameTaken;
    QString kept;     // where the bitmap ends up
    QString message;  // second line; empty: none
  };
  const QString p = pictures("MOR0002");
  const Case cases[] = {
      {".jpg", false, "MOR0002.bmp",
       p + ".jpg could not be written as JPEG (No space left on device); the picture was kept as the bitmap " + p + ".bmp."},
      {".pdf", false, "MOR0002.bmp",
       p + ".pdf could not be written as PDF (No space left on device); the picture was kept as the bitmap " + p + ".bmp."},
      {".jpg", true, "MOR0002.jpg",
       p + ".jpg could not be written as JPEG (No space left on device); the picture stays a bitmap under that name."},
      {".bmp", false, "MOR0002.bmp", ""},  // already the bitmap it should be
  };
  for (const Case& c : cases) {
    SCOPED_TRACE((c.extension + (c.bitmapNameTaken ? " taken" : "")).toStdString());
    QDir(picturesDir()).removeRecursively();
    dialogs.messages.clear();
    useName(pictures("MOR0000" + c.extension));
    FillingCaptureWindow::fillUp = false;
    capture();
    if (c.bitmapNameTaken) {
      ASSERT_TRUE(writeFile(p + ".bmp", "the user's own"));
    }
    const Snapshot earlier = snapshot(picturesDir());
    FillingCaptureWindow::fillUp = true;
    capture();
    FillingCaptureWindow::full.reset();

    EXPECT_EQ(formatOf(pictures(c.kept)), "bmp");
    EXPECT_EQ(decoded(pictures(c.kept)), FillingCaptureWindow::frame());
    EXPECT_EQ(app::Form3->Image1->pixmap().toImage().convertToFormat(QImage::Format_RGB32),
              FillingCaptureWindow::frame());
    EXPECT_EQ(app::Form3->lbFilename->text(), rt::DisplayPath(pictures(c.kept)));
    Snapshot now = snapshot(picturesDir());
    now.erase(c.kept);
    EXPECT_EQ(now, earlier);
    EXPECT_TRUE(leftoverTemps(picturesDir()).isEmpty());
    EXPECT_EQ(prompts(), c.message.isEmpty() ? QStringList{} : QStringList{kSaveFailed + "\n" + c.message});
    // The numbering goes on in the chosen format.
    FillingCaptureWindow::fillUp = false;
    capture();
    EXPECT_EQ(formatOf(pictures("MOR0003" + c.extension)) == "bmp", c.extension == ".bmp");
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
  EXPECT_EQ(prompts(), QStringList{kSaveFailed + "\n" + pictures("MOR0002.bmp") + ": the video device gave no picture"});
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
