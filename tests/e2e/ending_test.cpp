// The program ended from outside its windows: by a signal or by losing its
// display. It ends in order, and the next start goes on with the numbering.

#include <gtest/gtest.h>
#include <signal.h>

#include <QDir>
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

TEST(Ending, SignalsAndALostDisplayKeepTheNumbering) {
  QDir(testing_support::configDir()).removeRecursively();
  QDir(testing_support::picturesDir()).removeRecursively();
  testing_support::Desktop desktop;
  ASSERT_TRUE(desktop.ok()) << "no X display";

  struct Case {
    const char* how;
    int signal;  // 0: the connection to the display is cut
  };
  const Case cases[] = {{"SIGTERM", SIGTERM}, {"SIGINT", SIGINT}, {"SIGHUP", SIGHUP}, {"lost display", 0}};
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

    if (c.signal) {
      const int pid = desktop.run("xdotool", {"getwindowpid", window}).trimmed().toInt();
      ASSERT_GT(pid, 0);
      ASSERT_EQ(::kill(pid, c.signal), 0);
    } else {
      desktop.run("xdotool", {"windowkill", window});
    }
    ASSERT_TRUE(program.waitForExit(20000)) << program.output().toStdString();
    EXPECT_EQ(program.exitCode(), 0) << program.output().toStdString();
    EXPECT_EQ(rt::GetSetting("ZENO", "PARAS", "Path", "<unset>").toStdString(), pictures(name).toStdString());
  }
  EXPECT_EQ(e2e::filesIn(testing_support::picturesDir()), e2e::numbered("MOR", 1, number, ".bmp"));
}

}  // namespace
