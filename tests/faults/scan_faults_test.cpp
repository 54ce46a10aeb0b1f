// The scanner window's runs against a scanner whose pages misbehave on
// purpose (the fault backend): whatever the third page does, the pages before
// it and every file already there stay as they were, nothing partial is left,
// and the run ends or goes on cleanly.

#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QRegularExpression>
#include <QTimer>
#include <optional>

#include "../twain/twain_fixture.h"
#include "app/Public.h"
#include "app/forms.h"
#include "app/settings_values.h"
#include "fault_backend.h"
#include "fault_tools.h"
#include "platform/files/file_fakes.h"
#include "platform/runtime/paths.h"
#include "platform/runtime/settings.h"
#include "platform/runtime/vb.h"
#include "platform/scan/scanner.h"

namespace {

using namespace twain_testing;
using faults::useFaultBackend;

const QSize kFaultPage(60, 40);

QStringList plan(const QString& third) {
  QStringList pages = {"ok", "ok", third};
  for (int i = 0; i < 7; ++i) pages << "ok";
  return pages;
}

QStringList numbered(int first, int last, const QString& ext) {
  QStringList names;
  for (int n = first; n <= last; ++n) names << "ZENO" + rt::Format0000(n) + ext;
  return names;
}

QSize sizeIn(const QString& file) {
  return file.endsWith(".pdf") ? pdfImageSize(file) : pictureSize(file);
}

class ScanFaultTest : public TwainWindowTest {
 protected:
  // A run from the stored path, in the output format `ext`.
  twain::Form2& run(const QStringList& pages, const QString& ext) {
    useFaultBackend(pages);
    chooseSource("vicfault:0", kFeeder);
    app::AppState.FileExt = ext;
    twain::Form2& w = load();
    w.mnuCapture->trigger();
    return w;
  }
  void unload() {
    app::Form2.Unload();
    testing_support::settle();
  }
  // Pages under their names. The temporaries are left out: a bitmap page's
  // is there while the page is read, before the page ahead of it is named.
  qsizetype pagesNamed() const { return files().filter(QRegularExpression("^ZENO")).size(); }
};

TEST_F(ScanFaultTest, AFaultyThirdPageKeepsEveryPageBeforeIt) {
  const QString incomplete = "The scanner sent an incomplete page; it was not saved.";
  struct Case {
    const char* what;
    QString third;
    int written;    // pages of the run that reach the disk
    QString cause;  // what the message after the run names; empty: no message
    bool lost;      // the third page was read and must be scanned again
  };
  const Case cases[] = {
      {"jammed half-way", "mid SANE_STATUS_JAMMED", 2, "Document feeder jammed.", false},
      {"an I/O error half-way", "mid SANE_STATUS_IO_ERROR", 2, "Error during device I/O.", false},
      {"the cover open", "start SANE_STATUS_COVER_OPEN", 2, "Scanner cover is open.", false},
      {"out of memory half-way", "mid SANE_STATUS_NO_MEM", 2, "Out of memory.", false},
      {"fewer bytes than announced", "short", 2, incomplete, true},
      {"no bytes at all", "mid SANE_STATUS_EOF", 2, incomplete, true},
      {"more bytes than announced", "long", 2, incomplete, true},
      {"lines too short for their pixels", "narrow", 2, incomplete, true},
      {"a page too large to hold", "huge", 2, incomplete, true},
      {"the feeder empty early", "start SANE_STATUS_NO_DOCS", 2, "", false},
      {"another size than announced before the scan", "resized", 10, "", false},
  };
  const QString formats[] = {".pdf", ".jpg", ".bmp"};
  int index = 0;
  for (const Case& c : cases) {
    const QString ext = formats[index++ % 3];
    SCOPED_TRACE(std::string(c.what) + " " + ext.toStdString());
    TearDown();
    SetUp();
    dialogs.messages.clear();
    storePath(path("ZENO0041" + ext));
    run({"ok", "ok"}, ext);
    unload();
    const faults::Snapshot earlier = faults::snapshot(dir);
    ASSERT_EQ(earlier.size(), 2u);

    twain::Form2& w = run(plan(c.third), ext);
    const int last = 43 + c.written;
    EXPECT_EQ(files(), numbered(42, last, ext));
    for (const QString& name : numbered(44, last, ext)) {
      const QSize size = c.third == "resized" && name.startsWith("ZENO0046") ? QSize(80, 30) : kFaultPage;
      EXPECT_EQ(sizeIn(path(name)), size) << name.toStdString();
    }
    faults::Snapshot now = faults::snapshot(dir);
    for (const QString& name : numbered(44, last, ext)) now.erase(name);
    EXPECT_EQ(now, earlier);
    if (c.cause.isEmpty()) {
      EXPECT_TRUE(dialogs.messages.empty());
    } else {
      ASSERT_EQ(dialogs.messages.size(), 1u);
      EXPECT_EQ(dialogs.messages[0].prompt, "Scanning stopped: " + c.cause + "\n2 pages were saved, the last as " +
                                                path("ZENO0045" + ext) + "." +
                                                (c.lost ? "\nThe page read last could not be saved; scan it again." : ""));
      EXPECT_EQ(dialogs.messages[0].title, "PAX");
    }
    EXPECT_EQ(w.Filename0, path("ZENO" + rt::Format0000(last + 1) + ext));
    EXPECT_FALSE(w.running());
    EXPECT_EQ(app::AppState.ScreenMode, 1);
    unload();
    EXPECT_EQ(storedPath(), path("ZENO" + rt::Format0000(last) + ext));
  }
}

TEST_F(ScanFaultTest, APagesNameClaimedDuringTheScanStaysItsOwnersAndThePageTakesTheNextNumber) {
  for (const QString ext : {".jpg", ".pdf"}) {
    SCOPED_TRACE(ext.toStdString());
    TearDown();
    SetUp();
    dialogs.messages.clear();
    storePath(path("ZENO0041" + ext));
    run(plan("claim " + path("ZENO0044" + ext)), ext);
    EXPECT_EQ(contents(path("ZENO0044" + ext)), "another program's picture");
    // No bitmap, and no number twice: the page went on to the next one in
    // its own format, and every page after it too.
    EXPECT_EQ(files(), numbered(42, 52, ext));
    for (const QString& name : numbered(45, 52, ext)) EXPECT_EQ(sizeIn(path(name)), kFaultPage) << name.toStdString();
    EXPECT_TRUE(dialogs.messages.empty());
    unload();
    EXPECT_EQ(storedPath(), path("ZENO0052" + ext));
  }
}

// A page's write fails from the moment two pages are on disk: the disk
// fills, the file size limit is reached half-way through a page, or one step
// of the write fails. A feeder's page is written on a thread of its own
// while the next one is read, so which page the fault reaches first depends
// on that thread's timing. Whichever it is, the run stops there: the pages
// before it stand whole under their names (with `stands`, it and the page
// after it stand too, not durable), nothing partial is left, and the message
// names it first with the reason and counts exactly the pages before it.
TEST_F(ScanFaultTest, ADiskFullHalfWayThroughAPageEndsTheRunWithNothingPartial) {
  // Less than a page takes in any format.
  const qint64 kRoom = 64;
  enum Kind { FullDisk, SizeLimit, FailingStep };
  struct Case {
    Kind kind;
    files::Step step;
    int error;
    int lastLost;  // the first page lost is 43, or up to this one where a write
                   // under way when the fault comes may get through
    bool stands;   // it and the page after it stand, not durable
  };
  const Case cases[] = {{FullDisk, files::Step::Write, ENOSPC, 44, false},
                        {SizeLimit, files::Step::Write, EFBIG, 44, false},
                        {FailingStep, files::Step::Write, ENOSPC, 44, false},
                        {FailingStep, files::Step::Flush, EIO, 43, false},
                        {FailingStep, files::Step::Claim, EACCES, 43, false},
                        {FailingStep, files::Step::Close, EIO, 43, true},
                        {FailingStep, files::Step::FlushFolder, EIO, 43, true}};
  for (const QString ext : {".bmp", ".jpg", ".pdf"}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(ext.toStdString() + " kind " + std::to_string(c.kind) + " step " + std::to_string(int(c.step)));
      TearDown();
      SetUp();
      dialogs.messages.clear();
      storePath(path("ZENO0041" + ext));
      // Armed once the first page is named and the second is on its way:
      // the run yields between pages.
      std::optional<faults::DiskFull> full;
      std::optional<files_testing::FailingStep> failing;
      QTimer arm;
      QObject::connect(&arm, &QTimer::timeout, [&] {
        if (pagesNamed() != 1 || full || failing) return;
        if (c.kind == FullDisk) full.emplace(kRoom);
        if (c.kind == FailingStep) failing.emplace(c.step, c.error);
      });
      arm.start(0);
      {
        faults::FileSizeLimit room(RLIM_INFINITY);  // put back after the backend lowers it
        run(plan(c.kind == SizeLimit ? "fill " + QString::number(kRoom) : "ok"), ext);
      }
      arm.stop();
      failing.reset();
      full.reset();
      EXPECT_TRUE(faults::leftoverTemps(dir).isEmpty());
      const QStringList names = files();
      int firstMissing = 42;
      while (names.contains("ZENO" + rt::Format0000(firstMissing) + ext)) ++firstMissing;
      const int firstLost = c.stands ? firstMissing - 2 : firstMissing;
      EXPECT_GE(firstLost, 43);
      EXPECT_LE(firstLost, c.lastLost);
      EXPECT_EQ(names, numbered(42, firstMissing - 1, ext));
      for (const QString& name : names) EXPECT_EQ(sizeIn(path(name)), kFaultPage) << name.toStdString();
      ASSERT_EQ(dialogs.messages.size(), 1u);
      const QString told = dialogs.messages[0].prompt;
      const QString lost = path("ZENO" + rt::Format0000(firstLost) + ext);
      EXPECT_TRUE(told.startsWith("Scanning stopped: Cannot write " + lost + ": " + rt::SystemReason(c.error)))
          << told.toStdString();
      const int saved = firstLost - 42;
      EXPECT_TRUE(told.contains((saved == 1 ? QString("1 page was saved") : QString::number(saved) + " pages were saved") +
                                ", the last as " + path("ZENO" + rt::Format0000(firstLost - 1) + ext)))
          << told.toStdString();
      EXPECT_TRUE(told.endsWith("The page read last could not be saved; scan it again.")) << told.toStdString();
      EXPECT_EQ(told.contains("the file stands under that name"), c.stands) << told.toStdString();
      EXPECT_EQ(app::AppState.ScreenMode, 1);
      unload();
      EXPECT_EQ(storedPath(), path("ZENO" + rt::Format0000(firstLost - 1) + ext));
    }
  }
}

// A run that saves no page says why and keeps the page already there: the
// folder cannot be written, or the first page fails (played by the fault
// backend: SANE's test backend can hang in its own cancel when its reader
// thread is stopped at the wrong moment).
TEST_F(ScanFaultTest, ARunThatSavesNoPageSaysWhyAndKeepsTheEarlierPage) {
  enum Kind { ReadOnly, Missing, FirstPageFails };
  struct Case {
    const char* what;
    Kind kind;
    QString reason;
    QStringList pages = {"ok", "ok"};
    QString ext = ".jpg";
  };
  const Case cases[] = {{"read-only", ReadOnly, "Permission denied"},
                        {"missing", Missing, "No such file or directory"},
                        {"jammed", FirstPageFails, "Document feeder jammed", {"mid SANE_STATUS_JAMMED"}, ".bmp"},
                        {"cover open", FirstPageFails, "Scanner cover is open", {"mid SANE_STATUS_COVER_OPEN"}, ".bmp"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TearDown();
    SetUp();
    dialogs.messages.clear();
    const QString earlier = "ZENO0041" + c.ext;
    writeFile(path(earlier), "an earlier page");
    const QString folder = c.kind == Missing ? dir + "/gone" : dir;
    storePath(folder + "/" + earlier);
    if (c.kind == ReadOnly) {
      ASSERT_EQ(::chmod(QFile::encodeName(dir).constData(), 0555), 0);
    }
    {
      faults::PermissionsApply asUser;
      run(c.pages, c.ext);
    }
    ::chmod(QFile::encodeName(dir).constData(), 0755);
    EXPECT_EQ(files(), QStringList{earlier});
    EXPECT_EQ(contents(path(earlier)), "an earlier page");
    ASSERT_EQ(dialogs.messages.size(), 1u);
    // A page read but not written is asked for again.
    const QString cause = c.kind == FirstPageFails ? c.reason : "Cannot write " + folder + "/ZENO0042.jpg: " + c.reason;
    const QString again = c.kind == FirstPageFails ? "" : "\nThe page read last could not be saved; scan it again.";
    EXPECT_EQ(dialogs.messages[0].prompt, "Scanning stopped: " + cause + ".\nNo page was saved." + again);
    EXPECT_EQ(dialogs.messages[0].title, "PAX");
    unload();
    EXPECT_EQ(storedPath(), folder + "/" + earlier);
  }
}

TEST_F(ScanFaultTest, ALastFileNameThatCannotBeStoredIsTold) {
  storePath(path("ZENO0041.jpg"));
  run({"ok", "ok"}, ".jpg");
  const QString settings = rt::SettingsFile(app::kPathsApp);
  ASSERT_TRUE(QFile::remove(settings));
  ASSERT_TRUE(QDir().mkpath(settings));
  unload();
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].prompt, "The last file name could not be saved in " + rt::DisplayPath(settings) +
                                            ".\nThe file could not be read (it is not a regular file), so it is "
                                            "left as it is.");
  EXPECT_EQ(dialogs.messages[0].title, "PAX");
  EXPECT_TRUE(QFileInfo(settings).isDir());
  EXPECT_EQ(files(), numbered(42, 43, ".jpg"));
}

}  // namespace
