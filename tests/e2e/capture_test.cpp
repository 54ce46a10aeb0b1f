#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QTest>

#include "e2e_steps.h"
#include "platform/runtime/settings.h"
#include "support/desktop.h"
#include "support/test_env.h"

namespace {

using e2e::kLiveTitle;

bool waitForFile(const QString& path, int timeoutMs) {
  return testing_support::waitUntil([&] { return QFileInfo::exists(path); }, timeoutMs);
}

TEST(Capture, F12WritesNumberedPicturesAndTheLastNameIsKept) {
  QDir(testing_support::configDir()).removeRecursively();
  QDir(testing_support::picturesDir()).removeRecursively();
  testing_support::Desktop desktop;
  ASSERT_TRUE(desktop.ok()) << "no X display";
  testing_support::Program program(desktop);
  ASSERT_TRUE(program.start());
  const QString window = program.waitForWindow(kLiveTitle);
  ASSERT_FALSE(window.isEmpty()) << program.output().toStdString();
  QTest::qWait(1000);  // let the test pattern deliver its first frames
  program.activate(window);

  const QStringList names{"MOR0001.bmp", "MOR0002.bmp", "MOR0003.bmp"};
  for (const QString& name : names) {
    program.key("F12");
    const QString path = testing_support::picturesDir() + "/" + name;
    ASSERT_TRUE(waitForFile(path, 10000)) << name.toStdString() << " " << program.output().toStdString();
    EXPECT_FALSE(program.hasWindow("^PAX$")) << "a message box appeared";
  }
  // Each file is complete: it is renamed into place only once written.
  for (const QString& name : names) {
    QImageReader reader(testing_support::picturesDir() + "/" + name);
    EXPECT_EQ(reader.format(), "bmp");
    EXPECT_EQ(reader.read().size(), QSize(640, 480)) << name.toStdString();
  }
  EXPECT_EQ(QDir(testing_support::picturesDir()).entryList(QDir::Files | QDir::Hidden), names);
  // The viewer opened beside the live window, to its right, not under it.
  const QString viewer = program.waitForWindow(e2e::kViewerTitle, 5000);
  ASSERT_FALSE(viewer.isEmpty());
  const QRect live = program.geometry(window), shown = program.geometry(viewer);
  EXPECT_GT(shown.left(), live.right()) << "viewer " << shown.x() << "," << shown.y() << " live " << live.x() << "," << live.y() << " " << live.width() << "x" << live.height();
  EXPECT_LT(shown.right(), 1280);
  EXPECT_LT(std::abs(shown.top() - live.top()), 40) << shown.top() << " " << live.top();

  ASSERT_TRUE(program.closeAndWaitForExit(window));
  EXPECT_EQ(rt::GetSetting("ZENO", "PARAS", "Path", "<unset>"), testing_support::picturesDir() + "/MOR0003.bmp");
}

}  // namespace
