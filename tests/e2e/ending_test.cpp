// The program ended from outside its windows: by a signal or by losing its
// display.

#include <gtest/gtest.h>
#include <signal.h>

#include <functional>
#include <optional>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include "e2e_steps.h"
#include "platform/runtime/settings.h"
#include "support/desktop.h"
#include "support/test_env.h"

namespace {

using e2e::kLiveTitle;

QString pictures(const QString& name) { return testing_support::picturesDir() + "/" + name; }

bool waitForFile(const QString& path) {
  return testing_support::waitUntil([&] { return QFileInfo::exists(path); }, 20000);
}

// Ended by a signal or a lost display, the program ends in order and the
// next start goes on with the numbering. Nobody watches such an ending:
// when the settings cannot be written then, that is told on standard error
// and no message box holds the program up.
TEST(Ending, SignalsAndALostDisplayKeepTheNumbering) {
  QDir(testing_support::configDir()).removeRecursively();
  QDir(testing_support::picturesDir()).removeRecursively();
  testing_support::Desktop desktop;
  ASSERT_TRUE(desktop.ok()) << "no X display";
  const QString settings = testing_support::configDir() + "/ZENO.ini";

  struct Case {
    const char* how;
    int signal;  // 0: the connection to the display is cut
    std::function<bool()> breakSettings;
  };
  // The capture's path may still wait in the program's memory, the file not
  // written yet.
  const auto removed = [&] { return !QFile::exists(settings) || QFile::remove(settings); };
  const Case cases[] = {
      {"SIGTERM", SIGTERM, {}},
      {"SIGINT", SIGINT, {}},
      {"SIGHUP", SIGHUP, {}},
      {"lost display", 0, {}},
      {"SIGTERM, settings a folder", SIGTERM, [&] { return removed() && QDir().mkpath(settings); }},
      {"SIGTERM, settings a link to /dev/zero", SIGTERM, [&] { return removed() && QFile::link("/dev/zero", settings); }},
  };
  int number = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.how);
    testing_support::Program program(desktop);
    ASSERT_TRUE(program.start());
    const QString window = program.waitForWindow(kLiveTitle);
    ASSERT_FALSE(window.isEmpty()) << program.output().toStdString();
    QTest::qWait(1000);  // the test pattern's first frames
    program.activate(window);
    // Each start continues where the one before was ended.
    const QString name = QString("MOR%1.bmp").arg(++number, 4, 10, QChar('0'));
    program.key("F12");
    ASSERT_TRUE(waitForFile(pictures(name))) << program.output().toStdString();
    if (c.breakSettings) {
      ASSERT_TRUE(c.breakSettings());
    }

    if (c.signal) {
      const int pid = desktop.run("xdotool", {"getwindowpid", window}).trimmed().toInt();
      ASSERT_GT(pid, 0);
      ASSERT_EQ(::kill(pid, c.signal), 0);
    } else {
      desktop.run("xdotool", {"windowkill", window});
    }
    ASSERT_TRUE(program.waitForExit(30000)) << "still running: " << program.output().toStdString();
    EXPECT_EQ(program.exitCode(), 0) << program.output().toStdString();
    if (c.breakSettings) {
      EXPECT_TRUE(program.output().contains("The last file name could not be saved in ")) << program.output().toStdString();
      // The next start finds no stored name and goes on past the files.
      QDir(settings).removeRecursively();
      QFile::remove(settings);
    } else {
      EXPECT_EQ(rt::GetSetting("ZENO", "PARAS", "Path", "<unset>").toStdString(), pictures(name).toStdString());
    }
  }
  EXPECT_EQ(e2e::filesIn(testing_support::picturesDir()), e2e::numbered("MOR", 1, number, ".bmp"));
}

// A feeder run from the scanner window with SANE's test backend. Its
// reader thread sets SIGTERM back to the default action on every page, so
// after a run a signal could kill the program outright. `slowPages` makes
// each page take about a second to read.
class ScannerEnding : public ::testing::Test {
 protected:
  void SetUp() override {
    QDir(testing_support::configDir()).removeRecursively();
    QDir(testing_support::picturesDir()).removeRecursively();
    ASSERT_TRUE(rt::SaveSetting("ZENO", "PARAS", "Path", pictures("ZENO0041.bmp")));
    ASSERT_TRUE(desktop.ok()) << "no X display";
  }

  void startRun(bool slowPages) {
    const QByteArray slow = "read-limit true\nread-limit-size 2048\nread-delay true\nread-delay-duration 2000\n";
    ASSERT_TRUE(e2e::useTestScanner("Automatic Document Feeder", slowPages ? slow : QByteArray()));
    program.emplace(desktop);
    const QString live = e2e::startLive(*program);
    ASSERT_FALSE(live.isEmpty()) << program->output().toStdString();
    program->activate(live);
    pid = desktop.run("xdotool", {"getwindowpid", live}).trimmed().toInt();
    ASSERT_GT(pid, 0);
    ASSERT_FALSE(e2e::openScannerWindow(*program).isEmpty()) << program->output().toStdString();
    program->key("alt+o");
  }

  // Ends the program with SIGTERM: it must end in order, keeping the last
  // page as the stored path, every page whole and no temporary left.
  void endBySignalAndCheck() {
    ASSERT_EQ(::kill(pid, SIGTERM), 0);
    ASSERT_TRUE(program->waitForExit(30000)) << program->output().toStdString();
    EXPECT_EQ(program->exitCode(), 0) << program->output().toStdString();
    const QStringList files = QDir(testing_support::picturesDir()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    ASSERT_FALSE(files.isEmpty());
    EXPECT_EQ(files, e2e::numbered("ZENO", 42, 41 + static_cast<int>(files.size()), ".bmp"));
    for (const QString& name : files) EXPECT_TRUE(e2e::holdsFormat(pictures(name))) << name.toStdString();
    EXPECT_EQ(rt::GetSetting("ZENO", "PARAS", "Path", "<unset>"), pictures(files.last()));
    pages = static_cast<int>(files.size());
  }

  testing_support::Desktop desktop;
  std::optional<testing_support::Program> program;
  int pid = 0;
  int pages = 0;
};

TEST_F(ScannerEnding, SigtermAfterAScannerRunEndsInOrder) {
  ASSERT_NO_FATAL_FAILURE(startRun(false));
  ASSERT_FALSE(program->waitForWindow(kLiveTitle, 60000).isEmpty()) << "the live window did not come back";
  ASSERT_TRUE(waitForFile(pictures("ZENO0051.bmp")));
  ASSERT_NO_FATAL_FAILURE(endBySignalAndCheck());
  EXPECT_EQ(pages, 10);
}

TEST_F(ScannerEnding, SigtermDuringARunFinishesThePageBeingReadAndEndsInOrder) {
  ASSERT_NO_FATAL_FAILURE(startRun(true));
  // The first page is written; the second is being read when the signal comes.
  ASSERT_TRUE(waitForFile(pictures("ZENO0042.bmp"))) << program->output().toStdString();
  QTest::qWait(400);
  ASSERT_NO_FATAL_FAILURE(endBySignalAndCheck());
  // How many pages the run still reads before the signal ends it depends on
  // the machine's load; what must hold is the ordered ending above.
  EXPECT_GE(pages, 2) << "the page being read was lost";
}

}  // namespace
