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
using e2e::kTwainTitle;
using testing_support::waitUntil;

QStringList numbered(int first, int last, const QString& ext) { return e2e::numbered("ZENO", first, last, ext); }

TEST(TwainWindow, FeederRunWritesTenPagesAndReturnsToTheLiveWindowWhichContinuesTheNumbering) {
  QDir(testing_support::configDir()).removeRecursively();
  QDir(testing_support::picturesDir()).removeRecursively();
  const QString pictures = testing_support::picturesDir();
  ASSERT_TRUE(rt::SaveSetting("ZENO", "PARAS", "Path", pictures + "/ZENO0041.jpg"));
  ASSERT_TRUE(rt::SaveSetting("scanner", "DefaultSource", "device", "test:0"));
  ASSERT_TRUE(rt::SaveSetting("scanner", "DefaultSource", "source", "Automatic Document Feeder"));
  e2e::useTestScanner();

  testing_support::Desktop desktop;
  ASSERT_TRUE(desktop.ok()) << "no X display";
  testing_support::Program program(desktop);
  ASSERT_TRUE(program.start());
  QString live = program.waitForWindow(kLiveTitle);
  ASSERT_FALSE(live.isEmpty()) << program.output().toStdString();

  program.activate(live);
  program.key("alt+t");
  const QString twain = program.waitForWindow(kTwainTitle);
  ASSERT_FALSE(twain.isEmpty()) << program.output().toStdString();
  EXPECT_TRUE(waitUntil([&] { return !program.hasWindow(kLiveTitle); }, 5000)) << "both capture windows are open";

  ASSERT_TRUE(program.waitForFocus(twain)) << "the scanner window does not have the keyboard focus";
  program.key("alt+o");
  const QDir dir(pictures);
  const QStringList pages = numbered(42, 51, ".jpg");
  EXPECT_TRUE(waitUntil([&] { return dir.entryList(QDir::Files) == pages; }, 60000))
      << dir.entryList(QDir::Files | QDir::Hidden).join(' ').toStdString();
  live = program.waitForWindow(kLiveTitle, 30000);
  ASSERT_FALSE(live.isEmpty()) << "the live window did not come back " << program.output().toStdString();
  EXPECT_TRUE(waitUntil([&] { return !program.hasWindow(kTwainTitle); }, 5000));
  for (const QString& name : pages) {
    QImageReader reader(pictures + "/" + name);
    EXPECT_EQ(reader.format(), "jpeg") << name.toStdString();
    EXPECT_EQ(reader.read().size(), QSize(590, 590)) << name.toStdString();  // 200 x 200 mm at 75 dpi
  }

  // The live window takes the numbering over from the last page.
  QTest::qWait(1000);  // let the test pattern deliver its first frames
  program.key("F12");
  const QString next = pictures + "/ZENO0052.jpg";
  EXPECT_TRUE(waitUntil([&] { return QFileInfo::exists(next); }, 10000)) << program.output().toStdString();
  EXPECT_TRUE(waitUntil([&] { return QImageReader(next).format() == "jpeg"; }, 10000));

  ASSERT_TRUE(program.closeAndWaitForExit(live)) << program.output().toStdString();
  EXPECT_EQ(program.exitCode(), 0);
  EXPECT_EQ(rt::GetSetting("ZENO", "PARAS", "Path", "<unset>"), next);
  EXPECT_EQ(dir.entryList(QDir::Files | QDir::Hidden), numbered(42, 52, ".jpg"));
}

}  // namespace
