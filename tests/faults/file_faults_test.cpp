// Failures of the file system under the image files, the capture bitmaps,
// the settings store and renames: whatever fails, the files already there
// stay as they were and no temporary file is left.

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <csignal>

#include "fault_tools.h"
#include "qt_printers.h"
#include "platform/capture/dib.h"
#include "platform/runtime/paths.h"
#include "platform/runtime/settings.h"
#include "platform/scan/image_files.h"
#include "support/test_env.h"

namespace {

using faults::contentOf;
using faults::FileSizeLimit;
using faults::leftoverTemps;
using faults::snapshot;

using testing_support::native;

struct Writer {
  const char* what;
  std::int32_t (*write)(std::int32_t, const char*);
  QString extension;
  QString format;  // as Qt reads it back; empty for PDF
};

const Writer kWriters[] = {
    {"bitmap", DIB_WriteToBmp, ".bmp", "bmp"},
    {"JPEG", DIB_WriteToJpeg, ".jpg", "jpeg"},
    {"PDF", DIB_WriteToPdf, ".pdf", ""},
};

std::int32_t load(const QString& path) { return TWAIN_LoadNativeFromFilename(native(path).c_str()); }

// The capture window's bitmap under the final name is rewritten in the
// chosen format; the disk fills up half-way through that rewrite.
TEST(DiskFull, HalfWayThroughARewriteKeepsTheCapturedBitmap) {
  for (const Writer& w : kWriters) {
    SCOPED_TRACE(w.what);
    const QString dir = testing_support::freshDir("full");
    ASSERT_TRUE(capture::saveDib(faults::busyPicture(640, 480, 1), native(dir + "/MOR0000" + w.extension)));
    const QString target = dir + "/MOR0001" + w.extension;
    ASSERT_TRUE(capture::saveDib(faults::busyPicture(640, 480, 2), native(target)));

    // How large the finished file would be.
    const QString probe = testing_support::freshDir("probe") + "/whole" + w.extension;
    ASSERT_EQ(w.write(load(target), native(probe).c_str()), scan::kWriteOk);
    const qint64 whole = QFileInfo(probe).size();
    ASSERT_GT(whole, 4096);

    const faults::Snapshot before = snapshot(dir);
    const std::int32_t handle = load(target);
    ASSERT_NE(handle, 0);
    std::int32_t status;
    {
      FileSizeLimit full(static_cast<rlim_t>(whole / 2));
      status = w.write(handle, native(target).c_str());
    }
    EXPECT_EQ(status, scan::kWriteFailed);
    EXPECT_EQ(snapshot(dir), before);
    EXPECT_TRUE(leftoverTemps(dir).isEmpty());
    EXPECT_EQ(faults::formatOf(target), "bmp");

    // With room again the same rewrite goes through.
    ASSERT_EQ(w.write(load(target), native(target).c_str()), scan::kWriteOk);
    if (w.format.isEmpty()) {
      EXPECT_TRUE(faults::isOnePagePdf(target));
    } else {
      EXPECT_EQ(faults::formatOf(target), w.format);
    }
    EXPECT_EQ(snapshot(dir).at("MOR0000" + w.extension), before.at("MOR0000" + w.extension));
    EXPECT_TRUE(leftoverTemps(dir).isEmpty());
  }
}

TEST(DiskFull, HalfWayThroughACapturedBitmapLeavesNoFile) {
  const QString dir = testing_support::freshDir("full");
  const QImage frame = faults::busyPicture(640, 480, 3);
  ASSERT_TRUE(capture::saveDib(frame, native(dir + "/MOR0001.bmp")));
  const faults::Snapshot before = snapshot(dir);
  const qint64 whole = QFileInfo(dir + "/MOR0001.bmp").size();
  for (rlim_t limit : {rlim_t(0), rlim_t(1), rlim_t(54), rlim_t(whole / 2), rlim_t(whole - 1)}) {
    SCOPED_TRACE(limit);
    bool saved;
    {
      FileSizeLimit full(limit);
      saved = capture::saveDib(frame, native(dir + "/MOR0002.bmp"));
    }
    EXPECT_FALSE(saved);
    EXPECT_EQ(snapshot(dir), before);
  }
  // Exactly enough room.
  {
    FileSizeLimit full(static_cast<rlim_t>(whole));
    EXPECT_TRUE(capture::saveDib(frame, native(dir + "/MOR0002.bmp")));
  }
  EXPECT_EQ(faults::decoded(dir + "/MOR0002.bmp"), frame);
}

// The process dies half-way through a write (here: killed by the signal a
// file past the size limit raises). The final name keeps what it held.
TEST(Crash, HalfWayThroughAWriteLeavesNoPartialFileUnderTheFinalName) {
  for (const Writer& w : kWriters) {
    SCOPED_TRACE(w.what);
    const QString dir = testing_support::freshDir("crash");
    const QString earlier = dir + "/MOR0001" + w.extension;
    ASSERT_TRUE(capture::saveDib(faults::busyPicture(640, 480, 4), native(earlier)));
    const QString fresh = dir + "/MOR0002" + w.extension;
    const faults::Snapshot before = snapshot(dir);

    for (const QString& target : {earlier, fresh}) {
      const std::int32_t handle = load(earlier);
      ASSERT_NE(handle, 0);
      const std::string path = native(target);
      const pid_t child = fork();
      if (child == 0) {
        rlimit limit{};
        getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = 64 * 1024;
        setrlimit(RLIMIT_FSIZE, &limit);
        std::signal(SIGXFSZ, SIG_DFL);
        w.write(handle, path.c_str());
        _exit(0);
      }
      ASSERT_GT(child, 0);
      DIB_Free(handle);
      int status = 0;
      ASSERT_EQ(waitpid(child, &status, 0), child);
      ASSERT_TRUE(WIFSIGNALED(status)) << "the write did not reach the limit";
      EXPECT_EQ(WTERMSIG(status), SIGXFSZ);
    }
    // Only hidden temporary files are added; they never carry a final name.
    faults::Snapshot now = snapshot(dir);
    for (const QString& temp : leftoverTemps(dir)) now.erase(temp);
    EXPECT_EQ(now, before);
    EXPECT_EQ(leftoverTemps(dir).size(), 2);
  }
}

TEST(DiskFull, ASettingThatDoesNotFitKeepsTheStoredOnes) {
  ASSERT_TRUE(rt::SaveSetting("FULL", "PARAS", "Path", "/home/u/Pictures/MOR0041.bmp"));
  const QString file = rt::SettingsFile("FULL");
  const QByteArray stored = contentOf(file);
  bool saved;
  {
    FileSizeLimit full(static_cast<rlim_t>(stored.size()));
    saved = rt::SaveSetting("FULL", "PARAS", "Path", "/home/u/Pictures/a/much/longer/name/MOR0042.bmp");
  }
  EXPECT_FALSE(saved);
  EXPECT_EQ(contentOf(file), stored);
  EXPECT_EQ(rt::GetSetting("FULL", "PARAS", "Path", "New"), "/home/u/Pictures/MOR0041.bmp");
  EXPECT_TRUE(leftoverTemps(rt::ConfigFolder()).isEmpty());
}

TEST(Rename, NeverReplacesAndNeverLosesTheSource) {
  struct Case {
    const char* what;
    bool source;      // the file to move exists
    QString target;   // what stands under the new name: "", "file", "folder", "dangling link"
    bool folderGone;  // the new name's folder is missing
    bool moved;
  };
  const Case cases[] = {
      {"free name", true, "", false, true},
      {"target exists", true, "file", false, false},
      {"target is a folder", true, "folder", false, false},
      {"target is a link to nowhere", true, "dangling link", false, false},
      {"source missing", false, "", false, false},
      {"both missing", false, "file", false, false},
      {"folder missing", true, "", true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const QString dir = testing_support::freshDir("rename");
    const QString from = dir + "/ZENO0042.bmp";
    const QString to = (c.folderGone ? dir + "/gone" : dir) + "/ZENO0042.jpg";
    bool made = true;
    if (c.source) made = faults::writeFile(from, "acquired page");
    if (c.target == "file") made = made && faults::writeFile(to, "earlier picture");
    if (c.target == "folder") made = made && QDir().mkpath(to);
    if (c.target == "dangling link") made = made && QFile::link(dir + "/nowhere", to);
    ASSERT_TRUE(made);
    const faults::Snapshot before = snapshot(dir);

    EXPECT_EQ(rt::Name(from, to), c.moved);
    if (c.moved) {
      EXPECT_FALSE(QFileInfo::exists(from));
      EXPECT_EQ(contentOf(to), "acquired page");
    } else {
      EXPECT_EQ(snapshot(dir), before);
    }
  }
  EXPECT_FALSE(rt::Name("", testing_support::freshDir("rename") + "/x"));
}

}  // namespace
