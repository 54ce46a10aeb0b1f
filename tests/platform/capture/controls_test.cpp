// The video-source dialog's controls on a camera with automatic modes:
// live changes, Cancel, Defaults, the controls a mode governs, and the
// values kept per camera and put back at every open.
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>

#include "platform/capture/stored_controls.h"
#include "window_fixture.h"

namespace {

using namespace capture;
using namespace capture_test;

constexpr std::uint32_t kBrightness = V4L2_CID_BRIGHTNESS, kAutoWhite = V4L2_CID_AUTO_WHITE_BALANCE,
                        kTemperature = V4L2_CID_WHITE_BALANCE_TEMPERATURE, kAutoExposure = V4L2_CID_EXPOSURE_AUTO,
                        kExposure = V4L2_CID_EXPOSURE_ABSOLUTE, kFocus = V4L2_CID_FOCUS_ABSOLUTE,
                        kAutoFocus = V4L2_CID_FOCUS_AUTO;
const char *const kTemperatureName = "White Balance Temperature", *const kExposureName = "Exposure Time, Absolute";

struct ControlsTest : DialogTest {
  void SetUp() override {
    WindowTest::SetUp();
    // As UVC cameras have them: manual values under automatic modes, which
    // are on; the focus is listed before its mode.
    camera.controls = {
        {fake::query(kBrightness, V4L2_CTRL_TYPE_INTEGER, "Brightness", 0, 255, 1, 128), 128, {}},
        {fake::query(kAutoWhite, V4L2_CTRL_TYPE_BOOLEAN, "White Balance, Auto", 0, 1, 1, 1), 1, {}},
        {fake::query(kTemperature, V4L2_CTRL_TYPE_INTEGER, kTemperatureName, 2800, 6500, 10, 4600), 4600, {},
         kAutoWhite, 0},
        {fake::query(kAutoExposure, V4L2_CTRL_TYPE_MENU, "Auto Exposure", 0, 3, 1, 3), 3,
         {"", "Manual Mode", "", "Aperture Priority Mode"}},
        {fake::query(kExposure, V4L2_CTRL_TYPE_INTEGER, kExposureName, 3, 2047, 1, 250), 250, {}, kAutoExposure, 1},
        {fake::query(kFocus, V4L2_CTRL_TYPE_INTEGER, "Focus, Absolute", 0, 250, 5, 0), 0, {}, kAutoFocus, 0},
        {fake::query(kAutoFocus, V4L2_CTRL_TYPE_BOOLEAN, "Focus, Auto", 0, 1, 1, 1), 1, {}},
    };
    use(kCameraKey);
    ASSERT_TRUE(connect());
  }

  int value(std::uint32_t id) { return camera.control(id)->value; }
  using Values = std::initializer_list<std::pair<std::uint32_t, int>>;
  void expectValues(Values expected, const char* when = "") {
    for (const auto& [id, v] : expected)
      EXPECT_EQ(value(id), v) << when << ": " << reinterpret_cast<const char*>(camera.control(id)->query.name);
  }
  template <class W = QWidget>
  static W* control(QDialog& dialog, const QString& name) {
    return child<W>(dialog, "control:" + name);
  }
  static void tick(QDialog& dialog, const QString& name, bool on) { control<QCheckBox>(dialog, name)->setChecked(on); }
  static void slide(QDialog& dialog, const QString& name, int position) {
    control<QSlider>(dialog, name)->setValue(position);
  }
  static bool enabled(QDialog& dialog, const QString& name) { return control(dialog, name)->isEnabled(); }
};

TEST_F(ControlsTest, ChangesActAtOnceAndCancelPutsThemBack) {
  const int answer = runDialog(WM_CAP_DLG_VIDEOSOURCE,
      [&](QDialog& dialog) {
        slide(dialog, "Brightness", 200);
        EXPECT_EQ(value(kBrightness), 200);  // before OK
        tick(dialog, "White Balance, Auto", false);
        pick(control<QComboBox>(dialog, "Auto Exposure"), "Manual Mode");
        slide(dialog, kExposureName, 500 - 3);
        expectValues({{kAutoWhite, 0}, {kAutoExposure, 1}, {kExposure, 500}}, "in the dialog");
      },
      QDialog::Rejected);
  EXPECT_EQ(answer, 0);
  // The exposure is governed by its mode again: its value is the device's.
  expectValues({{kBrightness, 128}, {kAutoWhite, 1}, {kAutoExposure, 3}, {kExposure, 500}}, "cancelled");
  EXPECT_TRUE(storedControls(kCameraKey).empty());
}

TEST_F(ControlsTest, SlidersKeepToTheStepsAndDefaultsSetEveryControl) {
  camera.control(kBrightness)->value = 10;
  camera.control(kAutoFocus)->value = 0;
  camera.control(kAutoExposure)->value = 1;
  runDialog(WM_CAP_DLG_VIDEOSOURCE, [&](QDialog& dialog) {
    EXPECT_EQ(control<QSlider>(dialog, "Focus, Absolute")->maximum(), 50);  // 0..250 in steps of 5
    slide(dialog, "Focus, Absolute", 7);
    EXPECT_EQ(value(kFocus), 35);
    EXPECT_EQ(child<QLabel>(dialog, "value:Focus, Absolute")->text(), "35");

    child<QPushButton>(dialog, "defaults")->click();
    EXPECT_EQ(control<QSlider>(dialog, "Brightness")->value(), 128);
    EXPECT_FALSE(enabled(dialog, kExposureName));
  });
  // The focus was set before its mode, while that was still off.
  expectValues({{kBrightness, 128}, {kAutoFocus, 1}, {kAutoExposure, 3}, {kFocus, 0}}, "defaults");
}

TEST_F(ControlsTest, AControlIsDisabledWhileItsAutomaticModeIsOn) {
  runDialog(WM_CAP_DLG_VIDEOSOURCE, [&](QDialog& dialog) {
    EXPECT_TRUE(enabled(dialog, "Brightness"));
    for (const char* governed : {kTemperatureName, kExposureName, "Focus, Absolute"})
      EXPECT_FALSE(enabled(dialog, governed)) << governed;
    EXPECT_FALSE(child<QLabel>(dialog, QString("value:") + kTemperatureName)->isEnabled());

    tick(dialog, "White Balance, Auto", false);
    EXPECT_TRUE(enabled(dialog, kTemperatureName));
    pick(control<QComboBox>(dialog, "Auto Exposure"), "Manual Mode");
    EXPECT_TRUE(enabled(dialog, kExposureName));
    pick(control<QComboBox>(dialog, "Auto Exposure"), "Aperture Priority Mode");
    EXPECT_FALSE(enabled(dialog, kExposureName));

    // Another program turns automatic white balance back on and changes
    // the brightness: the device says so with control events.
    camera.changeControl(kAutoWhite, 1);
    camera.changeControl(kBrightness, 77);
    EXPECT_TRUE(runUntil([&] { return !enabled(dialog, kTemperatureName); }));
    EXPECT_TRUE(control<QCheckBox>(dialog, "White Balance, Auto")->isChecked());
    EXPECT_TRUE(runUntil([&] { return control<QSlider>(dialog, "Brightness")->value() == 77; }));
  });
}

TEST_F(ControlsTest, ValuesAreKeptAndPutBackAtEveryOpen) {
  runDialog(WM_CAP_DLG_VIDEOSOURCE, [&](QDialog& dialog) {
    slide(dialog, "Brightness", 200);
    tick(dialog, "Focus, Auto", false);
    slide(dialog, "Focus, Absolute", 20);  // 100
    pick(control<QComboBox>(dialog, "Auto Exposure"), "Manual Mode");
    slide(dialog, kExposureName, 297);  // 300
  });
  EXPECT_EQ(storedControls(kCameraKey).size(), 6u);  // not the temperature, which its mode governs

  // Whatever reset the camera (another program, a power cycle) is undone
  // at the next open, whatever the order of the modes and their values.
  auto reset = [&] {
    for (fake::Control& c : camera.controls) c.value = c.query.default_value;
  };
  const Values kept = {{kBrightness, 200}, {kAutoFocus, 0}, {kFocus, 100}, {kAutoExposure, 1}, {kExposure, 300}};
  reset();
  send(WM_CAP_DRIVER_DISCONNECT);
  ASSERT_TRUE(connect());
  expectValues(kept, "start-up");

  // The live window leaves for the scanner window and comes back: a new capture window.
  reset();
  closeWindow();
  openWindow();
  ASSERT_TRUE(connect());
  expectValues(kept, "back from the scanner window");

  camera.unplug();
  ASSERT_TRUE(runUntil([&] { return window()->state() == CaptureWindow::State::Lost; }));
  reset();
  camera.replug();
  ASSERT_TRUE(runUntil([&] { return window()->state() == CaptureWindow::State::Running; }, 10000));
  expectValues(kept, "the camera back");
}

TEST_F(ControlsTest, AValueWhoseControlChangedIsDropped) {
  runDialog(WM_CAP_DLG_VIDEOSOURCE, [&](QDialog& dialog) {
    slide(dialog, "Brightness", 200);
    tick(dialog, "White Balance, Auto", false);
  });
  send(WM_CAP_DRIVER_DISCONNECT);
  // A firmware update: brightness now -64..64, automatic white balance a menu.
  camera.controls[0] = {fake::query(kBrightness, V4L2_CTRL_TYPE_INTEGER, "Brightness", -64, 64, 1, 0), 0, {}};
  camera.controls[1] = {fake::query(kAutoWhite, V4L2_CTRL_TYPE_MENU, "White Balance, Auto", 0, 1, 1, 1), 1,
                        {"Manual", "Auto"}};
  const int setsBefore = camera.sets;
  ASSERT_TRUE(connect());
  expectValues({{kBrightness, 0}, {kAutoWhite, 1}});
  EXPECT_EQ(camera.sets, setsBefore);  // the rest was already as stored
  EXPECT_TRUE(Recorder::errors.empty());
}

}  // namespace
