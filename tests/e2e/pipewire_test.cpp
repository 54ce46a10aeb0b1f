// The real binary on a desktop whose camera is a PipeWire node.
#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QTest>

#include "e2e_steps.h"
#include "platform/runtime/settings.h"
#include "support/desktop.h"
#include "support/pipewire_desktop.h"
#include "support/test_env.h"

namespace {

TEST(PipeWireCamera, ChosenWithTheKeyboardInVideoSourceAndCaptured) {
  QDir(testing_support::configDir()).removeRecursively();
  QDir(testing_support::picturesDir()).removeRecursively();
  testing_support::PipeWireDesktop cameras;  // the program started below inherits its folders
  ASSERT_TRUE(cameras.ok()) << cameras.problem().toStdString();
  ASSERT_TRUE(cameras.createCamera("vic-cam", "Desk Camera"));
  // The test pattern was chosen last time (else the first camera listed is shown).
  ASSERT_TRUE(rt::SaveSetting("capture", "device", "path", "test-pattern"));
  testing_support::Desktop desktop;
  ASSERT_TRUE(desktop.ok()) << "no X display";
  testing_support::Program program(desktop);
  const QString window = e2e::startLive(program);
  ASSERT_FALSE(window.isEmpty()) << program.output().toStdString();
  QTest::qWait(1000);
  program.activate(window);

  // The list: the PipeWire camera, then the test pattern, which is shown.
  program.key("ctrl+s");
  const QString dialog = program.waitForWindow("^Video Source$", 20000);
  ASSERT_FALSE(dialog.isEmpty()) << program.output().toStdString();
  program.key("Up");
  program.key("Return");
  ASSERT_TRUE(testing_support::waitUntil(
      [] { return rt::GetSetting("capture", "device", "path", QString()) == "pipewire:vic-cam"; }, 20000))
      << program.output().toStdString();

  ASSERT_TRUE(program.waitForFocus(window));
  program.key("F12");
  const QString path = testing_support::picturesDir() + "/MOR0001.bmp";
  ASSERT_TRUE(testing_support::waitUntil([&] { return QFileInfo::exists(path); }, 20000))
      << program.output().toStdString();
  const QImage picture = QImageReader(path).read();
  ASSERT_EQ(picture.size(), QSize(640, 480));
  // The test pattern ends in a black caption band; the camera's picture does not.
  EXPECT_NE(QColor(picture.pixel(5, 475)), QColor(Qt::black));
  ASSERT_TRUE(program.closeAndWaitForExit(window));
}

}  // namespace
