// The video-source dialog's controls on a camera with automatic modes:
// live changes, Cancel, Defaults, the controls a mode governs, and the
// values kept per camera and put back at every open.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>

#include "platform/capture/source_dialog.h"
#include "platform/capture/stored_controls.h"
#include "window_fixture.h"

namespace {

using namespace capture;
using namespace capture_test;

constexpr std::uint32_t kBrightness = V4L2_CID_BRIGHTNESS, kAutoWhite = V4L2_CID_AUTO_WHITE_BALANCE,
                        kTemperature = V4L2_CID_WHITE_BALANCE_TEMPERATURE, kAutoExposure = V4L2_CID_EXPOSURE_AUTO,
                        kExposure = V4L2_CID_EXPOSURE_ABSOLUTE, kFocus = V4L2_CID_FOCUS_ABSOLUTE,
                        kAutoFocus = V4L2_CID_FOCUS_AUTO;

struct ControlsTest : WindowTest {
  testing_support::FakeDialogs dialogs;

  void SetUp() override {
    WindowTest::SetUp();
    // A camera as UVC ones are: manual values under automatic modes, which are on.
    camera.controls = {
        {fake::query(kBrightness, V4L2_CTRL_TYPE_INTEGER, "Brightness", 0, 255, 1, 128), 128, {}},
        {fake::query(kAutoWhite, V4L2_CTRL_TYPE_BOOLEAN, "White Balance, Auto", 0, 1, 1, 1), 1, {}},
        {fake::query(kTemperature, V4L2_CTRL_TYPE_INTEGER, "White Balance Temperature", 2800, 6500, 10, 4600), 4600, {},
         kAutoWhite, 0},
        {fake::query(kAutoExposure, V4L2_CTRL_TYPE_MENU, "Auto Exposure", 0, 3, 1, 3), 3,
         {"", "Manual Mode", "", "Aperture Priority Mode"}},
        {fake::query(kExposure, V4L2_CTRL_TYPE_INTEGER, "Exposure Time, Absolute", 3, 2047, 1, 250), 250, {},
         kAutoExposure, 1},
        {fake::query(kFocus, V4L2_CTRL_TYPE_INTEGER, "Focus, Absolute", 0, 250, 5, 0), 0, {}, kAutoFocus, 0},
        {fake::query(kAutoFocus, V4L2_CTRL_TYPE_BOOLEAN, "Focus, Auto", 0, 1, 1, 1), 1, {}},
    };
    use(kCameraKey);
    ASSERT_TRUE(connect());
  }

  int value(std::uint32_t id) { return camera.control(id)->value; }

  // Runs the dialog; `steps` act on it as the user does, `answer` closes it.
  int runDialog(const std::function<void(QDialog&)>& steps, int answer = QDialog::Accepted) {
    dialogs.onModal = [&](QDialog& dialog) {
      steps(dialog);
      return answer;
    };
    return int(send(WM_CAP_DLG_VIDEOSOURCE));
  }

  template <class W>
  static W* child(QDialog& dialog, const QString& name) {
    auto* w = dialog.findChild<W*>(name);
    EXPECT_NE(w, nullptr) << name.toStdString();
    return w;
  }
  static void choose(QDialog& dialog, const char* name, const QString& item) {
    auto* box = child<QComboBox>(dialog, QString("control:") + name);
    ASSERT_GE(box->findText(item), 0) << item.toStdString();
    box->setCurrentIndex(box->findText(item));
  }
  static bool enabled(QDialog& dialog, const char* name) {
    return child<QWidget>(dialog, QString("control:") + name)->isEnabled();
  }

  // The live window leaves for the scanner window and comes back: a new
  // capture window, connected again.
  void tripToScanner() {
    win::DestroyWindow(hwnd);
    testing_support::settle();
    hwnd = capCreateCaptureWindowA("Capture", win::WS_CHILD | win::WS_VISIBLE, 0, 0, 320, 240,
                                   win::handleOf(&host), 0);
    ASSERT_NE(hwnd, 0u);
    ASSERT_TRUE(connect());
  }
};

TEST_F(ControlsTest, ChangesActAtOnceAndCancelPutsThemBack) {
  const int answer = runDialog(
      [&](QDialog& dialog) {
        child<QSlider>(dialog, "control:Brightness")->setValue(200);
        EXPECT_EQ(value(kBrightness), 200);  // before OK
        EXPECT_EQ(child<QLabel>(dialog, "value:Brightness")->text(), "200");
        child<QCheckBox>(dialog, "control:White Balance, Auto")->setChecked(false);
        EXPECT_EQ(value(kAutoWhite), 0);
        choose(dialog, "Auto Exposure", "Manual Mode");
        EXPECT_EQ(value(kAutoExposure), 1);
        child<QSlider>(dialog, "control:Exposure Time, Absolute")->setValue(500 - 3);
        EXPECT_EQ(value(kExposure), 500);
      },
      QDialog::Rejected);
  EXPECT_EQ(answer, 0);
  EXPECT_EQ(value(kBrightness), 128);
  EXPECT_EQ(value(kAutoWhite), 1);
  EXPECT_EQ(value(kAutoExposure), 3);
  EXPECT_EQ(value(kExposure), 500);  // governed by the mode again: left as the device has it
  EXPECT_TRUE(storedControls(kCameraKey).empty());
}

TEST_F(ControlsTest, SlidersKeepToTheControlsSteps) {
  camera.control(kAutoFocus)->value = 0;
  runDialog([&](QDialog& dialog) {
    auto* focus = child<QSlider>(dialog, "control:Focus, Absolute");
    EXPECT_EQ(focus->maximum(), 50);  // 0..250 in steps of 5
    focus->setValue(7);
    EXPECT_EQ(value(kFocus), 35);
    EXPECT_EQ(child<QLabel>(dialog, "value:Focus, Absolute")->text(), "35");
  });
}

TEST_F(ControlsTest, DefaultsSetEveryControlToTheDevicesDefault) {
  camera.control(kBrightness)->value = 10;
  camera.control(kAutoFocus)->value = 0;
  camera.control(kFocus)->value = 100;
  camera.control(kAutoExposure)->value = 1;
  camera.control(kExposure)->value = 900;
  runDialog([&](QDialog& dialog) {
    child<QPushButton>(dialog, "defaults")->click();
    EXPECT_EQ(child<QSlider>(dialog, "control:Brightness")->value(), 128);
    EXPECT_FALSE(enabled(dialog, "Exposure Time, Absolute"));
  });
  EXPECT_EQ(value(kBrightness), 128);
  EXPECT_EQ(value(kAutoFocus), 1);
  EXPECT_EQ(value(kAutoExposure), 3);
  // Focus comes before its mode: set while the mode was still off.
  EXPECT_EQ(value(kFocus), 0);
}

TEST_F(ControlsTest, AControlIsDisabledWhileItsAutomaticModeIsOn) {
  runDialog([&](QDialog& dialog) {
    EXPECT_TRUE(enabled(dialog, "Brightness"));
    EXPECT_FALSE(enabled(dialog, "White Balance Temperature"));
    EXPECT_FALSE(child<QLabel>(dialog, "value:White Balance Temperature")->isEnabled());
    EXPECT_FALSE(enabled(dialog, "Exposure Time, Absolute"));
    EXPECT_FALSE(enabled(dialog, "Focus, Absolute"));

    child<QCheckBox>(dialog, "control:White Balance, Auto")->setChecked(false);
    EXPECT_TRUE(enabled(dialog, "White Balance Temperature"));
    choose(dialog, "Auto Exposure", "Manual Mode");
    EXPECT_TRUE(enabled(dialog, "Exposure Time, Absolute"));
    choose(dialog, "Auto Exposure", "Aperture Priority Mode");
    EXPECT_FALSE(enabled(dialog, "Exposure Time, Absolute"));

    // Another program turns automatic white balance back on: the device
    // says so with a control event.
    camera.changeControl(kAutoWhite, 1);
    EXPECT_TRUE(runUntil([&] { return !enabled(dialog, "White Balance Temperature"); }));
    EXPECT_TRUE(child<QCheckBox>(dialog, "control:White Balance, Auto")->isChecked());
    camera.changeControl(kBrightness, 77);
    EXPECT_TRUE(runUntil([&] { return child<QSlider>(dialog, "control:Brightness")->value() == 77; }));
  });
  EXPECT_FALSE(camera.subscribed.empty());
}

TEST_F(ControlsTest, ValuesAreKeptAndPutBackAtEveryOpen) {
  runDialog([&](QDialog& dialog) {
    child<QSlider>(dialog, "control:Brightness")->setValue(200);
    child<QCheckBox>(dialog, "control:Focus, Auto")->setChecked(false);
    child<QSlider>(dialog, "control:Focus, Absolute")->setValue(20);  // 100
    choose(dialog, "Auto Exposure", "Manual Mode");
    child<QSlider>(dialog, "control:Exposure Time, Absolute")->setValue(297);  // 300
  });
  const auto stored = storedControls(kCameraKey);
  EXPECT_EQ(stored.size(), 6u);  // all but the temperature, which automatic white balance governs

  // Whatever resets the camera (another program, a power cycle) is undone
  // at the next open, in whatever order the modes and values come.
  auto reset = [&] {
    for (fake::Control& c : camera.controls) c.value = c.query.default_value;
  };
  auto expectKept = [&](const char* when) {
    EXPECT_EQ(value(kBrightness), 200) << when;
    EXPECT_EQ(value(kAutoFocus), 0) << when;
    EXPECT_EQ(value(kFocus), 100) << when;
    EXPECT_EQ(value(kAutoExposure), 1) << when;
    EXPECT_EQ(value(kExposure), 300) << when;
  };
  reset();
  send(WM_CAP_DRIVER_DISCONNECT);
  ASSERT_TRUE(connect());
  expectKept("start-up");

  reset();
  tripToScanner();
  expectKept("back from the scanner window");

  camera.unplug();
  ASSERT_TRUE(runUntil([&] { return window()->state() == CaptureWindow::State::Lost; }));
  reset();
  camera.replug();
  ASSERT_TRUE(runUntil([&] { return window()->state() == CaptureWindow::State::Running; }, 10000));
  expectKept("the camera back");
}

TEST_F(ControlsTest, AValueWhoseControlChangedIsDropped) {
  runDialog([&](QDialog& dialog) {
    child<QSlider>(dialog, "control:Brightness")->setValue(200);
    child<QCheckBox>(dialog, "control:White Balance, Auto")->setChecked(false);
  });
  send(WM_CAP_DRIVER_DISCONNECT);
  // A firmware update: brightness now -64..64, automatic white balance a menu.
  camera.controls[0] = {fake::query(kBrightness, V4L2_CTRL_TYPE_INTEGER, "Brightness", -64, 64, 1, 0), 0, {}};
  camera.controls[1] = {fake::query(kAutoWhite, V4L2_CTRL_TYPE_MENU, "White Balance, Auto", 0, 1, 1, 1), 1,
                        {"Manual", "Auto"}};
  const int setsBefore = camera.sets;
  ASSERT_TRUE(connect());
  EXPECT_EQ(value(kBrightness), 0);
  EXPECT_EQ(value(kAutoWhite), 1);
  EXPECT_EQ(camera.sets, setsBefore);  // the rest was already as stored
  EXPECT_TRUE(Recorder::errors.empty());
}

TEST_F(ControlsTest, TheTestPatternKeepsItsControlsToo) {
  use(kTestPatternKey);
  send(WM_CAP_DRIVER_DISCONNECT);
  ASSERT_TRUE(connect());
  runDialog([&](QDialog& dialog) {
    choose(dialog, "Pattern", "Grey ramp");
    child<QSlider>(dialog, "control:Brightness")->setValue(-30 + 100);
  });
  tripToScanner();
  const std::vector<Control> controls = window()->device()->controls();
  EXPECT_EQ(controls[0].value, int(Pattern::GreyRamp));
  EXPECT_EQ(controls[1].value, -30);
}

}  // namespace
