#include "platform/capture/v4l2_camera.h"

#include <linux/videodev2.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/capture/pixels.h"

namespace capture {

namespace {

constexpr std::uint32_t kWantedBuffers = 4;
constexpr std::uint32_t kMaxBuffers = 32;
constexpr int kMaxDimension = 16384;

// Errors while opening and setting up: a node that is not (or no longer) a
// capture device counts as no device.
DeviceError setupError(int err) {
  switch (err) {
    case ENODEV:
    case EIO:
    case ENOTTY:
      return DeviceError::NoDevice;
    default:
      return errorFromErrno(err);
  }
}

QString fixedText(const std::uint8_t* text, std::size_t capacity) {
  const auto* chars = reinterpret_cast<const char*>(text);
  return QString::fromUtf8(chars, qsizetype(strnlen(chars, capacity))).trimmed();
}

std::uint32_t requestedFormat(std::uint32_t wanted) { return wanted ? wanted : kRgb24; }

std::vector<QSize> enumerateSizes(V4l2Port& port, std::uint32_t format) {
  std::vector<QSize> sizes;
  for (std::uint32_t index = 0; index < 256; ++index) {
    v4l2_frmsizeenum e{};
    e.index = index;
    e.pixel_format = format;
    if (port.ioctl(VIDIOC_ENUM_FRAMESIZES, &e) < 0) break;
    if (e.type == V4L2_FRMSIZE_TYPE_DISCRETE) {
      const QSize s(int(e.discrete.width), int(e.discrete.height));
      if (!s.isEmpty() && s.width() <= kMaxDimension && s.height() <= kMaxDimension &&
          std::find(sizes.begin(), sizes.end(), s) == sizes.end())
        sizes.push_back(s);
      continue;
    }
    const auto& w = e.stepwise;
    return commonSizesWithin(QSize(int(std::min<std::uint32_t>(w.min_width, kMaxDimension)),
                                   int(std::min<std::uint32_t>(w.min_height, kMaxDimension))),
                             QSize(int(std::min<std::uint32_t>(w.max_width, kMaxDimension)),
                                   int(std::min<std::uint32_t>(w.max_height, kMaxDimension))),
                             e.type == V4L2_FRMSIZE_TYPE_STEPWISE
                                 ? QSize(int(std::min<std::uint32_t>(w.step_width, kMaxDimension)),
                                         int(std::min<std::uint32_t>(w.step_height, kMaxDimension)))
                                 : QSize(1, 1));
  }
  return sizes;
}

std::vector<PixelFormat> nativeFormats(V4l2Port& port) {
  std::vector<PixelFormat> formats;
  for (std::uint32_t index = 0; index < 64; ++index) {
    v4l2_fmtdesc desc{};
    desc.index = index;
    desc.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    if (port.ioctl(VIDIOC_ENUM_FMT, &desc) < 0) break;
    // Formats that libv4l2 makes up by conversion are what "automatic" gives.
    if ((desc.flags & V4L2_FMT_FLAG_EMULATED) || !canDecode(desc.pixelformat)) continue;
    formats.push_back({desc.pixelformat, fixedText(desc.description, sizeof desc.description)});
  }
  return formats;
}

bool offers(V4l2Port& port, std::uint32_t format, QSize size) {
  const std::vector<QSize> sizes = enumerateSizes(port, format);
  return std::find(sizes.begin(), sizes.end(), size) != sizes.end();
}

// What "automatic" asks the device for at `size`: converted RGB, unless the
// camera has that size as JPEG only (most cameras' large sizes). libv4l2
// would then decode every frame whole; asked for JPEG, the preview decodes
// just what it shows, and a JPEG capture keeps the camera's own data.
std::uint32_t automaticFormat(V4l2Port& port, QSize size) {
  bool raw = false, jpeg = false;
  for (const PixelFormat& f : nativeFormats(port)) {
    if (!offers(port, f.fourcc, size)) continue;
    if (bytesPerPixel(f.fourcc) > 0) raw = true;
    if (f.fourcc == kMjpeg) jpeg = true;
  }
  return jpeg && !raw ? kMjpeg : kRgb24;
}

}  // namespace

QSize nearestSize(const std::vector<QSize>& sizes, QSize wanted) {
  if (sizes.empty()) return wanted;
  auto distance = [&](QSize s) {
    return std::abs(s.width() - wanted.width()) + std::abs(s.height() - wanted.height());
  };
  return *std::min_element(sizes.begin(), sizes.end(),
                           [&](QSize a, QSize b) { return distance(a) < distance(b); });
}

std::vector<QSize> commonSizesWithin(QSize minimum, QSize maximum, QSize step) {
  static const QSize common[] = {{160, 120},  {320, 240},   {352, 288},   {640, 360},   {640, 480},
                                 {800, 600},  {1024, 768},  {1280, 720},  {1280, 960},  {1280, 1024},
                                 {1600, 1200}, {1920, 1080}, {2592, 1944}, {3840, 2160}};
  const int sw = std::max(step.width(), 1), sh = std::max(step.height(), 1);
  std::vector<QSize> sizes;
  for (QSize s : common) {
    if (s.width() < minimum.width() || s.height() < minimum.height() || s.width() > maximum.width() ||
        s.height() > maximum.height())
      continue;
    if ((s.width() - minimum.width()) % sw || (s.height() - minimum.height()) % sh) continue;
    sizes.push_back(s);
  }
  if (sizes.empty() && !maximum.isEmpty()) sizes.push_back(maximum);
  return sizes;
}

V4l2Camera::V4l2Camera(std::string path, QString name, V4l2Opener opener)
    : path_(std::move(path)), name_(std::move(name)), opener_(std::move(opener)) {}

V4l2Camera::~V4l2Camera() { close(); }

DeviceError V4l2Camera::start(DeviceSink& sink) {
  close();
  errno = 0;
  port_ = opener_ ? opener_(path_) : nullptr;
  if (!port_) return setupError(errno ? errno : ENODEV);
  DeviceError error = negotiate();
  if (error == DeviceError::None) error = startStreaming();
  if (error != DeviceError::None) {
    close();
    return error;
  }
  sink_ = &sink;
  return DeviceError::None;
}

void V4l2Camera::stop() { close(); }

DeviceError V4l2Camera::negotiate() {
  v4l2_capability cap{};
  if (port_->ioctl(VIDIOC_QUERYCAP, &cap) < 0) return setupError(errno);
  const std::uint32_t caps = cap.capabilities & V4L2_CAP_DEVICE_CAPS ? cap.device_caps : cap.capabilities;
  if (!(caps & V4L2_CAP_VIDEO_CAPTURE) || !(caps & V4L2_CAP_STREAMING)) return DeviceError::NoDevice;

  std::uint32_t request = requestedFormat(wantedFourcc_);
  const QSize target = nearestSize(enumerateSizes(*port_, request), wanted_);
  if (!wantedFourcc_) request = automaticFormat(*port_, target);
  v4l2_format fmt{};
  fmt.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  fmt.fmt.pix.width = std::uint32_t(target.width());
  fmt.fmt.pix.height = std::uint32_t(target.height());
  fmt.fmt.pix.pixelformat = request;
  fmt.fmt.pix.field = V4L2_FIELD_ANY;
  if (port_->ioctl(VIDIOC_S_FMT, &fmt) < 0) return setupError(errno);
  const auto& pix = fmt.fmt.pix;
  if (pix.pixelformat != request || !canDecode(request)) return DeviceError::UnsupportedFormat;
  if (pix.width == 0 || pix.height == 0 || pix.width > kMaxDimension || pix.height > kMaxDimension)
    return DeviceError::UnsupportedFormat;
  size_ = QSize(int(pix.width), int(pix.height));
  format_ = request;
  bytesPerLine_ = pix.bytesperline;
  return DeviceError::None;
}

DeviceError V4l2Camera::startStreaming() {
  v4l2_requestbuffers request{};
  request.count = kWantedBuffers;
  request.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  request.memory = V4L2_MEMORY_MMAP;
  if (port_->ioctl(VIDIOC_REQBUFS, &request) < 0) return setupError(errno);
  if (request.count == 0) return DeviceError::Failed;
  const std::uint32_t count = std::min(request.count, kMaxBuffers);
  for (std::uint32_t i = 0; i < count; ++i) {
    v4l2_buffer buffer{};
    buffer.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    buffer.memory = V4L2_MEMORY_MMAP;
    buffer.index = i;
    if (port_->ioctl(VIDIOC_QUERYBUF, &buffer) < 0) return setupError(errno);
    if (buffer.length == 0) return DeviceError::Failed;
    void* address = port_->map(buffer.length, buffer.m.offset);
    if (!address) return setupError(errno);
    buffers_.emplace_back(*port_, address, buffer.length);
  }
  for (std::uint32_t i = 0; i < count; ++i)
    if (!requeue(i)) return setupError(errno);
  int type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  if (port_->ioctl(VIDIOC_STREAMON, &type) < 0) return setupError(errno);
  streaming_ = true;
  haveSequence_ = false;
  notifier_ = new QSocketNotifier(port_->fd(), QSocketNotifier::Read);
  QObject::connect(notifier_, &QSocketNotifier::activated, notifier_, [this] { onReadable(); });
  encoded_ = {};
  subscribeControlEvents();
  return DeviceError::None;
}

bool V4l2Camera::requeue(std::uint32_t index) {
  v4l2_buffer buffer{};
  buffer.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  buffer.memory = V4L2_MEMORY_MMAP;
  buffer.index = index;
  return port_->ioctl(VIDIOC_QBUF, &buffer) == 0;
}

void V4l2Camera::subscribeControlEvents() {
  subscribed_ = false;
  for (const Control& c : controls()) {
    v4l2_event_subscription sub{};
    sub.type = V4L2_EVENT_CTRL;
    sub.id = c.id;
    if (port_->ioctl(VIDIOC_SUBSCRIBE_EVENT, &sub) == 0) subscribed_ = true;
  }
  if (!subscribed_) return;
  events_ = new QSocketNotifier(port_->fd(), QSocketNotifier::Exception);
  QObject::connect(events_, &QSocketNotifier::activated, events_, [this] {
    DeviceSink* sink = sink_;
    if (sink && drainControlEvents()) sink->controlsChanged();
  });
}

bool V4l2Camera::drainControlEvents() {
  bool any = false;
  for (int n = 0; subscribed_ && port_ && n < 64; ++n) {
    v4l2_event event{};
    if (port_->ioctl(VIDIOC_DQEVENT, &event) < 0) break;
    any = true;
  }
  return any;
}

QImage V4l2Camera::decode(const std::uint8_t* data, std::size_t bytes) {
  if (format_ != kMjpeg && format_ != kJpeg) return decodeFrame(format_, data, bytes, size_, bytesPerLine_);
  QImage image = jpeg_.decode(data, bytes, size_, previewReduction(size_, previewArea_));
  if (image.isNull()) {
    ++corrupt_;
    return image;
  }
  // Kept for a capture, which decodes it in full or saves it as it is.
  encoded_.fourcc = format_;
  encoded_.size = size_;
  encoded_.bytes.assign(data, data + bytes);
  return image;
}

void V4l2Camera::onReadable() {
  if (!port_ || !sink_) return;
  const bool controlsChanged = drainControlEvents();
  int newest = -1;
  std::size_t newestBytes = 0;
  bool lost = false;
  // Bounded, so that a device that never runs dry cannot hold the GUI thread.
  for (std::size_t round = 0; round < 2 * buffers_.size() + 4; ++round) {
    v4l2_buffer buffer{};
    buffer.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    buffer.memory = V4L2_MEMORY_MMAP;
    if (port_->ioctl(VIDIOC_DQBUF, &buffer) < 0) {
      lost = errno != EAGAIN;
      break;
    }
    if (buffer.index >= buffers_.size()) continue;
    const std::size_t length = buffers_[buffer.index].length();
    if ((buffer.flags & V4L2_BUF_FLAG_ERROR) || buffer.bytesused > length) {
      if (!requeue(buffer.index)) {
        lost = true;
        break;
      }
      continue;
    }
    if (haveSequence_ && buffer.sequence > lastSequence_ + 1) dropped_ += buffer.sequence - lastSequence_ - 1;
    haveSequence_ = true;
    lastSequence_ = buffer.sequence;
    // Only the newest frame is shown; older ones go straight back.
    if (newest >= 0 && !requeue(std::uint32_t(newest))) {
      lost = true;
      newest = -1;
      break;
    }
    newest = int(buffer.index);
    newestBytes = buffer.bytesused ? buffer.bytesused : length;
  }

  QImage frame;
  if (newest >= 0) {
    frame = decode(buffers_[std::size_t(newest)].data(), newestBytes);
    if (!frame.isNull()) deliveredSequence_ = lastSequence_;
    if (!lost && !requeue(std::uint32_t(newest))) lost = true;
  }
  DeviceSink* sink = sink_;
  if (lost) close();
  // The sink may stop or destroy this device: nothing touches it afterwards.
  if (!frame.isNull()) sink->frameReady(frame);
  if (controlsChanged && !lost) sink->controlsChanged();
  if (lost) sink->deviceLost(DeviceError::Lost);
}

void V4l2Camera::close() {
  if (notifier_) {
    // May be called from inside the notifier's own signal.
    notifier_->setEnabled(false);
    notifier_->deleteLater();
    notifier_ = nullptr;
  }
  if (events_) {
    events_->setEnabled(false);
    events_->deleteLater();
    events_ = nullptr;
  }
  subscribed_ = false;
  if (port_ && streaming_) {
    int type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    port_->ioctl(VIDIOC_STREAMOFF, &type);
  }
  streaming_ = false;
  buffers_.clear();
  port_.reset();
  sink_ = nullptr;
}

V4l2Port* V4l2Camera::queryPort(std::unique_ptr<V4l2Port>& temporary) {
  if (port_) return port_.get();
  temporary = opener_ ? opener_(path_) : nullptr;
  return temporary.get();
}

std::vector<PixelFormat> V4l2Camera::pixelFormats() {
  std::unique_ptr<V4l2Port> temporary;
  V4l2Port* port = queryPort(temporary);
  return port ? nativeFormats(*port) : std::vector<PixelFormat>{};
}

std::vector<QSize> V4l2Camera::frameSizes(std::uint32_t fourcc) {
  std::unique_ptr<V4l2Port> temporary;
  V4l2Port* port = queryPort(temporary);
  if (!port) return size_.isEmpty() ? std::vector<QSize>{} : std::vector<QSize>{size_};
  std::vector<QSize> sizes = enumerateSizes(*port, requestedFormat(fourcc));
  if (sizes.empty() && !size_.isEmpty()) sizes.push_back(size_);
  return sizes;
}

DeviceError V4l2Camera::setFormat(QSize size, std::uint32_t fourcc) {
  if ((fourcc != 0 && !canDecode(fourcc)) || size.isEmpty()) return DeviceError::UnsupportedFormat;
  const QSize oldSize = wanted_;
  const std::uint32_t oldFourcc = wantedFourcc_;
  wanted_ = size;
  wantedFourcc_ = fourcc;
  if (!port_) return DeviceError::None;
  DeviceSink* sink = sink_;
  const DeviceError error = start(*sink);
  if (error == DeviceError::None) return error;
  wanted_ = oldSize;
  wantedFourcc_ = oldFourcc;
  start(*sink);
  return error;
}

std::vector<Control> V4l2Camera::controls() {
  std::unique_ptr<V4l2Port> temporary;
  V4l2Port* port = queryPort(temporary);
  std::vector<Control> list;
  if (!port) return list;

  auto add = [&](const v4l2_queryctrl& q) {
    if (q.flags & (V4L2_CTRL_FLAG_DISABLED | V4L2_CTRL_FLAG_READ_ONLY)) return;
    Control c;
    c.id = q.id;
    c.name = fixedText(q.name, sizeof q.name);
    c.minimum = q.minimum;
    c.maximum = std::max(q.maximum, q.minimum);
    c.step = std::max(q.step, 1);
    c.defaultValue = q.default_value;
    c.inactive = q.flags & V4L2_CTRL_FLAG_INACTIVE;
    if (q.type == V4L2_CTRL_TYPE_INTEGER) {
      c.kind = Control::Kind::Integer;
    } else if (q.type == V4L2_CTRL_TYPE_BOOLEAN) {
      c.kind = Control::Kind::Boolean;
    } else if (q.type == V4L2_CTRL_TYPE_MENU && std::int64_t(c.maximum) - c.minimum < 64) {
      c.kind = Control::Kind::Menu;
      for (int i = c.minimum; i <= c.maximum; ++i) {
        v4l2_querymenu m{};
        m.id = q.id;
        m.index = std::uint32_t(i);
        c.items << (port->ioctl(VIDIOC_QUERYMENU, &m) == 0 ? fixedText(m.name, sizeof m.name) : QString());
      }
    } else {
      return;
    }
    v4l2_control value{};
    value.id = q.id;
    c.value = port->ioctl(VIDIOC_G_CTRL, &value) == 0 ? value.value : c.defaultValue;
    list.push_back(c);
  };

  v4l2_queryctrl q{};
  q.id = V4L2_CTRL_FLAG_NEXT_CTRL;
  bool enumerates = false;
  for (int n = 0; n < 256 && port->ioctl(VIDIOC_QUERYCTRL, &q) == 0; ++n) {
    enumerates = true;
    add(q);
    q.id |= V4L2_CTRL_FLAG_NEXT_CTRL;
  }
  if (!enumerates) {
    for (std::uint32_t id = V4L2_CID_BASE; id < V4L2_CID_LASTP1; ++id) {
      q = {};
      q.id = id;
      if (port->ioctl(VIDIOC_QUERYCTRL, &q) == 0) add(q);
    }
  }
  return list;
}

bool V4l2Camera::setControl(std::uint32_t id, int value) {
  std::unique_ptr<V4l2Port> temporary;
  V4l2Port* port = queryPort(temporary);
  if (!port) return false;
  v4l2_control control{};
  control.id = id;
  control.value = value;
  return port->ioctl(VIDIOC_S_CTRL, &control) == 0;
}

}  // namespace capture
