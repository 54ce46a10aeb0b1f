#pragma once
// The live window on a fake camera or the test pattern, in fresh private
// settings and Pictures folders, with the message boxes recorded.

#include <gtest/gtest.h>

#include <QDir>

#include "../platform/capture/window_fixture.h"
#include "app/Public.h"
#include "app/forms.h"
#include "platform/runtime/settings.h"
#include "live/capture_window.h"
#include "live/form1.h"
#include "qt_printers.h"
#include "support/test_env.h"

namespace faults {

struct LiveFaultTest : ::testing::Test {
  void SetUp() override {
    capture::setDeviceCatalog(&catalog);
    QDir(testing_support::configDir()).removeRecursively();
    QDir(testing_support::picturesDir()).removeRecursively();
    app::ResetAppState();
    rt::ForgetToldSettings();
    dialogs.messages.clear();
    app::form1.setFactory([] { return std::make_unique<live::form1>(); });
  }
  void TearDown() override {
    app::UnloadAll();
    testing_support::settle();
    live::setCaptureWindowFactory({});
    capture::setDeviceCatalog(nullptr);
  }

  // The live window showing `device` with its first frame in.
  live::form1& showLive(const QString& device = capture::kTestPatternKey) {
    capture::rememberDevice(device);
    capture::rememberFormat(device, {{320, 240}, 0});
    app::form1.Show();
    testing_support::settle();
    if (device == capture_test::kCameraKey) {
      EXPECT_TRUE(camera.pushColour(Qt::red));
    }
    EXPECT_TRUE(capture_test::runUntil([&] { return captureWindow() && !captureWindow()->newestFrame().isNull(); }))
        << "no frame";
    return live();
  }
  static live::form1& live() { return static_cast<live::form1&>(app::form1.get()); }
  static capture::CaptureWindow* captureWindow() {
    return dynamic_cast<capture::CaptureWindow*>(win::widgetOf(app::AppState.hCapWnd));
  }
  static void capture(int times = 1) {
    for (int i = 0; i < times; ++i) live().mnuCapFrame->trigger();
  }
  static QString pictures(const QString& name) { return testing_support::picturesDir() + "/" + name; }
  QStringList prompts() const {
    QStringList all;
    for (const auto& m : dialogs.messages) all << m.prompt;
    return all;
  }

  fake::Camera camera;
  capture_test::FakeCatalog catalog{camera};
  testing_support::FakeDialogs dialogs;
};

}  // namespace faults
