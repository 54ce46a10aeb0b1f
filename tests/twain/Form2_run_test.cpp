// Acquisition runs from SANE's test backend to numbered files.

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

#include "app/Public.h"
#include "app/forms.h"
#include "platform/runtime/vb.h"
#include "platform/scan/sane_device.h"
#include "platform/scan/sane_test_backend.h"
#include "platform/scan/scanner.h"
#include "platform/scan/scanner_choice.h"
#include "twain_fixture.h"

namespace {

using namespace twain_testing;

QStringList numbered(const QString& stem, int first, int last, const QString& ext) {
  QStringList names;
  for (int n = first; n <= last; ++n) names << stem + rt::Format0000(n) + ext;
  return names;
}

class FeederRun : public TwainWindowTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(FeederRun, TenPagesInTheChosenFormatThenTheLiveWindow) {
  const QString ext = GetParam();
  storePath(path("ZENO0041" + ext));
  app::AppState.FileExt = ext;
  chooseSource("test:0", kFeeder);
  twain::Form2& w = load();
  w.mnuCapture->trigger();

  EXPECT_EQ(files(), numbered("ZENO", 42, 51, ext));  // nothing else: no bitmap beside a converted page
  for (const QString& name : numbered("ZENO", 42, 51, ext)) {
    SCOPED_TRACE(name.toStdString());
    if (ext == ".pdf") {
      EXPECT_EQ(pdfPages(path(name)), 1);
      EXPECT_EQ(pdfImageSize(path(name)), kPage);
    } else {
      EXPECT_EQ(pictureFormat(path(name)), ext == ".jpg" ? "jpeg" : "bmp");
      EXPECT_EQ(pictureSize(path(name)), kPage);
    }
  }
  EXPECT_EQ(w.Filename0, path("ZENO0052" + ext));
  EXPECT_EQ(label(), rt::DisplayPath(path("ZENO0052" + ext)));
  EXPECT_TRUE(app::Form3->isVisible());
  // The viewer shows the last page, from memory (a PDF page too), while its
  // label has moved on to the next name.
  EXPECT_EQ(app::Form3->PicturePath, path("ZENO0051" + ext));
  EXPECT_EQ(app::Form3->Image1->picture().size(), kPage);
  EXPECT_EQ(app::AppState.ScreenMode, 1);
  EXPECT_FALSE(w.running());
  EXPECT_TRUE(w.mnuCapture->isEnabled());
  EXPECT_EQ(dialogs.modalCount, 0);
  EXPECT_TRUE(dialogs.messages.empty());

  app::Form2.Unload();
  EXPECT_EQ(storedPath(), path("ZENO0051" + ext));
}

INSTANTIATE_TEST_SUITE_P(Formats, FeederRun, ::testing::Values(".bmp", ".jpg", ".pdf"),
                         [](const auto& info) { return std::string(info.param + 1); });

TEST_F(TwainWindowTest, FlatbedRunAsksForEachPageAndLocksTheWindowMeanwhile) {
  app::AppState.FileExt = ".bmp";  // nothing stored: the default name and the first device's own source
  twain::Form2& w = load();
  std::vector<std::vector<bool>> enabled;
  QStringList shownAtPrompt;
  answerPrompts(2, [&](int) {
    shownAtPrompt << QFileInfo(app::Form3->PicturePath).fileName();
    EXPECT_TRUE(w.running());
    enabled.push_back({w.mnuFile->menuAction()->isEnabled(), w.mnuSelectDevice->isEnabled(), w.mnuExit->isEnabled(),
                       w.mnuCapture->isEnabled(), w.mnuLive->isEnabled(), w.mnuAbout->isEnabled()});
    // Commands that reach the window anyway change nothing.
    w.mnuLive_Click();
    w.mnuCapture_Click();
    w.mnuSelectDevice_Click();
    w.mnuAbout_Click();
    EXPECT_NO_THROW(w.mnuExit_Click());
    // Nor does the close box.
    w.close();
    EXPECT_TRUE(app::Form2.IsLoaded());
    EXPECT_EQ(app::AppState.ScreenMode, 2);
  });
  w.mnuCapture->trigger();

  EXPECT_EQ(dialogs.modalCount, 3);
  EXPECT_EQ(enabled, std::vector<std::vector<bool>>(3, std::vector<bool>(6, false)));
  // Each page is in the viewer by the time the next one is asked for.
  EXPECT_EQ(shownAtPrompt, QStringList({"", "ZENO0001.bmp", "ZENO0002.bmp"}));
  EXPECT_FALSE(app::frmAbout.IsLoaded());
  const QString pictures = testing_support::picturesDir();
  EXPECT_EQ(pictureSize(pictures + "/ZENO0001.bmp"), kPage);
  EXPECT_EQ(pictureSize(pictures + "/ZENO0002.bmp"), kPage);
  EXPECT_FALSE(QFile::exists(pictures + "/ZENO0003.bmp"));
  EXPECT_EQ(w.Filename0, pictures + "/ZENO0003.bmp");
  EXPECT_TRUE(dialogs.messages.empty());  // "Done" is the normal end
  EXPECT_EQ(app::AppState.ScreenMode, 1);
  EXPECT_TRUE(w.mnuLive->isEnabled() && w.mnuFile->menuAction()->isEnabled());
  app::Form2.Unload();
  EXPECT_EQ(storedPath(), pictures + "/ZENO0002.bmp");
}

// A signal asks for the end while the second page is being asked for: that
// page is still scanned and written, then the program ends as "Exit" does.
TEST_F(TwainWindowTest, AnEndAskedForDuringARunComesAfterThePageUnderWay) {
  app::AppState.FileExt = ".bmp";
  twain::Form2& w = load();
  const QString pictures = testing_support::picturesDir();
  QStringList storedAtPrompt;
  answerPrompts(3, [&](int prompt) {
    storedAtPrompt << storedPath();
    if (prompt == 2) {
      EXPECT_NO_THROW(w.RequestEnd());
    }
  });
  EXPECT_THROW(w.mnuCapture_Click(), testing_support::ProgramEnded);

  // The path was stored as each page was written, not only at the end.
  EXPECT_EQ(storedAtPrompt, (QStringList{"<unset>", pictures + "/ZENO0001.bmp"}));
  EXPECT_EQ(dialogs.modalCount, 2);
  EXPECT_EQ(pictureSize(pictures + "/ZENO0002.bmp"), kPage);
  EXPECT_FALSE(QFile::exists(pictures + "/ZENO0003.bmp"));
  EXPECT_FALSE(app::Form2.IsLoaded());
  EXPECT_EQ(storedPath(), pictures + "/ZENO0002.bmp");
}

struct DeviceFault {
  const char* status;
  const char* words;  // how SANE puts it
};

class DeviceFaultRun : public TwainWindowTest, public ::testing::WithParamInterface<DeviceFault> {};

TEST_P(DeviceFaultRun, EndsCleanlyKeepingEveryPageWritten) {
  storePath(path("ZENO0041.jpg"));
  app::AppState.FileExt = ".jpg";
  chooseSource("test:0", kFeeder);
  twain::Form2& w = load();
  // The run yields once per pass; once three pages are on disk the device
  // fails from the next page on (it refuses options while a page is read).
  QByteArray second;
  QTimer inject;
  QObject::connect(&inject, &QTimer::timeout, [&] {
    if (files().size() < 3 || !scan::openSource()) return;
    second = contents(path("ZENO0043.jpg"));
    if (scan::openSource()->setStringOption("read-return-value", GetParam().status) == SANE_STATUS_GOOD)
      inject.stop();
  });
  inject.start(0);
  w.mnuCapture->trigger();

  EXPECT_FALSE(inject.isActive());
  EXPECT_EQ(files(), numbered("ZENO", 42, 44, ".jpg"));
  EXPECT_EQ(contents(path("ZENO0043.jpg")), second);
  for (const QString& name : files()) {
    EXPECT_EQ(pictureFormat(path(name)), "jpeg") << name.toStdString();
    EXPECT_EQ(pictureSize(path(name)), kPage) << name.toStdString();
  }
  // The library is silent during the run; the run tells why it stopped.
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].prompt, QString("Scanning stopped: ") + GetParam().words +
                                            ".\n3 pages were saved, the last as " + path("ZENO0044.jpg") + ".");
  EXPECT_EQ(dialogs.messages[0].style, rt::vbOKOnly | rt::vbInformation);
  EXPECT_EQ(dialogs.messages[0].title, "PAX");
  EXPECT_EQ(w.Filename0, path("ZENO0045.jpg"));
  EXPECT_EQ(app::AppState.ScreenMode, 1);
  app::Form2.Unload();
  EXPECT_EQ(storedPath(), path("ZENO0044.jpg"));
}

INSTANTIATE_TEST_SUITE_P(Statuses, DeviceFaultRun,
                         ::testing::Values(DeviceFault{"SANE_STATUS_JAMMED", "Document feeder jammed"},
                                           DeviceFault{"SANE_STATUS_IO_ERROR", "Error during device I/O"},
                                           DeviceFault{"SANE_STATUS_COVER_OPEN", "Scanner cover is open"}),
                         [](const auto& info) { return std::string(info.param.status + 12); });

TEST_F(TwainWindowTest, CounterPastNineThousandNineHundredNinetyNineKeepsTheStem) {
  storePath(path("ZENO9998.bmp"));
  app::AppState.FileExt = ".bmp";
  chooseSource("test:0", kFeeder);
  twain::Form2& w = load();
  w.mnuCapture->trigger();
  EXPECT_EQ(files(), (QStringList{"ZENO10000.bmp", "ZENO10001.bmp", "ZENO10002.bmp", "ZENO10003.bmp",
                                  "ZENO10004.bmp", "ZENO10005.bmp", "ZENO10006.bmp", "ZENO10007.bmp",
                                  "ZENO10008.bmp", "ZENO9999.bmp"}));
  EXPECT_EQ(w.Filename0, path("ZENO10009.bmp"));
  app::Form2.Unload();
  EXPECT_EQ(storedPath(), path("ZENO10008.bmp"));
}

TEST_F(TwainWindowTest, ExistingFilesSurviveAndTheirNumbersAreSkipped) {
  storePath(path("ZENO0041.jpg"));
  app::AppState.FileExt = ".jpg";
  chooseSource("test:0", kFeeder);
  writeFile(path("ZENO0043.jpg"), "the user's picture");
  writeFile(path("ZENO0045.bmp"), "another picture");
  twain::Form2& w = load();
  w.mnuCapture->trigger();

  EXPECT_EQ(contents(path("ZENO0043.jpg")), "the user's picture");
  EXPECT_EQ(contents(path("ZENO0045.bmp")), "another picture");
  QStringList expected = QStringList{"ZENO0042.jpg", "ZENO0043.jpg", "ZENO0044.jpg", "ZENO0045.bmp"} +
                         numbered("ZENO", 46, 53, ".jpg");
  EXPECT_EQ(files(), expected);
  for (const QString name : {"ZENO0042.jpg", "ZENO0044.jpg", "ZENO0053.jpg"})
    EXPECT_EQ(pictureFormat(path(name)), "jpeg") << name.toStdString();
  app::Form2.Unload();
  EXPECT_EQ(storedPath(), path("ZENO0053.jpg"));
}

TEST_F(TwainWindowTest, ARunThatCannotStartIsToldOnceAndTheSecondRunAlike) {
  struct Case {
    const char* what;
    QStringList testConf;
    QString device;
    QString message;  // how the message starts
  };
  const Case cases[] = {
      {"no scanner", {"no devices"}, "", "No scanner was found."},
      {"a source that cannot be opened", {}, "nosuchbackend:0", "Cannot open nosuchbackend:0: "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TearDown();
    SetUp();
    dialogs.messages.clear();
    scanner_testing::useTestBackend(c.testConf);
    storePath(path("ZENO0041.pdf"));
    app::AppState.FileExt = ".pdf";
    if (!c.device.isEmpty()) chooseSource(c.device, "");
    // Two runs one after the other: the library's message silencing is put
    // back after each, so the second is told like the first.
    for (int run = 0; run < 2; ++run) {
      twain::Form2& w = load();
      w.mnuCapture->trigger();
      EXPECT_TRUE(files().isEmpty());
      EXPECT_EQ(w.Filename0, path("ZENO0042.pdf"));
      EXPECT_EQ(app::AppState.ScreenMode, 1);
      ASSERT_EQ(dialogs.messages.size(), run + 1u);
      // The library's own, told before the run silences it.
      EXPECT_TRUE(dialogs.messages[run].prompt.startsWith(c.message)) << dialogs.messages[run].prompt.toStdString();
      EXPECT_EQ(dialogs.messages[run].title, "OrvaluxSoftware");
      EXPECT_EQ(TWAIN_SuppressErrorMessages(0), 0);
      app::Form2.Unload();
      EXPECT_EQ(storedPath(), path("ZENO0041.pdf"));
    }
  }
}

// The scanner library answers without reading a page: the run tells why,
// once, and keeps every earlier file.
TEST_F(TwainWindowTest, TheFlatbedPromptNamesTheSourceAsTheSelectionListDoes) {
  chooseSource("test:0", "Flatbed");
  QString shown;
  dialogs.onModal = [&](QDialog& d) {
    if (auto* label = d.findChild<QLabel*>("promptLabel")) shown = label->text();
    return scanner_testing::click(d, "doneButton");
  };
  load().mnuCapture->trigger();
  EXPECT_EQ(shown.section('\n', 0, 0), "Flatbed on Noname frontend-tester (test:0)");
  EXPECT_TRUE(dialogs.messages.empty());
}

// A slow feeder: one progress window for the whole run, counting pages;
// Cancel in it ends the run as normally as an empty feeder does.
TEST_F(TwainWindowTest, AFeederRunShowsOneProgressWindowCountingPagesUntilCancelled) {
  // About a second per page.
  scanner_testing::useTestBackend({"read-delay true", "read-delay-duration 100000"});
  ASSERT_TRUE(scan::storeSettings("test:0", {100, scan::ColourMode::Gray, "Whole area"}));
  storePath(path("ZENO0041.bmp"));
  app::AppState.FileExt = ".bmp";
  chooseSource("test:0", kFeeder);
  twain::Form2& w = load();
  QPointer<QWidget> current;
  int windows = 0;
  QStringList pages;
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    for (QWidget* top : QApplication::topLevelWidgets()) {
      if (top->objectName() != "scanProgressDialog" || !top->isVisible()) continue;
      if (top != current) {
        current = top;
        ++windows;
      }
      const auto* label = top->findChild<QLabel*>("pageLabel");
      const QString page = label ? label->text() : QString();
      if (pages.isEmpty() || pages.last() != page) pages << page;
      if (page == "Page 3") top->findChild<QPushButton*>("cancelButton")->click();
    }
  });
  watch.start(5);
  w.mnuCapture->trigger();
  watch.stop();

  EXPECT_EQ(windows, 1);
  // Shown half a second into the run, then page after page.
  ASSERT_FALSE(pages.isEmpty());
  EXPECT_EQ(pages.last(), "Page 3");
  for (qsizetype i = 1; i < pages.size(); ++i)
    EXPECT_EQ(pages[i], "Page " + QString::number(pages[i - 1].mid(5).toInt() + 1));
  EXPECT_TRUE(current.isNull());  // closed with the run
  EXPECT_EQ(files(), numbered("ZENO", 42, 43, ".bmp"));
  for (const QString& name : files()) EXPECT_EQ(pictureSize(path(name)), QSize(787, 787));
  EXPECT_TRUE(dialogs.messages.empty());
  EXPECT_EQ(app::AppState.ScreenMode, 1);
}

}  // namespace
