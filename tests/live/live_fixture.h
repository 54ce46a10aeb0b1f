#pragma once

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QTest>

#include "app/Public.h"
#include "app/forms.h"
#include "about/frmAbout.h"
#include "fake_capture_window.h"
#include "live/form1.h"
#include "platform/runtime/settings.h"
#include "support/test_env.h"

namespace testing_support {

// A live window loaded the way the controller loads it, in a fresh private
// settings and Pictures folder.
struct LiveWindowTest : ::testing::Test {
  void SetUp() override {
    QDir(configDir()).removeRecursively();
    QDir(picturesDir()).removeRecursively();
    app::ResetAppState();
    app::form1.setFactory([] { return std::make_unique<live::form1>(); });
    app::frmAbout.setFactory([] { return std::make_unique<about::frmAbout>(); });
  }
  void TearDown() override {
    app::UnloadAll();
    settle();
    FakeCaptureWindow::uninstall();
  }
  live::form1& show() {
    app::form1.Show();
    settle();
    return window();
  }
  live::form1& window() { return static_cast<live::form1&>(app::form1.get()); }
  static void wait(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) QTest::qWait(10);
  }
  FakeDialogs dialogs;
};

}  // namespace testing_support
