#include "fake_v4l2.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/capture/pixels.h"
#include "platform/capture/v4l2_camera.h"

namespace fake {

namespace {
constexpr std::int64_t kOffsetStep = 0x100000;
}

class Port final : public capture::V4l2Port {
 public:
  explicit Port(Camera& camera) : camera_(camera) { ++camera_.openPorts; }
  ~Port() override {
    // The last close frees the buffers, as a driver does.
    if (--camera_.openPorts == 0) camera_.release();
  }
  int fd() const override { return camera_.eventFd_; }
  int ioctl(unsigned long request, void* arg) override { return camera_.ioctl(request, arg); }
  void* map(std::size_t length, std::int64_t offset) override { return camera_.map(length, offset); }
  void unmap(void*, std::size_t) override { --camera_.mapped; }

 private:
  Camera& camera_;
};

v4l2_queryctrl query(std::uint32_t id, std::uint32_t type, const char* name, int minimum, int maximum, int step,
                     int defaultValue, std::uint32_t flags) {
  v4l2_queryctrl q{.id = id, .type = type, .name = {}, .minimum = minimum, .maximum = maximum, .step = step,
                   .default_value = defaultValue, .flags = flags, .reserved = {}};
  std::snprintf(reinterpret_cast<char*>(q.name), sizeof q.name, "%s", name);
  return q;
}

Camera::Camera() : eventFd_(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {
  formats = {{capture::kYuyv, {{320, 240}, {640, 480}, {1280, 960}}},
             {capture::kRgb24, {{320, 240}, {640, 480}, {1280, 960}}, true}};
  v4l2_queryctrl brightness{};
  brightness.id = V4L2_CID_BRIGHTNESS;
  brightness.type = V4L2_CTRL_TYPE_INTEGER;
  std::strcpy(reinterpret_cast<char*>(brightness.name), "Brightness");
  brightness.minimum = 0;
  brightness.maximum = 255;
  brightness.step = 1;
  brightness.default_value = 128;
  v4l2_queryctrl power{};
  power.id = V4L2_CID_POWER_LINE_FREQUENCY;
  power.type = V4L2_CTRL_TYPE_MENU;
  std::strcpy(reinterpret_cast<char*>(power.name), "Power Line Frequency");
  power.minimum = 0;
  power.maximum = 2;
  power.step = 1;
  v4l2_queryctrl hidden{};
  hidden.id = V4L2_CID_CONTRAST;
  hidden.type = V4L2_CTRL_TYPE_INTEGER;
  hidden.flags = V4L2_CTRL_FLAG_DISABLED;
  controls = {{brightness, 100, {}}, {power, 1, {"Disabled", "50 Hz", "60 Hz"}}, {hidden, 0, {}}};
}

Camera::~Camera() { ::close(eventFd_); }

capture::V4l2Opener Camera::opener() {
  return [this](const std::string&) -> std::unique_ptr<capture::V4l2Port> {
    if (openError || !present) {
      errno = openError ? openError : ENODEV;
      return nullptr;
    }
    ++opens;
    return std::make_unique<Port>(*this);
  };
}

const Format* Camera::find(std::uint32_t fourcc) const {
  for (const Format& f : formats)
    if (f.fourcc == fourcc) return &f;
  return nullptr;
}

void Camera::signal() {
  const std::uint64_t one = 1;
  [[maybe_unused]] auto n = ::write(eventFd_, &one, sizeof one);
}

void Camera::drain() {
  std::uint64_t value;
  [[maybe_unused]] auto n = ::read(eventFd_, &value, sizeof value);
}

void Camera::release() {
  streaming = false;
  subscribed.clear();
  events_.clear();
  buffers_.clear();
  queued_.clear();
  done_.clear();
  drain();
}

Control* Camera::control(std::uint32_t id) {
  for (Control& c : controls)
    if (c.query.id == id) return &c;
  return nullptr;
}

bool Camera::inactive(const Control& c) const {
  if (!c.master) return false;
  for (const Control& m : controls)
    if (m.query.id == c.master) return m.value != c.activeWhen;
  return false;
}

void Camera::queueEvent(std::uint32_t id) {
  if (std::find(subscribed.begin(), subscribed.end(), id) == subscribed.end()) return;
  events_.push_back(id);
  signal();
}

void Camera::assign(Control& c, int value, bool eventForItself) {
  if (c.value == value) return;
  c.value = value;
  if (eventForItself) queueEvent(c.query.id);
  // The flags of the controls it governs changed.
  for (const Control& other : controls)
    if (other.master == c.query.id) queueEvent(other.query.id);
}

void Camera::changeControl(std::uint32_t id, int value) {
  if (Control* c = control(id)) assign(*c, value, true);
}

void Camera::unplug() {
  present = false;
  signal();
}

bool Camera::push(const std::vector<std::uint8_t>& bytes, std::uint32_t skip, bool errorFlag) {
  if (queued_.empty() || !streaming) return false;
  const std::uint32_t index = queued_.front();
  queued_.pop_front();
  auto& buffer = buffers_[index];
  const std::size_t n = std::min(bytes.size(), buffer.size());
  std::copy_n(bytes.begin(), n, buffer.begin());
  sequence_ += skip;
  done_.push_back({index, std::uint32_t(n), sequence_++, errorFlag ? std::uint32_t(V4L2_BUF_FLAG_ERROR) : 0u});
  signal();
  return true;
}

bool Camera::pushColour(QColor colour) {
  std::vector<std::uint8_t> bytes(format.sizeimage);
  for (std::uint32_t y = 0; y < format.height; ++y) {
    std::uint8_t* row = bytes.data() + std::size_t(y) * format.bytesperline;
    for (std::uint32_t x = 0; x < format.width; ++x) {
      if (format.pixelformat == capture::kRgb24) {
        row[3 * x] = std::uint8_t(colour.red());
        row[3 * x + 1] = std::uint8_t(colour.green());
        row[3 * x + 2] = std::uint8_t(colour.blue());
      } else {
        // Grey levels only: luma from the red channel, neutral chroma.
        row[2 * x] = std::uint8_t(16 + colour.red() * 219 / 255);
        row[2 * x + 1] = 128;
      }
    }
  }
  return push(bytes);
}

bool Camera::pushImage(const QImage& image) {
  const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
  std::vector<std::uint8_t> bytes(format.sizeimage);
  for (std::uint32_t y = 0; y < format.height && int(y) < rgb.height(); ++y)
    std::memcpy(bytes.data() + std::size_t(y) * format.bytesperline, rgb.constScanLine(int(y)),
                std::min<std::size_t>(format.width * 3, std::size_t(rgb.width()) * 3));
  return push(bytes);
}

void* Camera::map(std::size_t length, std::int64_t offset) {
  const auto index = std::size_t(offset / kOffsetStep);
  if (!present) {
    errno = ENODEV;
    return nullptr;
  }
  if (offset % kOffsetStep || index >= buffers_.size() || length != buffers_[index].size()) {
    errno = EINVAL;
    return nullptr;
  }
  ++mapped;
  return buffers_[index].data();
}

int Camera::ioctl(unsigned long request, void* arg) {
  auto fail = [](int err) {
    errno = err;
    return -1;
  };
  if (!present) return fail(ENODEV);
  switch (request) {
    case VIDIOC_QUERYCAP: {
      auto* cap = static_cast<v4l2_capability*>(arg);
      *cap = {};
      std::strcpy(reinterpret_cast<char*>(cap->card), "Fake Camera");
      cap->capabilities = caps | V4L2_CAP_DEVICE_CAPS;
      cap->device_caps = caps;
      return 0;
    }
    case VIDIOC_ENUM_FMT: {
      auto* desc = static_cast<v4l2_fmtdesc*>(arg);
      if (desc->index >= formats.size()) return fail(EINVAL);
      const Format& f = formats[desc->index];
      desc->pixelformat = f.fourcc;
      desc->flags = f.emulated ? V4L2_FMT_FLAG_EMULATED : 0;
      std::snprintf(reinterpret_cast<char*>(desc->description), sizeof desc->description, "%s format",
                    capture::fourccText(f.fourcc).toLatin1().constData());
      return 0;
    }
    case VIDIOC_ENUM_FRAMESIZES: {
      auto* e = static_cast<v4l2_frmsizeenum*>(arg);
      const Format* f = find(e->pixel_format);
      if (!f || e->index >= f->sizes.size()) return fail(EINVAL);
      e->type = V4L2_FRMSIZE_TYPE_DISCRETE;
      e->discrete.width = std::uint32_t(f->sizes[e->index].width());
      e->discrete.height = std::uint32_t(f->sizes[e->index].height());
      return 0;
    }
    case VIDIOC_S_FMT: {
      if (busyError) return fail(busyError);
      if (streaming || !buffers_.empty()) return fail(EBUSY);
      auto& pix = static_cast<v4l2_format*>(arg)->fmt.pix;
      const Format* f = pix.pixelformat == refused ? nullptr : find(pix.pixelformat);
      if (!f) f = &formats.front();
      const QSize size = capture::nearestSize(f->sizes, QSize(int(pix.width), int(pix.height)));
      pix.pixelformat = f->fourcc;
      pix.width = std::uint32_t(size.width());
      pix.height = std::uint32_t(size.height());
      const int bpp = capture::bytesPerPixel(f->fourcc);
      pix.bytesperline = bpp ? pix.width * std::uint32_t(bpp) + 8 : 0;  // padded lines
      pix.sizeimage = bpp ? pix.bytesperline * pix.height : pix.width * pix.height * 2;
      format = pix;
      return 0;
    }
    case VIDIOC_REQBUFS: {
      if (busyError) return fail(busyError);
      auto* req = static_cast<v4l2_requestbuffers*>(arg);
      if (streaming) return fail(EBUSY);
      if (req->count == 0) {
        if (mapped) return fail(EBUSY);
        buffers_.clear();
        queued_.clear();
        done_.clear();
        return 0;
      }
      req->count = std::min<std::uint32_t>(req->count, 3);
      buffers_.assign(req->count, std::vector<std::uint8_t>(format.sizeimage));
      return 0;
    }
    case VIDIOC_QUERYBUF: {
      auto* b = static_cast<v4l2_buffer*>(arg);
      if (b->index >= buffers_.size()) return fail(EINVAL);
      b->length = std::uint32_t(buffers_[b->index].size());
      b->m.offset = std::uint32_t(b->index * kOffsetStep);
      return 0;
    }
    case VIDIOC_QBUF: {
      auto* b = static_cast<v4l2_buffer*>(arg);
      if (b->index >= buffers_.size() || std::count(queued_.begin(), queued_.end(), b->index)) return fail(EINVAL);
      queued_.push_back(b->index);
      return 0;
    }
    case VIDIOC_DQBUF: {
      if (!streaming) return fail(EINVAL);
      if (done_.empty()) {
        drain();
        return fail(EAGAIN);
      }
      const Done d = done_.front();
      done_.pop_front();
      auto* b = static_cast<v4l2_buffer*>(arg);
      b->index = d.index;
      b->bytesused = d.bytes;
      b->sequence = d.sequence;
      b->flags = d.flags;
      return 0;
    }
    case VIDIOC_STREAMON:
      streaming = true;
      return 0;
    case VIDIOC_STREAMOFF:
      streaming = false;
      queued_.clear();
      done_.clear();
      drain();
      // Streaming off frees nothing while mapped; the buffers go when the port closes.
      return 0;
    case VIDIOC_QUERYCTRL: {
      auto* q = static_cast<v4l2_queryctrl*>(arg);
      const bool next = q->id & V4L2_CTRL_FLAG_NEXT_CTRL;
      const std::uint32_t id = q->id & ~V4L2_CTRL_FLAG_NEXT_CTRL;
      const Control* found = nullptr;
      for (const Control& c : controls)
        if (next ? c.query.id > id && (!found || c.query.id < found->query.id) : c.query.id == id) found = &c;
      if (!found) return fail(EINVAL);
      *q = found->query;
      if (inactive(*found)) q->flags |= V4L2_CTRL_FLAG_INACTIVE;
      return 0;
    }
    case VIDIOC_QUERYMENU: {
      auto* m = static_cast<v4l2_querymenu*>(arg);
      for (const Control& c : controls)
        if (c.query.id == m->id && m->index < c.menu.size() && !c.menu[m->index].empty()) {
          std::snprintf(reinterpret_cast<char*>(m->name), sizeof m->name, "%s", c.menu[m->index].c_str());
          return 0;
        }
      return fail(EINVAL);
    }
    case VIDIOC_G_CTRL:
    case VIDIOC_S_CTRL: {
      auto* v = static_cast<v4l2_control*>(arg);
      for (Control& c : controls) {
        if (c.query.id != v->id) continue;
        if (request == VIDIOC_G_CTRL) {
          v->value = c.value;
          return 0;
        }
        if (v->value < c.query.minimum || v->value > c.query.maximum) return fail(ERANGE);
        if (inactive(c)) return fail(EACCES);
        assign(c, v->value, false);
        ++sets;
        return 0;
      }
      return fail(EINVAL);
    }
    case VIDIOC_SUBSCRIBE_EVENT: {
      auto* sub = static_cast<v4l2_event_subscription*>(arg);
      if (sub->type != V4L2_EVENT_CTRL || !control(sub->id)) return fail(EINVAL);
      subscribed.push_back(sub->id);
      return 0;
    }
    case VIDIOC_DQEVENT: {
      if (events_.empty()) return fail(ENOENT);
      auto* e = static_cast<v4l2_event*>(arg);
      *e = {};
      e->type = V4L2_EVENT_CTRL;
      e->id = events_.front();
      events_.pop_front();
      return 0;
    }
    default:
      return fail(ENOTTY);
  }
}

}  // namespace fake
