#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QTest>

#include "platform/runtime/settings.h"
#include "support/desktop.h"
#include "support/test_env.h"

namespace {

const QString kLiveTitle = "^Orvalux Video Image Capture 1.22$";
const QString kTwainTitle = "^Orvalux Video Image Capture 1.22 - Twain Capture$";

// SANE's test backend as the only scanner, for the program started next.
void useTestScanner() {
  const QString dir = testing_support::freshDir("sane");
  QFile dll(dir + "/dll.conf");
  ASSERT_TRUE(dll.open(QIODevice::WriteOnly));
  dll.write("test\n");
  dll.close();
  QFile conf(dir + "/test.conf");
  ASSERT_TRUE(conf.open(QIODevice::WriteOnly));
  conf.write("number_of_devices 1\nresolution 50\ntest-picture \"Color pattern\"\n");
  conf.close();
  qputenv("SANE_CONFIG_DIR", dir.toUtf8());
}

QStringList numbered(int first, int last, const QString& ext) {
  QStringList names;
  for (int n = first; n <= last; ++n) names << QString("ZENO%1%2").arg(n, 4, 10, QChar('0')).arg(ext);
  return names;
}

bool waitFor(const std::function<bool()>& done, int timeoutMs) {
  for (int waited = 0; waited < timeoutMs; waited += 100) {
    if (done()) return true;
    QTest::qWait(100);
  }
  return done();
}

TEST(TwainWindow, FeederRunWritesTenPagesAndReturnsToTheLiveWindowWhichContinuesTheNumbering) {
  QDir(testing_support::configDir()).removeRecursively();
  QDir(testing_support::picturesDir()).removeRecursively();
  const QString pictures = testing_support::picturesDir();
  ASSERT_TRUE(rt::SaveSetting("ZENO", "PARAS", "Path", pictures + "/ZENO0041.jpg"));
  ASSERT_TRUE(rt::SaveSetting("scanner", "DefaultSource", "device", "test:0"));
  ASSERT_TRUE(rt::SaveSetting("scanner", "DefaultSource", "source", "Automatic Document Feeder"));
  useTestScanner();

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
  EXPECT_TRUE(waitFor([&] { return !program.hasWindow(kLiveTitle); }, 5000)) << "both capture windows are open";

  ASSERT_TRUE(program.waitForFocus(twain)) << "the scanner window does not have the keyboard focus";
  program.key("alt+o");
  const QDir dir(pictures);
  const QStringList pages = numbered(42, 51, ".jpg");
  EXPECT_TRUE(waitFor([&] { return dir.entryList(QDir::Files) == pages; }, 60000))
      << dir.entryList(QDir::Files | QDir::Hidden).join(' ').toStdString();
  live = program.waitForWindow(kLiveTitle, 30000);
  ASSERT_FALSE(live.isEmpty()) << "the live window did not come back " << program.output().toStdString();
  EXPECT_TRUE(waitFor([&] { return !program.hasWindow(kTwainTitle); }, 5000));
  for (const QString& name : pages) {
    QImageReader reader(pictures + "/" + name);
    EXPECT_EQ(reader.format(), "jpeg") << name.toStdString();
    EXPECT_EQ(reader.read().size(), QSize(157, 196)) << name.toStdString();
  }

  // The live window takes the numbering over from the last page.
  QTest::qWait(1000);  // let the test pattern deliver its first frames
  program.key("F12");
  const QString next = pictures + "/ZENO0052.jpg";
  EXPECT_TRUE(waitFor([&] { return QFileInfo::exists(next); }, 10000)) << program.output().toStdString();
  EXPECT_TRUE(waitFor([&] { return QImageReader(next).format() == "jpeg"; }, 10000));

  ASSERT_TRUE(program.closeAndWaitForExit(live)) << program.output().toStdString();
  EXPECT_EQ(program.exitCode(), 0);
  EXPECT_EQ(rt::GetSetting("ZENO", "PARAS", "Path", "<unset>"), next);
  EXPECT_EQ(dir.entryList(QDir::Files | QDir::Hidden), numbered(42, 52, ".jpg"));
}

}  // namespace
