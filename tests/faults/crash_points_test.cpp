// The process dies at each point of a picture's write order: the bitmap that
// claims the name is written (not yet flushed), moved to the name of the
// chosen format (scanner pages), and converted there from memory. Wherever
// it dies, every earlier picture is intact, and a final name holds a whole
// picture or nothing, never part of one.

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <QFile>
#include <csignal>

#include "fault_tools.h"
#include "platform/capture/dib.h"
#include "platform/files/atomic_file.h"
#include "platform/files/durability.h"
#include "platform/scan/image_files.h"
#include "qt_printers.h"
#include "support/test_env.h"

namespace {

using faults::snapshot;

std::string native(const QString& path) { return QFile::encodeName(path).toStdString(); }

enum class Point { AfterBitmap, AfterRename, DuringConversion };

struct Case {
  const char* what;
  bool scanner;  // a scanned page (".bmp" first, then renamed) or a captured frame (bitmap under the final name)
  const char* extension;
  Point point;
  const char* left;  // the one new name, holding the whole bitmap
  int signal;
};

const Case kCases[] = {
    {"page, killed after the bitmap", true, ".jpg", Point::AfterBitmap, "ZENO0042.bmp", SIGKILL},
    {"page, killed after the rename", true, ".jpg", Point::AfterRename, "ZENO0042.jpg", SIGKILL},
    {"page, killed during the JPEG", true, ".jpg", Point::DuringConversion, "ZENO0042.jpg", SIGXFSZ},
    {"page, killed during the PDF", true, ".pdf", Point::DuringConversion, "ZENO0042.pdf", SIGXFSZ},
    {"frame, killed after the bitmap", false, ".jpg", Point::AfterBitmap, "ZENO0042.jpg", SIGKILL},
    {"frame, killed during the JPEG", false, ".jpg", Point::DuringConversion, "ZENO0042.jpg", SIGXFSZ},
    {"frame, killed during the PDF", false, ".pdf", Point::DuringConversion, "ZENO0042.pdf", SIGXFSZ},
};

// Pictures taken before, the way the program leaves them: flushed.
void takeEarlierPictures(const QString& dir) {
  const std::string bitmap = native(dir + "/ZENO0040.bmp"), jpeg = native(dir + "/ZENO0041.jpg");
  ASSERT_TRUE(capture::saveDib(faults::busyPicture(320, 240, 1), bitmap));
  ASSERT_TRUE(files::flushToDisk(bitmap));
  ASSERT_TRUE(capture::saveDib(faults::busyPicture(320, 240, 2), jpeg));
  ASSERT_EQ(DIB_WriteToJpeg(TWAIN_LoadNativeFromFilename(jpeg.c_str()), jpeg.c_str()), scan::kWriteOk);
}

// In a child process: one picture's steps up to `c.point`, where it dies.
[[noreturn]] void writeUntilKilled(const Case& c, const QString& dir, const QImage& frame) {
  const std::string target = native(dir + "/ZENO0042" + c.extension);
  const std::string bitmap = c.scanner ? native(dir + "/ZENO0042.bmp") : target;
  const bool written = c.scanner ? scan::writeNewBitmap(*scan::inLayout(capture::bitmapOf(frame), scan::Layout::TopDown), bitmap)
                                 : capture::saveDib(frame, bitmap);
  if (!written) _exit(1);
  if (c.point == Point::AfterBitmap) std::raise(SIGKILL);
  const std::int32_t picture = TWAIN_LoadNativeFromFilename(bitmap.c_str());
  if (c.scanner && !files::renameNoReplace(bitmap, target)) _exit(2);
  if (c.point == Point::AfterRename) std::raise(SIGKILL);
  // The converted file outgrows this limit half-way, which kills the process.
  rlimit limit{};
  getrlimit(RLIMIT_FSIZE, &limit);
  limit.rlim_cur = 4096;
  setrlimit(RLIMIT_FSIZE, &limit);
  std::signal(SIGXFSZ, SIG_DFL);
  const auto convert = std::string(c.extension) == ".jpg" ? DIB_WriteToJpeg : DIB_WriteToPdf;
  convert(picture, target.c_str());
  _exit(3);
}

TEST(CrashPoints, EarlierPicturesStayAndAFinalNameHoldsAWholePictureOrNothing) {
  const QImage frame = faults::busyPicture(320, 240, 42);
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    const QString dir = testing_support::freshDir("crash-points");
    takeEarlierPictures(dir);
    const faults::Snapshot before = snapshot(dir);

    const pid_t child = fork();
    if (child == 0) writeUntilKilled(c, dir, frame);
    ASSERT_GT(child, 0);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << "exited with " << WEXITSTATUS(status);
    EXPECT_EQ(WTERMSIG(status), c.signal);

    faults::Snapshot now = snapshot(dir);
    const QStringList temps = faults::leftoverTemps(dir);
    EXPECT_EQ(temps.size(), c.point == Point::DuringConversion ? 1 : 0);
    for (const QString& temp : temps) now.erase(temp);
    for (const auto& [name, content] : before) EXPECT_EQ(now[name], content) << name.toStdString();
    ASSERT_EQ(now.size(), before.size() + 1);
    ASSERT_EQ(now.count(c.left), 1u);
    EXPECT_EQ(faults::formatOf(dir + "/" + c.left), "bmp");
    EXPECT_EQ(faults::decoded(dir + "/" + c.left), frame.convertToFormat(QImage::Format_RGB32));
  }
}

}  // namespace
