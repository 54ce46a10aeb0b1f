// The process dies at each point of a picture's write order: encoding into
// its temporary file, written but not yet named, named. Wherever it dies,
// every earlier picture is intact, and a final name holds a whole picture in
// its final format or nothing, never part of one and never a bitmap under
// another format's name. A picture a crash left between placeholder and
// rename is finished by the next write into the folder.

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <QFile>
#include <csignal>

#include "fault_tools.h"
#include "platform/capture/dib.h"
#include "platform/pictures/picture_store.h"
#include "qt_printers.h"
#include "support/test_env.h"

namespace {

using faults::snapshot;

using testing_support::native;

enum class Point { DuringWrite, BeforeName, AfterName };

struct Case {
  const char* what;
  bool scanner;  // a scanned page or a captured frame
  pictures::Format format;
  const char* extension;
  Point point;
};

const Case kCases[] = {
    {"page, killed during the JPEG", true, pictures::Format::Jpeg, ".jpg", Point::DuringWrite},
    {"page, killed before the name", true, pictures::Format::Pdf, ".pdf", Point::BeforeName},
    {"page, killed after the name", true, pictures::Format::Jpeg, ".jpg", Point::AfterName},
    {"frame, killed during the PDF", false, pictures::Format::Pdf, ".pdf", Point::DuringWrite},
    {"frame, killed during the bitmap", false, pictures::Format::Bmp, ".bmp", Point::DuringWrite},
    {"frame, killed before the name", false, pictures::Format::Jpeg, ".jpg", Point::BeforeName},
    {"frame, killed after the name", false, pictures::Format::Pdf, ".pdf", Point::AfterName},
};

// Pictures taken before, the way the program leaves them.
void takeEarlierPictures(const QString& dir) {
  ASSERT_TRUE(capture::saveDib(faults::busyPicture(320, 240, 1), native(dir + "/ZENO0040.bmp")));
  ASSERT_TRUE(pictures::storePicture(pictures::Frame{faults::busyPicture(320, 240, 2)}, native(dir + "/ZENO0041.jpg"),
                                     pictures::Format::Jpeg)
                  .saved());
}

pictures::Picture pictureOf(const Case& c, const QImage& frame) {
  if (!c.scanner) return pictures::Frame{frame};
  const QImage rgb = frame.convertToFormat(QImage::Format_RGB888);
  pictures::Page page;
  page.width = rgb.width();
  page.height = rgb.height();
  page.xDpi = page.yDpi = 300;
  for (int y = 0; y < rgb.height(); ++y)
    page.pixels.insert(page.pixels.end(), rgb.constScanLine(y), rgb.constScanLine(y) + 3 * rgb.width());
  return page;
}

// In a child process: one picture's steps up to `c.point`, where it dies.
[[noreturn]] void writeUntilKilled(const Case& c, const QString& dir, const QImage& frame) {
  const std::string target = native(dir + "/ZENO0042" + c.extension);
  // During the write the file outgrows this limit half-way, which kills the process.
  const faults::FileSizeLimit limit(c.point == Point::DuringWrite ? 4096 : RLIM_INFINITY);
  std::signal(SIGXFSZ, SIG_DFL);
  pictures::PendingPicture pending(pictureOf(c, frame), native(dir), c.format);
  if (c.point == Point::BeforeName) std::raise(SIGKILL);
  if (!pending.finish(target).saved()) _exit(1);
  std::raise(SIGKILL);
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
    EXPECT_EQ(WTERMSIG(status), c.point == Point::DuringWrite ? SIGXFSZ : SIGKILL);

    faults::Snapshot now = snapshot(dir);
    const QStringList temps = faults::leftoverTemps(dir);
    EXPECT_EQ(temps.size(), c.point == Point::AfterName ? 0 : 1);
    for (const QString& temp : temps) now.erase(temp);
    for (const auto& [name, content] : before) EXPECT_EQ(now[name], content) << name.toStdString();
    const QString left = QString("ZENO0042") + c.extension;
    ASSERT_EQ(now.size(), before.size() + (c.point == Point::AfterName ? 1 : 0));
    if (c.point != Point::AfterName) continue;
    if (c.format == pictures::Format::Pdf) {
      EXPECT_TRUE(faults::isOnePagePdf(dir + "/" + left));
    } else {
      EXPECT_EQ(faults::formatOf(dir + "/" + left), c.format == pictures::Format::Jpeg ? "jpeg" : "bmp");
    }
  }
}

// A crash between the placeholder and the rename, on a file system without
// no-replace renames and links: the empty name and the whole picture in its
// pending temporary. The next write into the folder finishes it; a cut-off
// one stays as it is.
TEST(CrashPoints, APictureLeftBehindItsPlaceholderIsFinishedByTheNextWrite) {
  for (const bool whole : {true, false}) {
    SCOPED_TRACE(whole ? "whole" : "cut off");
    const QString dir = testing_support::freshDir("placeholder");
    const QString probe = testing_support::freshDir("probe") + "/whole.jpg";
    ASSERT_TRUE(
        pictures::storePicture(pictures::Frame{faults::busyPicture(320, 240, 7)}, native(probe), pictures::Format::Jpeg)
            .saved());
    QByteArray picture = faults::contentOf(probe);
    if (!whole) picture.chop(100);
    const QString pending = dir + "/.vic-Ab12Cd.ZENO0042.jpg";
    ASSERT_TRUE(faults::writeFile(pending, picture));
    ASSERT_TRUE(faults::writeFile(dir + "/ZENO0042.jpg", ""));

    ASSERT_TRUE(pictures::storePicture(pictures::Frame{faults::busyPicture(32, 24, 8)}, native(dir + "/ZENO0043.jpg"),
                                       pictures::Format::Jpeg)
                    .saved());
    EXPECT_EQ(faults::contentOf(dir + "/ZENO0042.jpg"), whole ? picture : QByteArray());
    EXPECT_EQ(QFile::exists(pending), !whole);
  }
}

}  // namespace
