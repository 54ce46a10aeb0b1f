// The PipeWire source against a real daemon and session manager, with the
// example source "video-src" and test-pattern nodes playing cameras.
#include <QComboBox>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDir>
#include <QProcess>

#include "../window_fixture.h"
#include "platform/capture/messages.h"
#include "platform/capture/pipewire/pw_camera.h"
#include "support/pipewire_desktop.h"

namespace {

using namespace capture;
using namespace capture_test;
using testing_support::PipeWireDesktop;

const QString kCamera = QStringLiteral("pipewire:vic-cam");
const QString kCameraName = QStringLiteral("Desk Camera (PipeWire camera)");
const QString kVideoSrc = QStringLiteral("pipewire:video-src");

class PipeWireTest : public DialogTest {
 protected:
  static void SetUpTestSuite() {
    desktop = new PipeWireDesktop;
    dev = testing_support::freshDir("pw-dev");
    QFile(dev + "/video0").open(QIODevice::WriteOnly);
    if (!desktop->ok()) return;
    desktop->startVideoSrc();
    // The same camera as the V4L2 node video0: listed once, through V4L2.
    // Made first, so that a V4L2 camera the list held twice would show.
    desktop->createCamera("vic-v4l2", "Fake Camera", "api.v4l2.path=" + dev + "/video0");
  }
  static void TearDownTestSuite() {
    delete desktop;
    desktop = nullptr;
  }
  void SetUp() override {
    ASSERT_TRUE(desktop->ok()) << desktop->problem().toStdString();
    // A test-pattern node delivers to its first consumer only: each test gets a fresh one.
    desktop->destroyNode("vic-cam");
    ASSERT_TRUE(desktop->createCamera("vic-cam", "Desk Camera"));
    WindowTest::SetUp();
    catalogOnDaemon = std::make_unique<SystemCatalog>(dev, camera.opener());
    setDeviceCatalog(catalogOnDaemon.get());
  }
  void TearDown() override {
    WindowTest::TearDown();
    catalogOnDaemon.reset();
  }
  // "key|name" per entry, readable in a failure.
  QStringList listed(std::vector<DeviceInfo> devices = {}) {
    if (devices.empty()) devices = catalogOnDaemon->list();
    QStringList entries;
    for (const DeviceInfo& d : devices) entries << d.key + '|' + d.name;
    return entries;
  }

  static inline PipeWireDesktop* desktop = nullptr;
  static inline QString dev;
  std::unique_ptr<SystemCatalog> catalogOnDaemon;
};

TEST_F(PipeWireTest, ListsEveryVideoSourceMarkingCamerasAndEachCameraOnce) {
  const std::vector<DeviceInfo> expected{
      {dev + "/video0", "Fake Camera"},
      {kVideoSrc, "video-src (PipeWire)"},
      {kCamera, kCameraName},
      {kTestPatternKey, "Test pattern"},
  };
  EXPECT_EQ(listed(), listed(expected));
}

TEST_F(PipeWireTest, ShowsTheMovingPictureAndF12WritesTheCamerasPixels) {
  for (const QString& key : {kCamera, kVideoSrc}) {
    SCOPED_TRACE(key.toStdString());
    use(key);
    ASSERT_TRUE(connect()) << (Recorder::errors.empty() ? "" : Recorder::errors.back().text);
    ASSERT_NE(dynamic_cast<pw::PipeWireCamera*>(window()->device()), nullptr);
    ASSERT_TRUE(waitForFrame());
    const QImage first = window()->newestFrame();  // the picture moves: a later frame differs
    EXPECT_TRUE(runUntil([&] { return window()->newestFrame() != first && !window()->newestFrame().isNull(); }, 20000));
    EXPECT_EQ(window()->newestFrame().size(), QSize(640, 480));

    const QString file = testing_support::freshDir("pw-save") + "/MOR0001.bmp";
    ASSERT_TRUE(saveTo(file));
    const QImage saved(file);
    ASSERT_FALSE(saved.isNull());
    EXPECT_EQ(saved.convertToFormat(QImage::Format_RGB32), window()->newestFrame());
    send(WM_CAP_DRIVER_DISCONNECT);
  }
}

TEST_F(PipeWireTest, ASourceThatGoesIsToldAsLostAndResumesWhenItComesBack) {
  struct Case {
    QString key, name;
    std::function<bool()> remove, restore;
  } cases[] = {
      {kVideoSrc, "video-src (PipeWire)", [] { desktop->killVideoSrc(); return desktop->waitForNode("video-src", false); },
       [] { return desktop->startVideoSrc(); }},
      {kCamera, kCameraName, [] { return desktop->destroyNode("vic-cam"); },
       [] { return desktop->createCamera("vic-cam", "Desk Camera"); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.key.toStdString());
    Recorder::reset();
    use(c.key);
    ASSERT_TRUE(connect());
    ASSERT_TRUE(waitForFrame());

    ASSERT_TRUE(c.remove());
    ASSERT_TRUE(runUntil([&] { return window()->state() == CaptureWindow::State::Lost; }, 20000));
    ASSERT_FALSE(Recorder::errors.empty());
    EXPECT_EQ(Recorder::errors.back().id, kErrorDeviceLost);
    EXPECT_EQ(Recorder::errors.back().text, (c.name + " was disconnected").toStdString());
    EXPECT_FALSE(saveTo(testing_support::freshDir("pw-lost") + "/MOR0001.bmp"));

    ASSERT_TRUE(c.restore());
    ASSERT_TRUE(runUntil([&] { return window()->state() == CaptureWindow::State::Running; }, 30000));
    EXPECT_EQ(Recorder::status.back().text, (c.name + ": 640 x 480").toStdString());
    EXPECT_TRUE(runUntil([&] { return status().dwCurrentVideoFrame > 0; }, 20000));
    send(WM_CAP_DRIVER_DISCONNECT);
  }
}

TEST_F(PipeWireTest, TheChoiceInVideoSourceSurvivesARestart) {
  use(kTestPatternKey);
  ASSERT_TRUE(connect());
  ASSERT_NE(runDialog(WM_CAP_DLG_VIDEOSOURCE, [&](QDialog& d) { pick(child<QComboBox>(d, "device"), kCameraName); }),
            0);
  EXPECT_EQ(rememberedDevice(), kCamera);

  // A new start: a fresh window and catalogue, the settings as stored.
  closeWindow();
  catalogOnDaemon = std::make_unique<SystemCatalog>(dev, camera.opener());
  setDeviceCatalog(catalogOnDaemon.get());
  openWindow();
  ASSERT_TRUE(connect());
  EXPECT_EQ(Recorder::status.back().text, (kCameraName + ": 640 x 480").toStdString());
  EXPECT_TRUE(waitForFrame());
}

TEST_F(PipeWireTest, VideoFormatOffersTheSizesOfTheNode) {
  use(kVideoSrc);
  ASSERT_TRUE(connect());
  QStringList offered;
  ASSERT_NE(runDialog(WM_CAP_DLG_VIDEOFORMAT,
                      [&](QDialog& dialog) {
                        auto* sizes = child<QComboBox>(dialog, "frameSize");
                        for (int i = 0; i < sizes->count(); ++i) offered << sizes->itemText(i);
                        pick(sizes, "1280 x 720");
                      }),
            0);
  EXPECT_TRUE(offered.contains("640 x 480"));
  EXPECT_EQ(status().uiImageWidth, 1280u);
  EXPECT_TRUE(runUntil([&] { return window()->newestFrame().size() == QSize(1280, 720); }, 20000));
  ASSERT_TRUE(rememberedFormat(kVideoSrc).has_value());
  EXPECT_EQ(rememberedFormat(kVideoSrc)->size, QSize(1280, 720));
}

// The Camera portal as a mock on the session bus, handing over the daemon.
struct Portal {
  explicit Portal(bool grant) {
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start("/usr/bin/python3", {"-m", "dbusmock", "--template",
                              qEnvironmentVariable("VIC_SOURCE_DIR") + "/tests/platform/capture/pipewire/camera_portal.py",
                              "-p", grant ? R"({"grant": true})" : R"({"grant": false})"});
    QDBusConnection bus = QDBusConnection::sessionBus();
    up = runUntil([&] { return bus.interface()->isServiceRegistered("org.freedesktop.portal.Desktop"); }, 20000);
  }
  ~Portal() {
    process.terminate();
    process.waitForFinished(5000);
  }
  QProcess process;
  bool up = false;
};

TEST_F(PipeWireTest, ThroughAGrantingPortalOnlyTheRemotesCamerasAreListed) {
  Portal portal(true);
  ASSERT_TRUE(portal.up);
  const std::vector<DeviceInfo> expected{
      {dev + "/video0", "Fake Camera"}, {kCamera, kCameraName}, {kTestPatternKey, "Test pattern"}};
  EXPECT_EQ(listed(), listed(expected));
  use(kCamera);
  ASSERT_TRUE(connect());
  EXPECT_TRUE(waitForFrame());
  EXPECT_TRUE(Recorder::errors.empty());
}

TEST_F(PipeWireTest, ARefusingPortalIsToldOnceAndTheTestPatternStays) {
  Portal portal(false);
  ASSERT_TRUE(portal.up);
  use(kTestPatternKey);
  ASSERT_TRUE(connect());
  EXPECT_EQ(window()->device()->name(), "Test pattern");
  send(WM_CAP_DLG_VIDEOSOURCE);
  ASSERT_EQ(Recorder::errors.size(), 1u);
  EXPECT_EQ(Recorder::errors[0].id, kErrorPermission);
  EXPECT_EQ(Recorder::errors[0].text, "The cameras of the desktop cannot be used: access was refused");
  EXPECT_EQ(catalogOnDaemon->list().size(), 2u);  // the V4L2 camera and the pattern
}

}  // namespace
