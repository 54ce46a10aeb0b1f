#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <cerrno>
#include <map>

#include "fake_v4l2.h"
#include "platform/capture/catalog.h"
#include "platform/capture/pixels.h"
#include "platform/capture/test_pattern.h"
#include "platform/capture/v4l2_camera.h"
#include "support/test_env.h"

namespace capture {
void PrintTo(const DeviceInfo& d, std::ostream* os) { *os << '{' << d.key.toStdString() << ", " << d.name.toStdString() << '}'; }
}  // namespace capture

namespace {

using namespace capture;

void touch(const QString& path) {
  QDir().mkpath(QFileInfo(path).path());
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
}

void link(const QString& target, const QString& name) {
  QDir().mkpath(QFileInfo(name).path());
  ASSERT_TRUE(QFile::link(target, name));
}

TEST(StablePath, PrefersTheFirstIdLinkThenAPathLinkThenTheNode) {
  const QString dev = testing_support::freshDir("dev");
  for (const char* node : {"video0", "video1", "video2"}) touch(dev + '/' + node);
  link("../../video0", dev + "/v4l/by-id/usb-Cam-video-index1");
  link("../../video0", dev + "/v4l/by-id/usb-Cam-video-index0");
  link("../../video1", dev + "/v4l/by-path/pci-0000-usb-0-video-index0");

  EXPECT_EQ(stablePath(dev, dev + "/video0"), dev + "/v4l/by-id/usb-Cam-video-index0");
  EXPECT_EQ(stablePath(dev, dev + "/video1"), dev + "/v4l/by-path/pci-0000-usb-0-video-index0");
  EXPECT_EQ(stablePath(dev, dev + "/video2"), dev + "/video2");
  EXPECT_EQ(stablePath(dev, dev + "/video9"), dev + "/video9");
}

TEST(ChooseDevice, RememberedWhileListedElseFirst) {
  const std::vector<DeviceInfo> listed{{"/dev/v4l/by-id/a", "A"}, {kTestPatternKey, "Test pattern"}};
  struct Case {
    QString remembered;
    std::optional<QString> key;
  } cases[] = {
      {"", "/dev/v4l/by-id/a"},
      {kTestPatternKey, kTestPatternKey},
      {"/dev/v4l/by-id/a", "/dev/v4l/by-id/a"},
      {"/dev/v4l/by-id/gone", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.remembered.toStdString());
    const auto chosen = chooseDevice(listed, c.remembered);
    ASSERT_EQ(chosen.has_value(), c.key.has_value());
    if (chosen) {
      EXPECT_EQ(chosen->key, *c.key);
    }
  }
  EXPECT_FALSE(chooseDevice({}, "").has_value());
}

// "No camera found" is said only where the pattern stands in for a camera.
TEST(ChooseDevice, TheTestPatternIsAFallbackOnlyWhenNothingElseIsListed) {
  const DeviceInfo pattern{kTestPatternKey, "Test pattern"};
  const DeviceInfo camera{"/dev/v4l/by-id/a", "A"};
  struct Case {
    std::vector<DeviceInfo> listed;
    DeviceInfo chosen;
    bool fallback;
  } cases[] = {
      {{pattern}, pattern, true},
      {{camera, pattern}, pattern, false},
      {{camera, pattern}, camera, false},
      {{camera}, camera, false},
  };
  for (const auto& c : cases) EXPECT_EQ(FallsBackToTestPattern(c.listed, c.chosen), c.fallback) << c.listed.size();
}

TEST(FormatChoice, ParsesOnlyWhatItWrites) {
  struct Case {
    const char* text;
    bool valid;
    QSize size;
    std::uint32_t fourcc;
  } cases[] = {
      {"640x480 auto", true, {640, 480}, 0},
      {"1280x960 YUYV", true, {1280, 960}, kYuyv},
      {"800x600 MJPG", true, {800, 600}, kMjpeg},
      {"800x600 H264", false, {}, 0},
      {"0x480 auto", false, {}, 0},
      {"640x480", false, {}, 0},
      {"999999x480 auto", false, {}, 0},
      {"-640x480 auto", false, {}, 0},
      {"", false, {}, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const auto choice = parseFormatChoice(c.text);
    ASSERT_EQ(choice.has_value(), c.valid);
    if (!choice) continue;
    EXPECT_EQ(choice->size, c.size);
    EXPECT_EQ(choice->fourcc, c.fourcc);
    EXPECT_EQ(formatChoiceText(*choice), c.text);
  }
}

TEST(SystemCatalog, ListsCaptureNodesInOrderThenThePattern) {
  const QString dev = testing_support::freshDir("dev");
  for (const char* node : {"video0", "video1", "video2", "video10", "videoX", "vbi0"}) touch(dev + '/' + node);
  link("../../video10", dev + "/v4l/by-id/usb-Cam-video-index0");

  fake::Camera camera, metadata, twin;
  metadata.caps = V4L2_CAP_META_CAPTURE | V4L2_CAP_STREAMING;
  std::map<QString, fake::Camera*> nodes{
      {dev + "/video0", &camera}, {dev + "/video1", &metadata}, {dev + "/video10", &twin}};
  V4l2Opener opener = [&](const std::string& path) -> std::unique_ptr<V4l2Port> {
    const QString node = QString::fromStdString(path);
    if (node == dev + "/video2") {
      errno = EACCES;
      return nullptr;
    }
    auto it = nodes.find(node);
    if (it == nodes.end()) {
      errno = ENOENT;
      return nullptr;
    }
    return it->second->opener()(path);
  };
  SystemCatalog catalog(dev, opener);
  const std::vector<DeviceInfo> expected{
      {dev + "/video0", "Fake Camera (video0)"},
      {dev + "/video2", "video2"},  // no permission: listed, so that connecting can say so
      {dev + "/v4l/by-id/usb-Cam-video-index0", "Fake Camera (usb-Cam-video-index0)"},
      {kTestPatternKey, "Test pattern"},
  };
  EXPECT_EQ(catalog.list(), expected);
  EXPECT_EQ(camera.openPorts + metadata.openPorts + twin.openPorts, 0);

  EXPECT_NE(dynamic_cast<TestPattern*>(catalog.make(expected.back()).get()), nullptr);
  auto made = catalog.make(expected[2]);
  ASSERT_NE(dynamic_cast<V4l2Camera*>(made.get()), nullptr);
  EXPECT_EQ(made->name(), expected[2].name);
}

}  // namespace
