// The live window when the Pictures folder is missing, unusable or fills up.

#include <sys/stat.h>

#include <QFile>
#include <QFileInfo>
#include <optional>

#include "devices/AVICAP.h"
#include "fault_tools.h"
#include "platform/files/file_fakes.h"
#include "live_fixture.h"
#include "platform/capture/dib.h"
#include "platform/capture/messages.h"
#include "platform/runtime/paths.h"
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
  enum Kind { Missing, AFile, ReadOnly, LinkToNowhere, UnwritableHome };
  struct Case {
    const char* what;
    Kind kind;
    QString reason;  // the second line of the message
  };
  const Case cases[] = {{"missing", Missing, ""},
                        {"a file in its place", AFile, "Not a directory"},
                        {"read-only", ReadOnly, "Permission denied"},
                        {"a link to nowhere", LinkToNowhere, "No such file or directory"},
                        {"missing in a home that cannot be written", UnwritableHome, "Permission denied"}};
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
    if (c.kind == UnwritableHome) {
      ASSERT_EQ(::chmod(QFile::encodeName(homeDir()).constData(), 0555), 0);
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
    // The cause is named where it lies: the folder that could not be made.
    EXPECT_EQ(prompts(), QStringList{kSaveFailed + "\n" +
                                     (c.kind == UnwritableHome ? folder + " could not be created: "
                                                               : pictures("MOR0001.bmp") + ": ") +
                                     c.reason});
    EXPECT_EQ(snapshot(homeDir()), home);
    EXPECT_EQ(snapshot(folder), inside);

    // Once the folder is usable again the numbering goes on; the number of
    // the failed capture stays used.
    const bool repaired = c.kind == ReadOnly         ? ::chmod(QFile::encodeName(folder).constData(), 0755) == 0
                          : c.kind == UnwritableHome ? ::chmod(QFile::encodeName(homeDir()).constData(), 0755) == 0
                                                     : QFile::remove(folder);
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

TEST_F(LiveFaultTest, ADiskFullDuringTheCaptureWritesNothing) {
  // Less than any of the three formats' files of the frame takes.
  const qint64 room = 1024;
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
        DiskFull full(room);
        capture();
      } else {
        FileSizeLimit full(room);
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

// Each step of the write fails in turn. Only a file whose data and name
// reached the medium is "Saved"; a file that stands but may not have
// reached it is shown and said to be at risk; otherwise nothing is left.
TEST_F(LiveFaultTest, EachFailingStepOfTheWriteIsToldWithWhatStandsOnDisk) {
  showLive();
  struct Case {
    files::Step step;
    int error;
    bool stands;
  };
  const Case cases[] = {
      {files::Step::Write, ENOSPC, false},   {files::Step::Flush, EIO, false}, {files::Step::Claim, EACCES, false},
      {files::Step::Close, EIO, true},       {files::Step::FlushFolder, EIO, true},
  };
  for (const QString extension : {".jpg", ".pdf", ".bmp"}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(extension.toStdString() + " step " + std::to_string(int(c.step)));
      QDir(picturesDir()).removeRecursively();
      dialogs.messages.clear();
      useName(pictures("MOR0000" + extension));
      capture();
      const Snapshot earlier = snapshot(picturesDir());
      const QString path = pictures("MOR0002" + extension);
      {
        const files_testing::FailingStep failing(c.step, c.error);
        capture();
      }
      QString told = kSaveFailed + "\n" + path + ": " + rt::SystemReason(c.error);
      if (c.stands) told += "\nThe file stands under that name but may not have reached the disk.";
      EXPECT_EQ(prompts(), QStringList{told});
      Snapshot now = snapshot(picturesDir());
      EXPECT_EQ(now.erase("MOR0002" + extension), c.stands ? 1u : 0u);
      EXPECT_EQ(now, earlier);
      EXPECT_TRUE(leftoverTemps(picturesDir()).isEmpty());
      EXPECT_NE(app::form1->StatusBar->currentMessage(), "Saved MOR0002" + extension);
      if (c.stands) {
        EXPECT_EQ(app::Form3->lbFilename->text(), rt::DisplayPath(path));
      }
      // The numbering goes on, and the next capture is saved.
      dialogs.messages.clear();
      capture();
      EXPECT_TRUE(prompts().isEmpty());
      EXPECT_EQ(app::form1->StatusBar->currentMessage(), "Saved MOR0003" + extension);
    }
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
