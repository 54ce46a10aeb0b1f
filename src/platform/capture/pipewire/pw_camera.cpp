#include "platform/capture/pipewire/pw_camera.h"

#include <pipewire/pipewire.h>
#include <spa/param/format-utils.h>
#include <spa/param/video/format-utils.h>
#include <spa/pod/builder.h>

#include <algorithm>

#include "platform/capture/pixels.h"
#include "platform/capture/v4l2_camera.h"

namespace capture::pw {

namespace {

// Linking is the session manager's work, done after the stream connects.
constexpr int kNegotiateWaitMs = 5000;
constexpr std::uint32_t kLargest = 8192;

// `exact`: the size the node offers; else any, preferring `wanted` (the
// node's own preference wins a range against a range, so an offered size is
// asked for exactly).
void addSize(spa_pod_builder* b, QSize wanted, bool exact) {
  spa_pod_builder_prop(b, SPA_FORMAT_VIDEO_size, 0);
  if (exact) {
    spa_pod_builder_rectangle(b, std::uint32_t(wanted.width()), std::uint32_t(wanted.height()));
    return;
  }
  spa_pod_frame choice{};
  spa_pod_builder_push_choice(b, &choice, SPA_CHOICE_Range, 0);
  spa_pod_builder_rectangle(b, std::uint32_t(wanted.width()), std::uint32_t(wanted.height()));
  spa_pod_builder_rectangle(b, 1, 1);
  spa_pod_builder_rectangle(b, kLargest, kLargest);
  spa_pod_builder_pop(b, &choice);
}

// One EnumFormat: raw video in `rawFormats`, or MJPEG when that is empty.
const spa_pod* enumFormat(spa_pod_builder* b, const std::vector<std::uint32_t>& raw, QSize wanted, bool exact) {
  spa_pod_frame object{};
  spa_pod_builder_push_object(b, &object, SPA_TYPE_OBJECT_Format, SPA_PARAM_EnumFormat);
  spa_pod_builder_prop(b, SPA_FORMAT_mediaType, 0);
  spa_pod_builder_id(b, SPA_MEDIA_TYPE_video);
  spa_pod_builder_prop(b, SPA_FORMAT_mediaSubtype, 0);
  spa_pod_builder_id(b, raw.empty() ? SPA_MEDIA_SUBTYPE_mjpg : SPA_MEDIA_SUBTYPE_raw);
  if (!raw.empty()) {
    spa_pod_frame choice{};
    spa_pod_builder_prop(b, SPA_FORMAT_VIDEO_format, 0);
    spa_pod_builder_push_choice(b, &choice, SPA_CHOICE_Enum, 0);
    spa_pod_builder_id(b, raw.front());  // the default
    for (std::uint32_t format : raw) spa_pod_builder_id(b, format);
    spa_pod_builder_pop(b, &choice);
  }
  addSize(b, wanted, exact);
  spa_pod_frame rate{};
  spa_pod_builder_prop(b, SPA_FORMAT_VIDEO_framerate, 0);
  spa_pod_builder_push_choice(b, &rate, SPA_CHOICE_Range, 0);
  spa_pod_builder_fraction(b, 30, 1);
  spa_pod_builder_fraction(b, 0, 1);
  spa_pod_builder_fraction(b, 1000, 1);
  spa_pod_builder_pop(b, &rate);
  return static_cast<const spa_pod*>(spa_pod_builder_pop(b, &object));
}

}  // namespace

struct PipeWireCamera::Hooks {
  spa_hook stream{};
  pw_stream_events events{};
};

PipeWireCamera::PipeWireCamera(QString nodeName, QString name, SessionSource session)
    : nodeName_(std::move(nodeName)), name_(std::move(name)), sessionSource_(std::move(session)) {}

PipeWireCamera::~PipeWireCamera() { stop(); }

DeviceError PipeWireCamera::start(DeviceSink& sink) {
  if (stream_) return DeviceError::None;
  std::shared_ptr<Session> session = sessionSource_ ? sessionSource_() : nullptr;
  const std::optional<NodeInfo> node = session ? session->find(nodeName_) : std::nullopt;
  if (!node) return DeviceError::NoDevice;

  pw_properties* props = pw_properties_new(PW_KEY_MEDIA_TYPE, "Video", PW_KEY_MEDIA_CATEGORY, "Capture",
                                           PW_KEY_MEDIA_ROLE, "Camera", PW_KEY_NODE_DONT_RECONNECT, "true",
                                           nullptr);
  pw_properties_set(props, PW_KEY_TARGET_OBJECT, nodeName_.toUtf8().constData());
  pw_stream* stream = pw_stream_new(session->core(), "Video Image Capture", props);
  if (!stream) return DeviceError::Failed;
  stream_ = stream;
  session_ = session;
  sink_ = &sink;
  nodeId_ = node->id;
  failed_ = false;
  format_ = 0;
  hooks_ = std::make_unique<Hooks>();
  hooks_->events.version = PW_VERSION_STREAM_EVENTS;
  hooks_->events.state_changed = [](void* data, pw_stream_state, pw_stream_state state, const char*) {
    static_cast<PipeWireCamera*>(data)->streamState(state);
  };
  hooks_->events.param_changed = &onParamChanged;
  hooks_->events.process = &onProcess;
  pw_stream_add_listener(stream_, &hooks_->stream, &hooks_->events, this);

  // The offered size nearest to the one wanted, per format asked for.
  const std::vector<FormatOffer> offered = session->formats(node->id);
  auto sizeFor = [&](std::uint32_t fourcc) {
    std::vector<QSize> sizes;
    for (const FormatOffer& offer : offered)
      if (fourcc ? offer.fourcc == fourcc : offer.fourcc != kMjpeg)
        sizes.insert(sizes.end(), offer.sizes.begin(), offer.sizes.end());
    return std::make_pair(nearestSize(sizes, wanted_), !sizes.empty());
  };
  std::uint8_t buffer[2048];
  spa_pod_builder b{};
  spa_pod_builder_init(&b, buffer, sizeof buffer);
  std::vector<const spa_pod*> params;
  if (wantedFourcc_ != kMjpeg) {
    const std::vector<std::uint32_t> raw =
        wantedFourcc_ ? std::vector<std::uint32_t>{rawFormatOfFourcc(wantedFourcc_)} : rawFormats();
    const auto [size, exact] = sizeFor(wantedFourcc_);
    params.push_back(enumFormat(&b, raw, size, exact));
  }
  if (wantedFourcc_ == 0 || wantedFourcc_ == kMjpeg) {
    const auto [size, exact] = sizeFor(kMjpeg);
    params.push_back(enumFormat(&b, {}, size, exact));
  }
  const auto flags = pw_stream_flags(PW_STREAM_FLAG_AUTOCONNECT | PW_STREAM_FLAG_MAP_BUFFERS);
  if (pw_stream_connect(stream_, PW_DIRECTION_INPUT, PW_ID_ANY, flags, params.data(), std::uint32_t(params.size())) <
      0) {
    stop();
    return DeviceError::Failed;
  }
  session_->addClient(this);
  if (!session_->runUntil([this] { return format_ != 0 || failed_; }, kNegotiateWaitMs) || failed_) {
    const bool gone = !session_->find(nodeName_);
    stop();
    return gone ? DeviceError::NoDevice : DeviceError::UnsupportedFormat;
  }
  return DeviceError::None;
}

void PipeWireCamera::stop() {
  if (!stream_) return;
  session_->removeClient(this);
  spa_hook_remove(&hooks_->stream);
  pw_stream_disconnect(stream_);
  pw_stream_destroy(stream_);
  stream_ = nullptr;
  hooks_.reset();
  session_.reset();
  pending_ = QImage();
}

std::vector<FormatOffer> PipeWireCamera::offers() {
  std::shared_ptr<Session> session = session_ ? session_ : (sessionSource_ ? sessionSource_() : nullptr);
  const std::optional<NodeInfo> node = session ? session->find(nodeName_) : std::nullopt;
  return node ? session->formats(node->id) : std::vector<FormatOffer>{};
}

std::vector<PixelFormat> PipeWireCamera::pixelFormats() {
  std::vector<PixelFormat> formats;
  for (const FormatOffer& offer : offers()) formats.push_back({offer.fourcc, fourccText(offer.fourcc)});
  return formats;
}

std::vector<QSize> PipeWireCamera::frameSizes(std::uint32_t fourcc) {
  std::vector<QSize> sizes;
  for (const FormatOffer& offer : offers()) {
    if (fourcc != 0 && offer.fourcc != fourcc) continue;
    for (const QSize& s : offer.sizes)
      if (std::find(sizes.begin(), sizes.end(), s) == sizes.end()) sizes.push_back(s);
  }
  return sizes;
}

DeviceError PipeWireCamera::setFormat(QSize size, std::uint32_t fourcc) {
  if (size.isEmpty() || size.width() > int(kLargest) || size.height() > int(kLargest)) return DeviceError::UnsupportedFormat;
  if (fourcc != 0 && fourcc != kMjpeg && rawFormatOfFourcc(fourcc) == SPA_VIDEO_FORMAT_UNKNOWN)
    return DeviceError::UnsupportedFormat;
  const QSize oldSize = wanted_;
  const std::uint32_t oldFourcc = wantedFourcc_;
  wanted_ = size;
  wantedFourcc_ = fourcc;
  if (!stream_) return DeviceError::None;
  DeviceSink* sink = sink_;
  stop();
  const DeviceError error = start(*sink);
  if (error != DeviceError::None) {
    wanted_ = oldSize;
    wantedFourcc_ = oldFourcc;
    start(*sink);
  }
  return error;
}

void PipeWireCamera::afterDispatch() {
  if (!stream_) return;
  const std::optional<NodeInfo> node = session_->find(nodeName_);

  if (failed_ || !session_->connected() || !node || node->id != nodeId_) {
    DeviceSink* sink = sink_;
    stop();
    sink->deviceLost(DeviceError::Lost);
    return;
  }
  if (pending_.isNull()) return;
  const QImage frame = std::move(pending_);
  pending_ = QImage();
  sink_->frameReady(frame);
}

void PipeWireCamera::streamState(int state) {
  // Unconnected after streaming: the link went (the node did, or the session manager undid it).
  if (state == PW_STREAM_STATE_ERROR || (state == PW_STREAM_STATE_UNCONNECTED && format_ != 0)) failed_ = true;
}

void PipeWireCamera::onParamChanged(void* data, std::uint32_t id, const spa_pod* param) {
  auto* self = static_cast<PipeWireCamera*>(data);
  if (id != SPA_PARAM_Format || !param) return;
  spa_video_info info{};
  if (spa_format_parse(param, &info.media_type, &info.media_subtype) < 0) return;
  spa_rectangle size{};
  std::uint32_t format = 0;
  if (info.media_subtype == SPA_MEDIA_SUBTYPE_raw && spa_format_video_raw_parse(param, &info.info.raw) >= 0) {
    format = fourccOfRawFormat(info.info.raw.format);
    size = info.info.raw.size;
  } else if (info.media_subtype == SPA_MEDIA_SUBTYPE_mjpg && spa_format_video_mjpg_parse(param, &info.info.mjpg) >= 0) {
    format = kMjpeg;
    size = info.info.mjpg.size;
  }
  if (format == 0 || size.width == 0 || size.height == 0 || size.width > kLargest || size.height > kLargest) {
    self->failed_ = true;
    return;
  }
  self->format_ = format;
  self->size_ = QSize(int(size.width), int(size.height));
}

void PipeWireCamera::onProcess(void* data) {
  auto* self = static_cast<PipeWireCamera*>(data);
  // Only the newest buffer is decoded; older ones go straight back.
  pw_buffer* newest = nullptr;
  while (pw_buffer* next = pw_stream_dequeue_buffer(self->stream_)) {
    if (newest) {
      pw_stream_queue_buffer(self->stream_, newest);
      ++self->dropped_;
    }
    newest = next;
  }
  if (!newest) return;
  const spa_buffer* buffer = newest->buffer;
  if (buffer && buffer->n_datas > 0 && buffer->datas[0].data && buffer->datas[0].chunk) {
    const spa_data& d = buffer->datas[0];
    // The chunk is the sender's word: keep it inside the mapped memory.
    const std::uint32_t offset = std::min(d.chunk->offset, d.maxsize);
    const std::uint32_t size = std::min(d.chunk->size, d.maxsize - offset);
    const std::uint32_t stride = d.chunk->stride > 0 ? std::uint32_t(d.chunk->stride) : 0;
    QImage frame = decodeFrame(self->format_, static_cast<const std::uint8_t*>(d.data) + offset, size, self->size_,
                               stride);
    if (!frame.isNull()) self->pending_ = std::move(frame);
  }
  pw_stream_queue_buffer(self->stream_, newest);
}

}  // namespace capture::pw
