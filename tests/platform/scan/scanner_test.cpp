#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <functional>

#include "platform/runtime/settings.h"
#include "platform/scan/sane_device.h"
#include "platform/scan/scanner.h"
#include "platform/scan/scanner_choice.h"
#include "platform/window/window.h"
#include "sane_test_backend.h"
#include "support/test_env.h"

namespace {

using scan::Acquire;
using scanner_testing::click;
using scanner_testing::decodedSize;
using scanner_testing::useTestBackend;

const std::string kFeeder = "Automatic Document Feeder";
const QSize kPage(590, 590);  // the whole area, 200 x 200 mm, at 75 dpi
// Small pages keep the tests quick.
const scan::ScanSettings kSmall{75, scan::ColourMode::Color, "Whole area"};

std::int32_t code(Acquire a) { return static_cast<std::int32_t>(a); }

QByteArray contents(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

int bitsPerPixel(const QString& path) {
  const QByteArray bytes = contents(path);
  return bytes.size() > 29 ? static_cast<unsigned char>(bytes[28]) | static_cast<unsigned char>(bytes[29]) << 8 : -1;
}

bool allWhite(const QString& path) {
  const QImage image = QImageReader(path).read().convertToFormat(QImage::Format_RGB32);
  if (image.isNull()) return false;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (image.pixel(x, y) != 0xFFFFFFFFu) return false;
  return true;
}

class Scanner : public ::testing::Test {
 protected:
  void SetUp() override {
    QFile::remove(rt::SettingsFile("scanner"));
    for (const char* device : {"test:0", "test:1"}) ASSERT_TRUE(scan::storeSettings(device, kSmall));
    useTestBackend();
    TWAIN_SetAppTitle("Title of the program");
    TWAIN_SuppressErrorMessages(0);
    TWAIN_SetMultiTransfer(1);
    dir = testing_support::freshDir("scans");
  }
  void TearDown() override { TWAIN_CloseSource(); }

  void openFeeder() {
    ASSERT_TRUE(scan::storeChoice({"test:0", kFeeder}));
    ASSERT_EQ(TWAIN_OpenDefaultSource(), 1);
  }
  std::int32_t acquire(const QString& name) { return TWAIN_AcquireToFilename(0, (dir + "/" + name).toLocal8Bit()); }
  QString path(const QString& name) const { return dir + "/" + name; }

  testing_support::FakeDialogs dialogs;
  QString dir;
};

TEST_F(Scanner, FeederGivesTenColourPagesThenReportsEmpty) {
  openFeeder();
  for (int page = 1; page <= 10; ++page) {
    const QString name = QString("page%1.bmp").arg(page);
    ASSERT_EQ(acquire(name), 0) << page;
    EXPECT_EQ(decodedSize(path(name)), kPage);
    EXPECT_EQ(bitsPerPixel(path(name)), 24);
  }
  EXPECT_TRUE(allWhite(path("page1.bmp")));
  EXPECT_EQ(acquire("page11.bmp"), code(Acquire::NoDocuments));
  EXPECT_FALSE(QFile::exists(path("page11.bmp")));
  EXPECT_EQ(QDir(dir).entryList(QDir::Files).size(), 10);
  EXPECT_EQ(dialogs.modalCount, 0);      // a feeder never asks
  EXPECT_TRUE(dialogs.messages.empty());  // an empty feeder is no error
}

TEST_F(Scanner, FlatbedAsksBeforeEachPageUntilDone) {
  ASSERT_EQ(TWAIN_OpenDefaultSource(), 1);  // nothing stored: the first device, its own source
  QStringList titles;
  dialogs.onModal = [&](QDialog& d) {
    titles << d.windowTitle();
    EXPECT_EQ(d.objectName(), "scanPromptDialog");
    return click(d, dialogs.modalCount < 3 ? "scanButton" : "doneButton");
  };
  EXPECT_EQ(acquire("a.bmp"), 0);
  EXPECT_EQ(acquire("b.bmp"), 0);
  EXPECT_EQ(acquire("c.bmp"), code(Acquire::Cancelled));
  EXPECT_EQ(dialogs.modalCount, 3);
  EXPECT_EQ(titles, QStringList(3, "Title of the program"));
  EXPECT_EQ(decodedSize(path("b.bmp")), kPage);
  EXPECT_FALSE(QFile::exists(path("c.bmp")));
}

TEST_F(Scanner, OwnerClosedWhileThePromptRunsEndsThePage) {
  ASSERT_EQ(TWAIN_OpenDefaultSource(), 1);
  auto* owner = new QWidget;
  dialogs.onModal = [&](QDialog& d) {
    EXPECT_EQ(d.parentWidget(), owner);
    click(d, "scanButton");
    delete owner;  // takes the dialog with it
    return int(QDialog::Accepted);
  };
  EXPECT_EQ(TWAIN_AcquireToFilename(win::handleOf(owner), path("a.bmp").toLocal8Bit()), code(Acquire::Cancelled));
  EXPECT_FALSE(QFile::exists(path("a.bmp")));
}

struct DeviceFault {
  const char* status;
  const char* text;
};

class ScannerFaults : public Scanner, public ::testing::WithParamInterface<DeviceFault> {};

TEST_P(ScannerFaults, MidRunAnswerNonzeroAndKeepEarlierPages) {
  openFeeder();
  for (const char* name : {"1.bmp", "2.bmp", "3.bmp"}) ASSERT_EQ(acquire(name), 0);
  const QByteArray before = contents(path("2.bmp"));
  ASSERT_EQ(scan::openSource()->setStringOption("read-return-value", GetParam().status), SANE_STATUS_GOOD);

  EXPECT_EQ(acquire("4.bmp"), code(Acquire::DeviceError));
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].prompt, GetParam().text);
  EXPECT_EQ(dialogs.messages[0].title, "Title of the program");

  TWAIN_SuppressErrorMessages(1);
  EXPECT_EQ(acquire("5.bmp"), code(Acquire::DeviceError));
  EXPECT_EQ(dialogs.messages.size(), 1u);
  // Silenced, but kept for the caller.
  EXPECT_EQ(scan::lastFailure().reason, GetParam().text);

  EXPECT_EQ(QDir(dir).entryList(QDir::Files), (QStringList{"1.bmp", "2.bmp", "3.bmp"}));
  EXPECT_EQ(contents(path("2.bmp")), before);
  EXPECT_EQ(decodedSize(path("3.bmp")), kPage);
}

INSTANTIATE_TEST_SUITE_P(Statuses, ScannerFaults,
                         ::testing::Values(DeviceFault{"SANE_STATUS_JAMMED", "Document feeder jammed"},
                                           DeviceFault{"SANE_STATUS_IO_ERROR", "Error during device I/O"},
                                           DeviceFault{"SANE_STATUS_COVER_OPEN", "Scanner cover is open"}));

TEST_F(Scanner, NeverReplacesAnExistingFile) {
  openFeeder();
  QFile keep(path("taken.bmp"));
  ASSERT_TRUE(keep.open(QIODevice::WriteOnly));
  keep.write("the user's picture");
  keep.close();
  EXPECT_EQ(acquire("taken.bmp"), code(Acquire::NameExists));
  EXPECT_EQ(contents(path("taken.bmp")), "the user's picture");
  EXPECT_EQ(dialogs.messages.size(), 1u);
}

TEST_F(Scanner, NameTakenWhileThePageIsScannedIsKept) {
  ASSERT_EQ(TWAIN_OpenDefaultSource(), 1);
  dialogs.onModal = [&](QDialog& d) {
    QFile f(path("race.bmp"));
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("written meanwhile");
    f.close();
    return click(d, "scanButton");
  };
  EXPECT_EQ(acquire("race.bmp"), code(Acquire::NameExists));
  EXPECT_EQ(contents(path("race.bmp")), "written meanwhile");
  EXPECT_EQ(QDir(dir).entryList(QDir::Files | QDir::Hidden).size(), 1);  // no temporary file left
}

TEST_F(Scanner, UnwritableTargetIsReportedAndLeavesNothing) {
  openFeeder();
  EXPECT_EQ(acquire("missing/folder.bmp"), code(Acquire::WriteFailed));
  ASSERT_EQ(dialogs.messages.size(), 1u);
  const QString told = "Cannot write " + path("missing/folder.bmp") + ": No such file or directory.";
  EXPECT_EQ(dialogs.messages[0].prompt, told);
  TWAIN_SuppressErrorMessages(1);
  EXPECT_EQ(acquire("missing/folder.bmp"), code(Acquire::WriteFailed));
  EXPECT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(scan::lastFailure().reason, told);
  EXPECT_TRUE(scan::lastFailure().pageLost);  // read from the feeder, then not written
  EXPECT_EQ(acquire("written.bmp"), 0);
  EXPECT_TRUE(scan::lastFailure().reason.isEmpty());
  EXPECT_EQ(QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList{"written.bmp"});
}

TEST_F(Scanner, NothingOpenOrNoNameAnswersNonzero) {
  EXPECT_EQ(acquire("a.bmp"), code(Acquire::NoSource));
  openFeeder();
  EXPECT_EQ(TWAIN_AcquireToFilename(0, nullptr), code(Acquire::BadPath));
  EXPECT_EQ(TWAIN_AcquireToFilename(0, ""), code(Acquire::BadPath));
  EXPECT_EQ(TWAIN_CloseSource(), 1);
  EXPECT_EQ(TWAIN_CloseSource(), 0);
  EXPECT_EQ(acquire("a.bmp"), code(Acquire::NoSource));
  EXPECT_FALSE(QFile::exists(path("a.bmp")));
}

TEST_F(Scanner, WithoutMultiTransferTheSourceClosesAfterAPage) {
  EXPECT_EQ(TWAIN_SetMultiTransfer(0), 1);
  openFeeder();
  EXPECT_EQ(acquire("a.bmp"), 0);
  EXPECT_EQ(scan::openSource(), nullptr);
  EXPECT_EQ(acquire("b.bmp"), code(Acquire::NoSource));
}

struct Mode {
  const char* name;
  QStringList conf;
  QSize size;
  scan::ScanSettings settings = kSmall;
  int bitsPerPixel = 24;
};

class ScannerModes : public Scanner, public ::testing::WithParamInterface<Mode> {};

TEST_P(ScannerModes, EveryFrameLayoutGivesTheWholeWhitePage) {
  useTestBackend(GetParam().conf);
  ASSERT_TRUE(scan::storeSettings("test:0", GetParam().settings));
  openFeeder();
  ASSERT_EQ(acquire("a.bmp"), 0);
  ASSERT_EQ(acquire("b.bmp"), 0);
  EXPECT_EQ(decodedSize(path("b.bmp")), GetParam().size);
  EXPECT_EQ(bitsPerPixel(path("b.bmp")), GetParam().bitsPerPixel);
  EXPECT_TRUE(allWhite(path("b.bmp")));
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, ScannerModes,
    ::testing::Values(Mode{"Depth16", {"depth 16"}, kPage},
                      Mode{"Depth1", {}, kPage, {75, scan::ColourMode::Lineart, "Whole area"}, 1},
                      Mode{"ThreePass", {"three-pass true"}, kPage},
                      Mode{"ThreePassOtherOrder", {"three-pass true", "three-pass-order BGR"}, kPage},
                      Mode{"PaddedLines", {"ppl-loss 5"}, QSize(585, 590)},
                      Mode{"UnknownHeight", {"hand-scanner true"}, QSize(324, 501)},
                      Mode{"TinyReads", {"read-limit true", "read-limit-size 1000"}, kPage},
                      Mode{"NonBlockingWithSelect", {"non-blocking true", "select-fd true"}, kPage},
                      Mode{"NonBlockingWithoutSelect", {"non-blocking true"}, kPage},
                      Mode{"FuzzyParameters", {"fuzzy-parameters true"}, kPage},
                      Mode{"At150Dpi", {}, QSize(1181, 1181), {150, scan::ColourMode::Color, "Whole area"}}),
    [](const auto& info) { return std::string(info.param.name); });

// Runs `action` once, as soon as the progress window is on screen.
class WhenProgressShows {
 public:
  explicit WhenProgressShows(std::function<void(QWidget&)> action) : action_(std::move(action)) {
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == "scanProgressDialog" && w->isVisible() && !fired) {
          fired = true;
          action_(*w);
        }
    });
    timer_.start(10);
  }
  bool fired = false;

 private:
  std::function<void(QWidget&)> action_;
  QTimer timer_;
};

// About a second per page: far beyond the moment after which progress shows.
const QStringList kSlowPage = {"read-delay true", "read-delay-duration 200000"};

TEST_F(Scanner, SlowPageShowsProgressWhoseCancelStopsThePage) {
  useTestBackend(kSlowPage);
  ASSERT_TRUE(scan::storeSettings("test:0", {75, scan::ColourMode::Gray, "Whole area"}));  // a third of the colour page
  openFeeder();
  {
    WhenProgressShows cancel([](QWidget& w) { w.findChild<QPushButton*>("cancelButton")->click(); });
    EXPECT_EQ(acquire("a.bmp"), code(Acquire::Cancelled));
    EXPECT_TRUE(cancel.fired);
  }
  EXPECT_FALSE(QFile::exists(path("a.bmp")));
  EXPECT_TRUE(dialogs.messages.empty());
  EXPECT_EQ(acquire("b.bmp"), 0);  // the source stays usable
  EXPECT_EQ(decodedSize(path("b.bmp")), kPage);
}

TEST_F(Scanner, CallsDuringAPageAreRefusedAndCloseCancelsIt) {
  useTestBackend(kSlowPage + QStringList{"non-blocking true", "select-fd true"});
  openFeeder();
  std::int32_t nested = -1, reopened = -1, selected = -1;
  WhenProgressShows close([&](QWidget&) {
    nested = acquire("nested.bmp");
    reopened = TWAIN_OpenDefaultSource();
    selected = TWAIN_SelectImageSource(0);
    TWAIN_CloseSource();
  });
  EXPECT_EQ(acquire("a.bmp"), code(Acquire::Cancelled));
  EXPECT_EQ(nested, code(Acquire::Busy));
  EXPECT_EQ(reopened, 0);
  EXPECT_EQ(selected, 0);
  EXPECT_EQ(scan::openSource(), nullptr);
  EXPECT_EQ(QDir(dir).entryList(QDir::Files).size(), 0);
}

}  // namespace
