#include <gtest/gtest.h>

#include <cerrno>

#include "capture_test_util.h"
#include "fake_v4l2.h"
#include "jpeg_frames.h"
#include "platform/capture/mjpeg.h"
#include "platform/capture/pixels.h"
#include "platform/capture/v4l2_camera.h"

namespace {

using namespace capture;
using namespace capture_test;

struct RecordingSink : DeviceSink {
  void frameReady(const QImage& frame) override { frames.push_back(frame); }
  void deviceLost(DeviceError why) override {
    lost.push_back(why);
    if (onLost) onLost();
  }
  std::vector<QImage> frames;
  std::vector<DeviceError> lost;
  std::function<void()> onLost;
};

struct CameraTest : ::testing::Test {
  fake::Camera camera;
  RecordingSink sink;
  std::unique_ptr<V4l2Camera> device = std::make_unique<V4l2Camera>("/dev/video0", "Fake Camera", camera.opener());

  void TearDown() override {
    device.reset();
    runPending();
    EXPECT_EQ(camera.openPorts, 0);
    EXPECT_EQ(camera.mapped, 0);
  }
};

TEST(CommonSizes, WithinARangeAndOnItsSteps) {
  EXPECT_EQ(commonSizesWithin({320, 240}, {800, 600}, {16, 16}),
            (std::vector<QSize>{{320, 240}, {352, 288}, {640, 480}}));  // 800 x 600 is off the steps
  EXPECT_EQ(commonSizesWithin({320, 240}, {1920, 1080}, {1, 1}).size(), 10u);
  EXPECT_EQ(commonSizesWithin({200, 150}, {300, 200}, {1, 1}), (std::vector<QSize>{{300, 200}}));
}

TEST_F(CameraTest, NegotiatesTheNearestSizeInConvertedRgb) {
  struct Case {
    std::vector<QSize> offered;
    QSize expected;
  } cases[] = {
      {{{320, 240}, {640, 480}, {1280, 960}}, {640, 480}},
      {{{320, 240}, {800, 600}}, {800, 600}},
      {{{160, 120}}, {160, 120}},
  };
  for (const auto& c : cases) {
    camera.formats = {{kYuyv, c.offered}, {kRgb24, c.offered, true}};
    ASSERT_EQ(device->start(sink), DeviceError::None);
    EXPECT_EQ(device->frameSize(), c.expected);
    EXPECT_EQ(camera.format.pixelformat, kRgb24);
    EXPECT_TRUE(camera.streaming);
    EXPECT_EQ(device->bufferCount(), 3u);
    device->stop();
    EXPECT_EQ(camera.openPorts, 0);
  }
}

TEST_F(CameraTest, FramesArriveThroughTheNotifier) {
  ASSERT_EQ(device->start(sink), DeviceError::None);
  ASSERT_TRUE(camera.pushColour(QColor(200, 30, 40)));
  ASSERT_TRUE(runUntil([&] { return !sink.frames.empty(); }));
  const QImage& frame = sink.frames.front();
  EXPECT_EQ(frame.size(), QSize(640, 480));
  EXPECT_EQ(frame.format(), QImage::Format_RGB32);
  EXPECT_EQ(frame.pixel(639, 479), qRgb(200, 30, 40));
  // Buffers go back to the device: more frames than buffers keep coming.
  for (int i = 0; i < 7; ++i) {
    ASSERT_TRUE(camera.pushColour(QColor(i, i, i)));
    ASSERT_TRUE(runUntil([&] { return sink.frames.size() == std::size_t(i + 2); }));
  }
  EXPECT_EQ(sink.frames.back().pixel(0, 0), qRgb(6, 6, 6));
}

TEST_F(CameraTest, OnlyTheNewestWaitingFrameIsShownAndGapsCountAsDropped) {
  ASSERT_EQ(device->start(sink), DeviceError::None);
  ASSERT_TRUE(camera.pushColour(QColor(10, 10, 10)));
  std::vector<std::uint8_t> bytes(camera.format.sizeimage, 20);
  ASSERT_TRUE(camera.push(bytes, /*skip*/ 2));
  ASSERT_TRUE(camera.pushColour(QColor(30, 30, 30)));
  runUntil([&] { return !sink.frames.empty(); });
  runPending();
  ASSERT_EQ(sink.frames.size(), 1u);
  EXPECT_EQ(sink.frames[0].pixel(5, 5), qRgb(30, 30, 30));
  EXPECT_EQ(device->droppedFrames(), 2u);
}

TEST_F(CameraTest, FramesMarkedBadAreSkipped) {
  ASSERT_EQ(device->start(sink), DeviceError::None);
  ASSERT_TRUE(camera.push(std::vector<std::uint8_t>(camera.format.sizeimage, 99), 0, /*errorFlag*/ true));
  runUntil([&] { return !sink.frames.empty(); }, 200);
  EXPECT_TRUE(sink.frames.empty());
  ASSERT_TRUE(camera.pushColour(QColor(1, 2, 3)));
  ASSERT_TRUE(runUntil([&] { return !sink.frames.empty(); }));
  EXPECT_EQ(sink.frames[0].pixel(0, 0), qRgb(1, 2, 3));
}

TEST_F(CameraTest, StartFailuresNameTheirCause) {
  struct Case {
    const char* name;
    int openError, busyError;
    std::uint32_t caps;
    DeviceError expected;
  } cases[] = {
      {"busy", 0, EBUSY, V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_STREAMING, DeviceError::Busy},
      {"no permission", EACCES, 0, V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_STREAMING, DeviceError::PermissionDenied},
      {"no node", ENOENT, 0, V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_STREAMING, DeviceError::NoDevice},
      {"gone", ENODEV, 0, V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_STREAMING, DeviceError::NoDevice},
      {"not streaming", 0, 0, V4L2_CAP_VIDEO_CAPTURE, DeviceError::NoDevice},
      {"not capture", 0, 0, V4L2_CAP_VIDEO_OUTPUT | V4L2_CAP_STREAMING, DeviceError::NoDevice},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    camera.openError = c.openError;
    camera.busyError = c.busyError;
    camera.caps = c.caps;
    EXPECT_EQ(device->start(sink), c.expected);
    EXPECT_FALSE(device->running());
    EXPECT_EQ(camera.openPorts, 0);
    EXPECT_EQ(camera.mapped, 0);
  }
}

TEST_F(CameraTest, ALostDeviceStopsReportsOnceAndResumesAfterItsReturn) {
  ASSERT_EQ(device->start(sink), DeviceError::None);
  ASSERT_TRUE(camera.pushColour(Qt::white));
  ASSERT_TRUE(runUntil([&] { return !sink.frames.empty(); }));
  camera.unplug();
  ASSERT_TRUE(runUntil([&] { return !sink.lost.empty(); }));
  runPending();
  EXPECT_EQ(sink.lost, std::vector<DeviceError>{DeviceError::Lost});
  EXPECT_FALSE(device->running());
  EXPECT_EQ(camera.openPorts, 0);
  EXPECT_EQ(camera.mapped, 0);
  EXPECT_EQ(device->frameSize(), QSize(640, 480));  // still known

  EXPECT_EQ(device->start(sink), DeviceError::NoDevice);
  camera.replug();
  ASSERT_EQ(device->start(sink), DeviceError::None);
  ASSERT_TRUE(camera.pushColour(QColor(50, 50, 50)));
  ASSERT_TRUE(runUntil([&] { return sink.frames.size() == 2; }));
}

TEST_F(CameraTest, TheSinkMayDestroyTheDeviceWhenToldOfTheLoss) {
  ASSERT_EQ(device->start(sink), DeviceError::None);
  sink.onLost = [&] { device.reset(); };
  camera.unplug();
  ASSERT_TRUE(runUntil([&] { return !sink.lost.empty(); }));
  runPending();
  EXPECT_EQ(device, nullptr);
}

TEST_F(CameraTest, FormatChangesRestartTheStreamOrKeepTheOldFormat) {
  EXPECT_TRUE(device->pixelFormats().size() == 1 && device->pixelFormats()[0].fourcc == kYuyv);
  ASSERT_EQ(device->start(sink), DeviceError::None);
  EXPECT_EQ(device->frameSizes(0), (std::vector<QSize>{{320, 240}, {640, 480}, {1280, 960}}));

  ASSERT_EQ(device->setFormat({320, 240}, kYuyv), DeviceError::None);
  EXPECT_EQ(device->frameSize(), QSize(320, 240));
  EXPECT_EQ(device->pixelFormat(), kYuyv);
  EXPECT_EQ(camera.format.pixelformat, kYuyv);
  ASSERT_TRUE(camera.pushColour(QColor(255, 255, 255)));
  ASSERT_TRUE(runUntil([&] { return !sink.frames.empty(); }));
  EXPECT_EQ(sink.frames[0].size(), QSize(320, 240));
  EXPECT_GE(qRed(sink.frames[0].pixel(1, 1)), 250);

  // GREY decodes but this camera falls back to another format: refused, old format kept.
  EXPECT_EQ(device->setFormat({640, 480}, kGrey), DeviceError::UnsupportedFormat);
  EXPECT_TRUE(device->running());
  EXPECT_EQ(device->frameSize(), QSize(320, 240));
  EXPECT_EQ(camera.format.pixelformat, kYuyv);
  EXPECT_EQ(device->setFormat({640, 480}, fourcc('H', '2', '6', '4')), DeviceError::UnsupportedFormat);
  EXPECT_EQ(camera.format.pixelformat, kYuyv);
}

TEST_F(CameraTest, AFormatChosenWhileStoppedAppliesAtTheNextStart) {
  ASSERT_EQ(device->setFormat({1280, 960}, 0), DeviceError::None);
  EXPECT_EQ(camera.opens, 0);
  ASSERT_EQ(device->start(sink), DeviceError::None);
  EXPECT_EQ(device->frameSize(), QSize(1280, 960));
}

TEST_F(CameraTest, ControlsAreListedAndSet) {
  ASSERT_EQ(device->start(sink), DeviceError::None);
  const std::vector<Control> controls = device->controls();
  ASSERT_EQ(controls.size(), 2u);  // the disabled one is left out
  EXPECT_EQ(controls[0].name, "Brightness");
  EXPECT_EQ(controls[0].kind, Control::Kind::Integer);
  EXPECT_EQ(controls[0].value, 100);
  EXPECT_EQ(controls[0].maximum, 255);
  EXPECT_EQ(controls[1].name, "Power Line Frequency");
  EXPECT_EQ(controls[1].kind, Control::Kind::Menu);
  EXPECT_EQ(controls[1].items, (QStringList{"Disabled", "50 Hz", "60 Hz"}));
  EXPECT_EQ(controls[1].value, 1);

  EXPECT_TRUE(device->setControl(V4L2_CID_BRIGHTNESS, 200));
  EXPECT_EQ(camera.controls[0].value, 200);
  EXPECT_FALSE(device->setControl(V4L2_CID_BRIGHTNESS, 999));
  EXPECT_EQ(camera.controls[0].value, 200);
}

struct MjpegCameraTest : CameraTest {
  static constexpr QSize kSize{1280, 960};
  void SetUp() override {
    camera.formats = {{kMjpeg, {kSize}}};
    ASSERT_EQ(device->setFormat(kSize, kMjpeg), DeviceError::None);
  }
  QImage decoded(const Bytes& frame, int reduction) {
    return JpegDecoder().decode(frame.data(), frame.size(), kSize, reduction);
  }
};

TEST_F(CameraTest, AutomaticTakesJpegForSizesTheCameraHasOnlyAsJpeg) {
  const QSize small(640, 480), large(1920, 1080);
  camera.formats = {{kYuyv, {small}}, {kMjpeg, {small, large}}, {kRgb24, {small, large}, true}};
  for (const auto& [size, expected] : {std::pair{large, kMjpeg}, std::pair{small, kRgb24}}) {
    ASSERT_EQ(device->setFormat(size, 0), DeviceError::None);
    ASSERT_EQ(device->start(sink), DeviceError::None);
    EXPECT_EQ(camera.format.pixelformat, expected) << size.width();
    EXPECT_EQ(device->frameSize(), size);
    EXPECT_EQ(device->pixelFormat(), 0u);  // still "automatic"
    device->stop();
  }
}

TEST_F(MjpegCameraTest, FramesArePreviewedReducedAndKeptWhole) {
  device->setPreviewArea({320, 240});
  ASSERT_EQ(device->start(sink), DeviceError::None);
  EXPECT_EQ(device->newestEncoded(), nullptr);
  const Bytes frame = cameraFrame(kSize, 1);
  ASSERT_TRUE(camera.push(frame));
  ASSERT_TRUE(runUntil([&] { return !sink.frames.empty(); }));
  EXPECT_EQ(sink.frames[0], decoded(frame, 4));
  ASSERT_NE(device->newestEncoded(), nullptr);
  EXPECT_EQ(device->newestEncoded()->bytes, frame);
  EXPECT_EQ(device->newestEncoded()->size, kSize);

  device->setPreviewArea({});  // shown unscaled
  ASSERT_TRUE(camera.push(frame));
  ASSERT_TRUE(runUntil([&] { return sink.frames.size() == 2; }));
  EXPECT_EQ(sink.frames[1].size(), kSize);
}

TEST_F(MjpegCameraTest, CorruptFramesAreDroppedAndCounted) {
  device->setPreviewArea({640, 480});
  ASSERT_EQ(device->start(sink), DeviceError::None);
  const Bytes good = cameraFrame(kSize, 2);
  ASSERT_TRUE(camera.push(good));
  ASSERT_TRUE(runUntil([&] { return !sink.frames.empty(); }));
  Bytes brokenMarker = good;
  brokenMarker[headerSegments(good)[1].at + 1] = 0x01;
  const Bytes bad[] = {
      Bytes(good.begin(), good.begin() + std::ptrdiff_t(good.size() / 2)),  // cut off
      Bytes(good.begin(), good.begin() + std::ptrdiff_t(headerSegments(good).back().at)),
      brokenMarker, Bytes(5000, 0x42), cameraFrame({640, 480}, 2)};
  for (const auto& frame : bad) {
    ASSERT_TRUE(camera.push(frame));
    runUntil([&] { return sink.frames.size() > 1; }, 200);
  }
  EXPECT_EQ(sink.frames.size(), 1u);
  EXPECT_EQ(device->corruptFrames(), 5u);
  EXPECT_EQ(device->droppedFrames(), 0u);
  EXPECT_EQ(device->newestEncoded()->bytes, good);  // a capture takes the frame shown
}

TEST_F(MjpegCameraTest, ThePreviewIsNeverMoreThanOneFrameBehind) {
  device->setPreviewArea({640, 480});
  ASSERT_EQ(device->start(sink), DeviceError::None);
  std::uint32_t sequence = 0;
  // Frames arrive faster than they are taken: one, then three at once, two...
  for (int burst : {1, 3, 2, 3, 1}) {
    Bytes newest;
    for (int i = 0; i < burst; ++i) {
      newest = cameraFrame(kSize, int(sequence));
      ASSERT_TRUE(camera.push(newest));
      ++sequence;
    }
    const std::size_t before = sink.frames.size();
    ASSERT_TRUE(runUntil([&] { return sink.frames.size() > before; }));
    runPending();
    ASSERT_EQ(sink.frames.size(), before + 1) << "one paint per burst";
    EXPECT_EQ(device->lastDeliveredSequence(), sequence - 1);
    EXPECT_EQ(sink.frames.back(), decoded(newest, 2));
  }
  EXPECT_EQ(device->droppedFrames(), 0u);  // passed over, not lost by the device
}

}  // namespace
