// The PipeWire listing and format reading, without a daemon.
#include <gtest/gtest.h>
#include <spa/param/format.h>
#include <spa/param/video/raw.h>
#include <spa/pod/builder.h>

#include <QDir>
#include <QFile>

#include "platform/capture/pipewire/pw_camera.h"
#include "platform/capture/pipewire/pw_sources.h"
#include "platform/capture/pixels.h"
#include "support/test_env.h"

namespace {

using namespace capture;
using namespace capture::pw;

TEST(PipeWireListing, NamesMarksCamerasAndLeavesOutWhatV4l2Holds) {
  const QString dev = testing_support::freshDir("pwdev");
  QFile(dev + "/video0").open(QIODevice::WriteOnly);
  QDir().mkpath(dev + "/v4l/by-id");
  QFile::link("../../video0", dev + "/v4l/by-id/usb-Cam-video-index0");
  const std::vector<DeviceInfo> v4l2{{dev + "/v4l/by-id/usb-Cam-video-index0", "Cam"}, {kTestPatternKey, "Test pattern"}};

  const std::vector<NodeInfo> nodes{
      {40, "video-src", "", false, ""},
      {41, "cam", "Desk Camera", true, ""},
      {42, "v4l2_input.usb", "Cam (V4L2)", true, dev + "/video0"},  // the same camera as the V4L2 one
      {43, "other", "Other Camera", true, "/dev/video99"},         // a V4L2 node not listed there
      {44, "cam", "Desk Camera again", true, ""},                   // one name, one entry
  };
  const DeviceInfo cam{"pipewire:cam", "Desk Camera (PipeWire camera)"},
      other{"pipewire:other", "Other Camera (PipeWire camera)"};
  struct Case {
    const char* name;
    bool camerasOnly;
    std::vector<DeviceInfo> v4l2, expected;
  } cases[] = {
      {"direct", false, v4l2, {{"pipewire:video-src", "video-src (PipeWire)"}, cam, other}},
      {"portal: cameras only", true, v4l2, {cam, other}},
      {"no V4L2 cameras", true, {}, {cam, {"pipewire:v4l2_input.usb", "Cam (V4L2) (PipeWire camera)"}, other}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(listedSources(nodes, c.camerasOnly, c.v4l2), c.expected);
  }
}

TEST(PipeWireListing, NothingWhereNoDaemonRuns) {
  // The test main's runtime folder holds no daemon socket.
  EXPECT_FALSE(daemonSocketPresent());
  Sources sources(false);
  EXPECT_TRUE(sources.list({}).empty());
  EXPECT_TRUE(sources.takeNotice().isEmpty());
  PipeWireCamera camera("video-src", "video-src", [&] { return sources.session(); });
  struct : DeviceSink {
    void frameReady(const QImage&) override {}
    void deviceLost(DeviceError) override {}
  } sink;
  EXPECT_EQ(camera.start(sink), DeviceError::NoDevice);
  EXPECT_FALSE(camera.running());
  EXPECT_TRUE(camera.frameSizes(0).empty());
}

// Builds an EnumFormat as nodes announce them.
struct FormatBuilder {
  std::uint8_t buffer[1024];
  spa_pod_builder b{};
  spa_pod_frame object{}, choice{};
  FormatBuilder(std::uint32_t subtype) {
    spa_pod_builder_init(&b, buffer, sizeof buffer);
    spa_pod_builder_push_object(&b, &object, SPA_TYPE_OBJECT_Format, SPA_PARAM_EnumFormat);
    spa_pod_builder_prop(&b, SPA_FORMAT_mediaType, 0);
    spa_pod_builder_id(&b, SPA_MEDIA_TYPE_video);
    spa_pod_builder_prop(&b, SPA_FORMAT_mediaSubtype, 0);
    spa_pod_builder_id(&b, subtype);
  }
  FormatBuilder& formats(std::initializer_list<std::uint32_t> ids) {
    spa_pod_builder_prop(&b, SPA_FORMAT_VIDEO_format, 0);
    spa_pod_builder_push_choice(&b, &choice, SPA_CHOICE_Enum, 0);
    for (std::uint32_t id : ids) spa_pod_builder_id(&b, id);
    spa_pod_builder_pop(&b, &choice);
    return *this;
  }
  FormatBuilder& sizes(std::uint32_t kind, std::initializer_list<QSize> values) {
    spa_pod_builder_prop(&b, SPA_FORMAT_VIDEO_size, 0);
    spa_pod_builder_push_choice(&b, &choice, kind, 0);
    for (QSize s : values) spa_pod_builder_rectangle(&b, std::uint32_t(s.width()), std::uint32_t(s.height()));
    spa_pod_builder_pop(&b, &choice);
    return *this;
  }
  const spa_pod* done() { return static_cast<const spa_pod*>(spa_pod_builder_pop(&b, &object)); }
};

TEST(PipeWireFormats, OffersReadFromEnumFormats) {
  std::vector<FormatOffer> offers;
  // First value of an enum is the default, repeated among the choices.
  addOffers(FormatBuilder(SPA_MEDIA_SUBTYPE_raw)
                .formats({SPA_VIDEO_FORMAT_YUY2, SPA_VIDEO_FORMAT_YUY2, SPA_VIDEO_FORMAT_I420, SPA_VIDEO_FORMAT_BGRx})
                .sizes(SPA_CHOICE_Enum, {{640, 480}, {640, 480}, {1280, 720}})
                .done(),
            offers);
  addOffers(FormatBuilder(SPA_MEDIA_SUBTYPE_mjpg).sizes(SPA_CHOICE_None, {{1920, 1080}}).done(), offers);
  // A range: the common sizes inside it, merged with what YUY2 had.
  addOffers(FormatBuilder(SPA_MEDIA_SUBTYPE_raw)
                .formats({SPA_VIDEO_FORMAT_YUY2})
                .sizes(SPA_CHOICE_Range, {{320, 240}, {160, 120}, {640, 480}})
                .done(),
            offers);
  ASSERT_EQ(offers.size(), 3u);
  EXPECT_EQ(offers[0].fourcc, kYuyv);  // I420 is not offered: the program cannot decode it
  EXPECT_EQ(offers[1].fourcc, kBgrx32);
  EXPECT_EQ(offers[2].fourcc, kMjpeg);
  const std::vector<QSize> yuyv{{640, 480}, {1280, 720}, {160, 120}, {320, 240}, {352, 288}, {640, 360}};
  EXPECT_EQ(offers[0].sizes, yuyv);
  EXPECT_EQ(offers[1].sizes, (std::vector<QSize>{{640, 480}, {1280, 720}}));
  EXPECT_EQ(offers[2].sizes, (std::vector<QSize>{{1920, 1080}}));
}

TEST(PipeWireFormats, EveryRawFormatAskedForDecodes) {
  for (std::uint32_t format : rawFormats()) {
    SCOPED_TRACE(format);
    const std::uint32_t fourcc = fourccOfRawFormat(format);
    EXPECT_TRUE(canDecode(fourcc));
    EXPECT_EQ(fourccOfRawFormat(rawFormatOfFourcc(fourcc)), fourcc);
  }
  EXPECT_EQ(fourccOfRawFormat(SPA_VIDEO_FORMAT_I420), 0u);
}

}  // namespace
