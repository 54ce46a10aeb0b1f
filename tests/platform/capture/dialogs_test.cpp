#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QSlider>

#include "jpeg_frames.h"
#include "platform/capture/pixels.h"
#include "window_fixture.h"

namespace {

using namespace capture;
using namespace capture_test;

TEST_F(DialogTest, FormatDialogAppliesTheChosenSizeAndRemembersIt) {
  use(kTestPatternKey);
  EXPECT_EQ(send(WM_CAP_DLG_VIDEOFORMAT), 0);  // nothing connected: no dialog
  EXPECT_EQ(dialogs.modalCount, 0);
  ASSERT_TRUE(connect());

  QStringList offered;
  dialogs.onModal = [&](QDialog& dialog) {
    auto* sizes = child<QComboBox>(dialog, "frameSize");
    for (int i = 0; i < sizes->count(); ++i) offered << sizes->itemText(i);
    EXPECT_EQ(sizes->currentText(), "640 x 480");
    EXPECT_TRUE(child<QComboBox>(dialog, "pixelFormat")->isHidden());
    pick(sizes, "320 x 240");
    return int(QDialog::Accepted);
  };
  EXPECT_NE(send(WM_CAP_DLG_VIDEOFORMAT), 0);
  EXPECT_EQ(offered, (QStringList{"320 x 240", "640 x 480", "800 x 600", "1024 x 768", "1280 x 960", "1280 x 720"}));
  EXPECT_EQ(status().uiImageWidth, 320u);
  EXPECT_EQ(Recorder::status.back().id, kStatusFormatChanged);
  EXPECT_EQ(Recorder::status.back().text, "Test pattern: now 320 x 240");
  ASSERT_TRUE(rememberedFormat(kTestPatternKey).has_value());
  EXPECT_EQ(rememberedFormat(kTestPatternKey)->size, QSize(320, 240));

  // Cancel changes nothing.
  dialogs.onModal = [&](QDialog& dialog) {
    pick(child<QComboBox>(dialog, "frameSize"), "1280 x 960");
    return int(QDialog::Rejected);
  };
  EXPECT_EQ(send(WM_CAP_DLG_VIDEOFORMAT), 0);
  EXPECT_EQ(status().uiImageWidth, 320u);

  // The remembered size comes back with the next connection.
  send(WM_CAP_DRIVER_DISCONNECT);
  ASSERT_TRUE(connect());
  EXPECT_EQ(status().uiImageWidth, 320u);
}

TEST_F(DialogTest, FormatDialogOffersACamerasPixelFormats) {
  use(kCameraKey);
  ASSERT_TRUE(connect());
  dialogs.onModal = [&](QDialog& dialog) {
    auto* formats = child<QComboBox>(dialog, "pixelFormat");
    EXPECT_FALSE(formats->isHidden());
    EXPECT_EQ(formats->count(), 2);  // automatic, and the camera's own YUYV
    pick(formats, "YUYV - YUYV format");
    pick(child<QComboBox>(dialog, "frameSize"), "1280 x 960");
    return int(QDialog::Accepted);
  };
  EXPECT_NE(send(WM_CAP_DLG_VIDEOFORMAT), 0);
  EXPECT_EQ(camera.format.pixelformat, kYuyv);
  EXPECT_EQ(camera.format.width, 1280u);
  EXPECT_EQ(status().uiImageHeight, 960u);
  ASSERT_TRUE(camera.pushColour(Qt::white));
  ASSERT_TRUE(runUntil([&] { return window()->newestFrame().width() == 1280; }));
}

TEST_F(DialogTest, FormatTheDeviceRefusesIsReportedAndTheOldOneKept) {
  use(kCameraKey);
  ASSERT_TRUE(connect());
  camera.formats.push_back({kGrey, {{640, 480}}});
  camera.refused = kGrey;  // listed, but setting it gives the first format instead
  dialogs.onModal = [&](QDialog& dialog) {
    pick(child<QComboBox>(dialog, "pixelFormat"), "GREY - GREY format");
    return int(QDialog::Accepted);
  };
  EXPECT_EQ(send(WM_CAP_DLG_VIDEOFORMAT), 0);
  EXPECT_EQ(Recorder::errors.back().id, kErrorUnsupportedFormat);
  EXPECT_EQ(window()->state(), CaptureWindow::State::Running);
  EXPECT_EQ(status().uiImageWidth, 640u);
}

TEST_F(DialogTest, SourceDialogSetsThePatternsControls) {
  use(kTestPatternKey);
  ASSERT_TRUE(connect());
  dialogs.onModal = [&](QDialog& dialog) {
    EXPECT_EQ(child<QComboBox>(dialog, "device")->currentText(), "Test pattern");
    child<QSlider>(dialog, "control:Brightness")->setValue(-40 + 100);
    pick(child<QComboBox>(dialog, "control:Pattern"), "Grey ramp");
    return int(QDialog::Accepted);
  };
  EXPECT_NE(send(WM_CAP_DLG_VIDEOSOURCE), 0);
  const std::vector<Control> controls = window()->device()->controls();
  EXPECT_EQ(controls[0].value, int(Pattern::GreyRamp));
  EXPECT_EQ(controls[1].value, -40);

  dialogs.onModal = [&](QDialog& dialog) {
    child<QSlider>(dialog, "control:Brightness")->setValue(90 + 100);
    return int(QDialog::Rejected);
  };
  EXPECT_EQ(send(WM_CAP_DLG_VIDEOSOURCE), 0);
  EXPECT_EQ(window()->device()->controls()[1].value, -40);

  // Kept for the pattern too: a new window puts them back.
  closeWindow();
  openWindow();
  ASSERT_TRUE(connect());
  EXPECT_EQ(window()->device()->controls()[0].value, int(Pattern::GreyRamp));
  EXPECT_EQ(window()->device()->controls()[1].value, -40);
}

TEST_F(DialogTest, SourceDialogSwitchesTheDeviceAndRemembersIt) {
  use(kTestPatternKey);
  ASSERT_TRUE(connect());
  dialogs.onModal = [&](QDialog& dialog) {
    auto* device = child<QComboBox>(dialog, "device");
    EXPECT_EQ(device->count(), 2);
    pick(device, "Fake Camera");
    EXPECT_FALSE(child<QGroupBox>(dialog, "controls")->isEnabled());
    return int(QDialog::Accepted);
  };
  EXPECT_NE(send(WM_CAP_DLG_VIDEOSOURCE), 0);
  EXPECT_EQ(rememberedDevice(), kCameraKey);
  EXPECT_TRUE(QFile::exists(testing_support::configDir() + "/capture.ini"));
  EXPECT_EQ(Recorder::status.back().text, "Fake Camera: 640 x 480");
  EXPECT_EQ(camera.openPorts, 1);

  // The camera's own controls appear once it is the device.
  dialogs.onModal = [&](QDialog& dialog) {
    child<QSlider>(dialog, "control:Brightness")->setValue(7);
    EXPECT_EQ(child<QComboBox>(dialog, "control:Power Line Frequency")->currentText(), "50 Hz");
    return int(QDialog::Accepted);
  };
  EXPECT_NE(send(WM_CAP_DLG_VIDEOSOURCE), 0);
  EXPECT_EQ(camera.controls[0].value, 7);

  // Back to the pattern: the camera is released.
  dialogs.onModal = [&](QDialog& dialog) {
    pick(child<QComboBox>(dialog, "device"), "Test pattern");
    return int(QDialog::Accepted);
  };
  EXPECT_NE(send(WM_CAP_DLG_VIDEOSOURCE), 0);
  EXPECT_EQ(rememberedDevice(), kTestPatternKey);
  EXPECT_EQ(camera.openPorts, 0);
}

TEST_F(DialogTest, SourceDialogConnectsAndShowsWhenNothingWasConnected) {
  use(kCameraKey);
  camera.busyError = EBUSY;
  ASSERT_FALSE(connect());
  dialogs.onModal = [&](QDialog& dialog) {
    auto* device = child<QComboBox>(dialog, "device");
    EXPECT_EQ(device->currentText(), "Fake Camera");
    pick(device, "Test pattern");
    return int(QDialog::Accepted);
  };
  EXPECT_NE(send(WM_CAP_DLG_VIDEOSOURCE), 0);
  EXPECT_EQ(window()->state(), CaptureWindow::State::Running);
  const CAPSTATUS st = status();
  EXPECT_NE(st.fLiveWindow, 0);
  EXPECT_NE(st.fScale, 0);

  // Picking the busy camera fails, is reported, and the pattern stays.
  dialogs.onModal = [&](QDialog& dialog) {
    pick(child<QComboBox>(dialog, "device"), "Fake Camera");
    return int(QDialog::Accepted);
  };
  EXPECT_EQ(send(WM_CAP_DLG_VIDEOSOURCE), 0);
  EXPECT_EQ(Recorder::errors.back().id, kErrorBusy);
  EXPECT_EQ(window()->device()->name(), "Test pattern");
  EXPECT_EQ(window()->state(), CaptureWindow::State::Running);
  EXPECT_EQ(rememberedDevice(), kTestPatternKey);
}

TEST_F(DialogTest, ACamerasJpegIsKeptAsItIsUnlessTurnedOff) {
  camera.formats = {{kYuyv, {{640, 480}}}, {kMjpeg, {{640, 480}}}, {kRgb24, {{640, 480}}, true}};
  use(kCameraKey);
  ASSERT_TRUE(connect());
  EXPECT_FALSE(window()->cameraJpeg().has_value());  // YUYV frames: nothing to keep
  // `keep`: the box to tick or not, nothing where it must be hidden; it shows the kept choice, on by default.
  auto chooseFormat = [&](const QString& format, std::optional<bool> keep) {
    runDialog(WM_CAP_DLG_VIDEOFORMAT, [&](QDialog& dialog) {
      auto* box = child<QCheckBox>(dialog, "keepJpeg");
      pick(child<QComboBox>(dialog, "pixelFormat"), format);
      EXPECT_EQ(box->isHidden(), !keep.has_value()) << format.toStdString();
      if (!keep) return;
      EXPECT_TRUE(box->isChecked());
      box->setChecked(*keep);
    });
  };
  chooseFormat("YUYV - YUYV format", std::nullopt);
  chooseFormat("MJPG - MJPG format", true);
  EXPECT_TRUE(keepsCameraJpeg(kCameraKey));

  const capture_test::Bytes frame = capture_test::cameraFrame({640, 480}, 3);
  ASSERT_TRUE(camera.push(frame));
  ASSERT_TRUE(waitForFrame());
  const auto kept = capCameraJpeg(hwnd);
  ASSERT_TRUE(kept.has_value());
  ASSERT_TRUE(std::holds_alternative<capture_test::Bytes>(*kept));
  EXPECT_EQ(capture_test::entropyData(std::get<capture_test::Bytes>(*kept)), capture_test::entropyData(frame));

  chooseFormat("MJPG - MJPG format", false);
  EXPECT_FALSE(keepsCameraJpeg(kCameraKey));
  EXPECT_FALSE(capCameraJpeg(hwnd).has_value());
  EXPECT_FALSE(capCameraJpeg(win::handleOf(&host)).has_value());  // not a capture window
  EXPECT_TRUE(keepsCameraJpeg(kTestPatternKey));  // per device
}

}  // namespace
