#include <QFileInfo>
#include <QImageReader>
#include <QProcess>
#include <cstring>

#include "jpeg_frames.h"
#include "platform/capture/camera_jpeg.h"
#include "platform/capture/dib.h"
#include "platform/capture/mjpeg.h"
#include "platform/capture/pixels.h"
#include "window_fixture.h"

namespace {

using namespace capture;
using namespace capture_test;

using testing_support::contentOf;

TEST(DriverDescription, OneDriverWhoseTextsAreCutToTheBuffers) {
  struct Case {
    std::int16_t index;
    std::int32_t nameSize, versionSize;
    std::int32_t result;
  } cases[] = {{0, 100, 100, 1}, {0, 5, 1, 1}, {0, 0, -3, 1}, {1, 100, 100, 0}, {-1, 100, 100, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.nameSize);
    char name[101], version[101];
    std::memset(name, '#', sizeof name);
    std::memset(version, '#', sizeof version);
    EXPECT_EQ(capGetDriverDescriptionA(c.index, name, c.nameSize, version, c.versionSize), c.result);
    auto check = [&](const char* buffer, std::int32_t size, const char* text) {
      if (c.result == 0 || size < 1) {
        EXPECT_EQ(buffer[0], '#');
        return;
      }
      const std::size_t kept = std::min<std::size_t>(std::strlen(text), std::size_t(size) - 1);
      EXPECT_EQ(std::string(buffer), std::string(text, kept));
      EXPECT_EQ(buffer[kept + 1], '#');  // nothing written past the terminator
    };
    check(name, c.nameSize, kDriverName);
    check(version, c.versionSize, kDriverVersion);
  }
  EXPECT_EQ(capGetDriverDescriptionA(0, nullptr, 100, nullptr, 100), 1);
}

TEST(CreateWindow, AChildOfALiveParentOnly) {
  QWidget host;
  const win::HWND hwnd = capCreateCaptureWindowA("Picture", win::WS_CHILD | win::WS_VISIBLE, 0, 0, 320, 240,
                                                 win::handleOf(&host), 0);
  ASSERT_NE(hwnd, 0u);
  QWidget* widget = win::widgetOf(hwnd);
  ASSERT_NE(widget, nullptr);
  EXPECT_EQ(widget->parentWidget(), &host);
  EXPECT_EQ(widget->geometry(), QRect(0, 0, 320, 240));
  EXPECT_EQ(widget->windowTitle(), "Picture");
  EXPECT_FALSE(widget->isHidden());

  auto* stale = new QWidget;
  const win::HWND staleHandle = win::handleOf(stale);
  delete stale;
  EXPECT_EQ(capCreateCaptureWindowA("x", win::WS_CHILD, 0, 0, 10, 10, staleHandle, 0), 0u);
}

using CaptureWindowTest = WindowTest;

TEST_F(CaptureWindowTest, RecordsAnswerOnlyWhenConnectedAndLargeEnough) {
  use(kTestPatternKey);
  CAPDRIVERCAPS caps;
  CAPSTATUS st;
  std::memset(&caps, 0xAB, sizeof caps);
  std::memset(&st, 0xAB, sizeof st);
  auto untouched = [](const void* record, std::size_t size) {
    const auto* bytes = static_cast<const std::uint8_t*>(record);
    return std::all_of(bytes, bytes + size, [](std::uint8_t b) { return b == 0xAB; });
  };
  EXPECT_EQ(send(WM_CAP_DRIVER_GET_CAPS, 44, reinterpret_cast<win::LPARAM>(&caps)), 0);
  EXPECT_EQ(send(WM_CAP_GET_STATUS, 76, reinterpret_cast<win::LPARAM>(&st)), 0);

  ASSERT_TRUE(connect());
  EXPECT_EQ(send(WM_CAP_DRIVER_GET_CAPS, 43, reinterpret_cast<win::LPARAM>(&caps)), 0);
  EXPECT_EQ(send(WM_CAP_GET_STATUS, 75, reinterpret_cast<win::LPARAM>(&st)), 0);
  EXPECT_EQ(send(WM_CAP_GET_STATUS, -76, reinterpret_cast<win::LPARAM>(&st)), 0);
  EXPECT_EQ(send(WM_CAP_GET_STATUS, 76, 0), 0);
  EXPECT_TRUE(untouched(&caps, sizeof caps));
  EXPECT_TRUE(untouched(&st, sizeof st));

  ASSERT_NE(send(WM_CAP_DRIVER_GET_CAPS, 44, reinterpret_cast<win::LPARAM>(&caps)), 0);
  EXPECT_NE(caps.fHasDlgVideoSource, 0);
  EXPECT_NE(caps.fHasDlgVideoFormat, 0);
  EXPECT_EQ(caps.fHasOverlay, 0);
  EXPECT_EQ(caps.wDeviceIndex, 0u);

  EXPECT_NE(send(WM_CAP_SET_SCALE, -1), 0);
  EXPECT_NE(send(WM_CAP_SET_PREVIEWRATE, 1), 0);
  EXPECT_NE(send(WM_CAP_SET_PREVIEW, -1), 0);
  ASSERT_TRUE(runUntil([&] { return status().dwCurrentVideoFrame >= 3; }));
  st = status();
  EXPECT_EQ(st.uiImageWidth, 640u);
  EXPECT_EQ(st.uiImageHeight, 480u);
  EXPECT_NE(st.fLiveWindow, 0);
  EXPECT_NE(st.fScale, 0);
  EXPECT_EQ(st.fCapturingNow, 0);
  send(WM_CAP_SET_PREVIEW, 0);
  send(WM_CAP_SET_SCALE, 0);
  st = status();
  EXPECT_EQ(st.fLiveWindow, 0);
  EXPECT_EQ(st.fScale, 0);
  EXPECT_EQ(send(WM_USER + 999, 1, 1), 0);  // not a capture message
}

TEST_F(CaptureWindowTest, SavesTheNewestFrameWithoutEverReplacingAFile) {
  use(kTestPatternKey);
  const QString dir = testing_support::freshDir("save");
  EXPECT_FALSE(saveTo(dir + "/before.bmp"));  // not connected
  ASSERT_TRUE(connect());
  ASSERT_TRUE(waitForFrame());

  const QString path = dir + "/MOR0001.bmp";
  ASSERT_TRUE(saveTo(path));
  QImageReader reader(path);
  EXPECT_EQ(reader.format(), "bmp");
  EXPECT_EQ(reader.read().size(), QSize(640, 480));
  const QByteArray first = contentOf(path);

  runUntil([&] { return status().dwCurrentVideoFrame >= 3; });
  EXPECT_FALSE(saveTo(path));
  EXPECT_EQ(contentOf(path), first);

  EXPECT_FALSE(saveTo(dir + "/no-such-folder/MOR0002.bmp"));
  EXPECT_EQ(send(WM_CAP_FILE_SAVEDIBA, 0, 0), 0);
  ASSERT_NE(send(WM_CAP_DRIVER_DISCONNECT), 0);
  EXPECT_FALSE(saveTo(dir + "/after.bmp"));
  EXPECT_EQ(testing_support::entries(dir), QStringList{"MOR0001.bmp"});
}

TEST_F(CaptureWindowTest, ADestroyedWindowAnswersNothing) {
  use(kTestPatternKey);
  ASSERT_TRUE(connect());
  ASSERT_NE(win::DestroyWindow(hwnd), 0);
  CAPSTATUS st{};
  EXPECT_EQ(send(WM_CAP_GET_STATUS, 76, reinterpret_cast<win::LPARAM>(&st)), 0);
  testing_support::settle();
  EXPECT_EQ(send(WM_CAP_DRIVER_CONNECT, 0), 0);
  EXPECT_EQ(st.uiImageWidth, 0u);
}

TEST_F(CaptureWindowTest, ReportsConnectingConnectedAndDisconnected) {
  use(kTestPatternKey);
  ASSERT_TRUE(connect());
  ASSERT_EQ(Recorder::status.size(), 2u);
  EXPECT_EQ(Recorder::status[0].id, kStatusConnecting);
  EXPECT_EQ(Recorder::status[0].text, "Connecting to Test pattern...");
  EXPECT_EQ(Recorder::status[1].id, kStatusConnected);
  EXPECT_EQ(Recorder::status[1].text, "Test pattern: 640 x 480");
  EXPECT_TRUE(connect());  // already connected: nothing more to say
  EXPECT_EQ(Recorder::status.size(), 2u);
  ASSERT_NE(send(WM_CAP_DRIVER_DISCONNECT), 0);
  EXPECT_EQ(Recorder::status.back().id, kStatusDisconnected);
  EXPECT_EQ(Recorder::status.back().text, "Disconnected from Test pattern");
  EXPECT_EQ(send(WM_CAP_DRIVER_DISCONNECT), 0);
  EXPECT_TRUE(Recorder::errors.empty());
}

TEST_F(CaptureWindowTest, ANullCallbackClearsIt) {
  use(kTestPatternKey);
  ASSERT_NE(send(WM_CAP_SET_CALLBACK_STATUSA, 0, 0), 0);
  ASSERT_NE(send(WM_CAP_SET_CALLBACK_ERRORA, 0, 0), 0);
  ASSERT_TRUE(connect());
  EXPECT_EQ(send(WM_CAP_DRIVER_CONNECT, 2), 0);
  EXPECT_TRUE(Recorder::status.empty());
  EXPECT_TRUE(Recorder::errors.empty());
}

TEST_F(CaptureWindowTest, ConnectFailuresAreReportedAsErrors) {
  struct Case {
    const char* name;
    QString remembered;
    int busy;
    win::WPARAM index;
    std::int32_t id;
    std::string text;
  } cases[] = {
      {"busy", kCameraKey, EBUSY, 0, kErrorBusy, "Fake Camera is in use by another program"},
      {"unknown index", kCameraKey, 0, 3, kErrorNoDevice, "There is no video driver 3"},
      {"remembered one gone", "/dev/v4l/by-id/usb-Gone", 0, 0, kErrorNoDevice,
       "/dev/v4l/by-id/usb-Gone is not connected"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Recorder::reset();
    use(c.remembered);
    camera.busyError = c.busy;
    EXPECT_EQ(send(WM_CAP_DRIVER_CONNECT, c.index), 0);
    ASSERT_EQ(Recorder::errors.size(), 1u);
    EXPECT_EQ(Recorder::errors[0].id, c.id);
    EXPECT_EQ(Recorder::errors[0].text, c.text);
    EXPECT_EQ(window()->state(), CaptureWindow::State::Disconnected);
    EXPECT_EQ(camera.openPorts, 0);
  }
}

TEST_F(CaptureWindowTest, CallbacksMaySendMessagesOrDestroyTheWindow) {
  use(kCameraKey);
  // A nested connect from inside the "connecting" report: one connection, once.
  int nested = 0;
  Recorder::onStatus = [&](const Call& call) {
    if (call.id == kStatusConnecting && nested++ == 0) {
      EXPECT_NE(send(WM_CAP_DRIVER_CONNECT, 0), 0);
      CAPSTATUS st{};
      EXPECT_NE(send(WM_CAP_GET_STATUS, 76, reinterpret_cast<win::LPARAM>(&st)), 0);
    }
  };
  EXPECT_TRUE(connect());
  EXPECT_EQ(camera.openPorts, 1);
  EXPECT_EQ(window()->state(), CaptureWindow::State::Running);

  // Disconnecting and destroying from inside the "disconnected" report.
  Recorder::onStatus = [&](const Call& call) {
    if (call.id == kStatusDisconnected) {
      EXPECT_EQ(send(WM_CAP_DRIVER_DISCONNECT), 0);
      win::DestroyWindow(hwnd);
    }
  };
  EXPECT_NE(send(WM_CAP_DRIVER_DISCONNECT), 0);
  testing_support::settle();
  EXPECT_EQ(window(), nullptr);
  EXPECT_EQ(camera.openPorts, 0);
}

TEST_F(CaptureWindowTest, ErrorCallbackMayDisconnectWhenTheDeviceIsLost) {
  use(kCameraKey);
  ASSERT_TRUE(connect());
  Recorder::onError = [&](const Call&) { EXPECT_NE(send(WM_CAP_DRIVER_DISCONNECT), 0); };
  camera.unplug();
  ASSERT_TRUE(runUntil([&] { return !Recorder::errors.empty(); }));
  testing_support::settle();
  EXPECT_EQ(Recorder::errors[0].id, kErrorDeviceLost);
  EXPECT_EQ(window()->state(), CaptureWindow::State::Disconnected);
  EXPECT_EQ(camera.openPorts, 0);
}

QImage halves(QSize size) {
  QImage image(size, QImage::Format_RGB32);
  image.fill(Qt::blue);
  for (int y = 0; y < size.height(); ++y)
    for (int x = 0; x < size.width() / 2; ++x) image.setPixel(x, y, qRgb(255, 0, 0));
  return image;
}

TEST_F(CaptureWindowTest, PreviewIsScaledToTheWindowOrDrawnAtItsOwnSize) {
  use(kCameraKey);
  ASSERT_TRUE(connect());
  ASSERT_TRUE(camera.pushImage(halves({640, 480})));
  ASSERT_TRUE(waitForFrame());
  struct Case {
    win::WPARAM preview, scale;
    QRgb at300, at10;
  } cases[] = {
      {-1, -1, qRgb(0, 0, 255), qRgb(255, 0, 0)},  // the right half shrunk into the window's right half
      {-1, 0, qRgb(255, 0, 0), qRgb(255, 0, 0)},   // cut off: only the left 320 columns show
      {0, -1, qRgb(0, 0, 0), qRgb(0, 0, 0)},
  };
  for (const auto& c : cases) {
    send(WM_CAP_SET_PREVIEW, c.preview);
    send(WM_CAP_SET_SCALE, c.scale);
    const QImage shown = window()->grab().toImage();
    EXPECT_EQ(shown.pixel(300, 120), c.at300);
    EXPECT_EQ(shown.pixel(10, 120), c.at10);
  }
}

TEST_F(CaptureWindowTest, ALostDeviceIsSaidOnThePictureAndResumes) {
  auto topLeft = [&] {
    const QImage& frame = window()->newestFrame();
    return frame.isNull() ? QRgb(1) : frame.pixel(0, 0);
  };
  use(kCameraKey);
  ASSERT_TRUE(connect());
  send(WM_CAP_SET_PREVIEW, -1);
  send(WM_CAP_SET_SCALE, -1);
  ASSERT_TRUE(camera.pushColour(Qt::white));
  ASSERT_TRUE(waitForFrame());
  camera.unplug();
  ASSERT_TRUE(runUntil([&] { return window()->state() == CaptureWindow::State::Lost; }));
  ASSERT_EQ(Recorder::errors.size(), 1u);
  EXPECT_EQ(Recorder::errors[0].id, kErrorDeviceLost);
  EXPECT_EQ(Recorder::errors[0].text, "Fake Camera was disconnected");
  EXPECT_FALSE(saveTo(testing_support::freshDir("lost") + "/MOR0001.bmp"));
  EXPECT_EQ(status().uiImageWidth, 640u);
  const QImage shown = window()->grab().toImage();
  EXPECT_EQ(shown.pixel(5, 5), qRgb(255, 255, 255));  // the last frame stays
  EXPECT_LT(qRed(shown.pixel(160, 120)), 128);          // under a dark band with the notice

  // A connect message while it is still away fails; after its return it resumes.
  EXPECT_FALSE(connect());
  EXPECT_EQ(Recorder::errors.back().id, kErrorNoDevice);
  camera.replug();
  EXPECT_TRUE(connect());
  EXPECT_EQ(window()->state(), CaptureWindow::State::Running);
  ASSERT_TRUE(camera.pushColour(QColor(9, 9, 9)));
  ASSERT_TRUE(runUntil([&] { return topLeft() == qRgb(9, 9, 9); }));

  // Without a message: found again by the periodic check.
  camera.unplug();
  ASSERT_TRUE(runUntil([&] { return window()->state() == CaptureWindow::State::Lost; }));
  camera.replug();
  Recorder::status.clear();
  ASSERT_TRUE(runUntil([&] { return window()->state() == CaptureWindow::State::Running; }));
  ASSERT_FALSE(Recorder::status.empty());
  EXPECT_EQ(Recorder::status.back().text, "Fake Camera: 640 x 480");
  ASSERT_TRUE(camera.pushColour(QColor(7, 7, 7)));
  ASSERT_TRUE(runUntil([&] { return topLeft() == qRgb(7, 7, 7); }));
  EXPECT_TRUE(saveTo(testing_support::freshDir("back") + "/MOR0001.bmp"));
}

TEST(TestPatternFrames, MoveFromFrameToFrameAndFollowTheControls) {
  const QDateTime time = QDateTime::currentDateTime();
  const QImage first = renderTestPattern({640, 480}, Pattern::ColourBars, 0, 0, time);
  const QImage second = renderTestPattern({640, 480}, Pattern::ColourBars, 0, 1, time);
  EXPECT_EQ(first.size(), QSize(640, 480));
  EXPECT_EQ(first.format(), QImage::Format_RGB32);
  EXPECT_EQ(first.pixel(1, 10), qRgb(255, 255, 255));
  EXPECT_EQ(first.pixel(639, 10), qRgb(0, 0, 0));
  for (QPoint corner : {QPoint(0, 0), QPoint(639, 0), QPoint(0, 479), QPoint(639, 479)})
    EXPECT_EQ(first.pixel(corner), kCornerMark);
  EXPECT_NE(first, second);
  const QImage darker = renderTestPattern({640, 480}, Pattern::ColourBars, -50, 0, time);
  EXPECT_LT(qRed(darker.pixel(1, 10)), 200);
  const QImage ramp = renderTestPattern({320, 240}, Pattern::GreyRamp, 0, 0, time);
  EXPECT_EQ(ramp.pixel(1, 10), qRgb(0, 0, 0));
  EXPECT_EQ(ramp.pixel(319, 10), qRgb(255, 255, 255));

  TestPattern device;
  for (QSize size : testPatternSizes()) EXPECT_EQ(device.setFormat(size, 0), DeviceError::None);
  EXPECT_EQ(device.setFormat({333, 222}, 0), DeviceError::UnsupportedFormat);
  EXPECT_FALSE(device.setControl(kBrightnessControl, 101));
  EXPECT_TRUE(device.setControl(kPatternControl, 1));
  EXPECT_EQ(device.controls()[0].value, 1);
}

TEST_F(CaptureWindowTest, ACameraJpegFrameIsShownReducedAndSavedWhole) {
  const QSize size(1280, 960);
  camera.formats = {{kMjpeg, {size}}};
  rememberFormat(kCameraKey, {size, kMjpeg});
  use(kCameraKey);
  send(WM_CAP_SET_SCALE, win::WPARAM(-1));
  ASSERT_TRUE(connect());
  const capture_test::Bytes frame = capture_test::cameraFrame(size, 4);
  ASSERT_TRUE(camera.push(frame));
  ASSERT_TRUE(waitForFrame());
  EXPECT_EQ(window()->newestFrame().size(), QSize(320, 240));  // the window's own size, at 1/4

  const QString path = testing_support::freshDir("mjpeg") + "/MOR0001.bmp";
  ASSERT_TRUE(saveTo(path));
  const QImage saved(path);
  EXPECT_EQ(saved.size(), size);
  EXPECT_EQ(saved.convertToFormat(QImage::Format_RGB32), JpegDecoder().decode(frame.data(), frame.size(), size));

  // A JPEG or PDF keeps the camera's own data (with tables and header put
  // in), unless the user turned that off; the viewer gets the preview.
  const auto cameraFile = std::get<Bytes>(cameraJpegFile(frame.data(), frame.size(), size, kFrameJpegDpi));
  const QByteArray expected(reinterpret_cast<const char*>(cameraFile.data()), qsizetype(cameraFile.size()));
  struct Case {
    const char* name;
    pictures::Format format;
    bool keep;
  } cases[] = {{"MOR0002.jpg", pictures::Format::Jpeg, true},
               {"MOR0003.pdf", pictures::Format::Pdf, true},
               {"MOR0004.jpg", pictures::Format::Jpeg, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    rememberKeepsCameraJpeg(kCameraKey, c.keep);
    const QString file = QFileInfo(path).absolutePath() + '/' + c.name;
    FrameSave save;
    save.format = c.format;
    const QByteArray name = QFile::encodeName(file);
    ASSERT_EQ(send(WM_CAP_FILE_SAVEDIBA, win::WPARAM(&save), win::LPARAM(name.constData())), 1);
    EXPECT_EQ(save.result.picture.size(), c.keep ? QSize(320, 240) : size);
    QByteArray jpeg = contentOf(file);
    if (c.format == pictures::Format::Pdf) {
      QProcess images;
      images.start("pdfimages", {"-j", file, file + "-image"});
      ASSERT_TRUE(images.waitForFinished(10000));
      jpeg = contentOf(file + "-image-000.jpg");
    }
    EXPECT_EQ(jpeg == expected, c.keep);
    EXPECT_EQ(QImage::fromData(jpeg, "JPEG").size(), size);
  }
}

}  // namespace
