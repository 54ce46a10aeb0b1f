#pragma once
// A Video4Linux2 camera in memory: formats, controls, buffers and a real
// eventfd that becomes readable when a frame is waiting, so the capture path
// runs unchanged against it.

#include <linux/videodev2.h>

#include <QImage>
#include <QSize>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "platform/capture/v4l2_port.h"

namespace fake {

struct Format {
  std::uint32_t fourcc;
  std::vector<QSize> sizes;
  bool emulated = false;  // made up by conversion, as libv4l2 marks them
};

struct Control {
  v4l2_queryctrl query;
  int value;
  std::vector<std::string> menu;
  // Governed by an automatic mode: inactive (and refused, EACCES) unless
  // the control `master` has the value `activeWhen`.
  std::uint32_t master = 0;
  int activeWhen = 0;
};

// A control description for the tables of tests.
v4l2_queryctrl query(std::uint32_t id, std::uint32_t type, const char* name, int minimum, int maximum, int step,
                     int defaultValue, std::uint32_t flags = 0);

class Camera {
 public:
  Camera();
  ~Camera();
  Camera(const Camera&) = delete;
  Camera& operator=(const Camera&) = delete;

  // The opener for this camera: fails with `openError` while set, ENODEV while unplugged.
  capture::V4l2Opener opener();

  // Puts a frame into the next queued buffer and makes the fd readable.
  // False when no buffer is queued. `skip` leaves a gap in the sequence.
  bool push(const std::vector<std::uint8_t>& bytes, std::uint32_t skip = 0, bool errorFlag = false);
  // A frame of the current format and size filled with `colour` (RGB24 or YUYV).
  bool pushColour(QColor colour);
  bool pushImage(const QImage& image);  // RGB24 only
  // Another program (or the device itself) changes a control: a control
  // event is queued for every control whose value or flags change.
  void changeControl(std::uint32_t id, int value);
  Control* control(std::uint32_t id);
  void unplug();
  void replug() { present = true; }

  std::vector<Format> formats;
  std::vector<Control> controls;
  bool present = true;
  int openError = 0;
  int busyError = 0;          // returned by S_FMT and REQBUFS while set (EBUSY)
  std::uint32_t refused = 0;  // listed, but S_FMT falls back to the first format
  std::uint32_t caps = V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_STREAMING;

  // What the capture path did.
  int opens = 0;
  int openPorts = 0;
  int mapped = 0;
  bool streaming = false;
  v4l2_pix_format format{};
  std::vector<std::uint32_t> subscribed;  // controls with events asked for
  int sets = 0;                           // successful S_CTRL calls

 private:
  friend class Port;
  int ioctl(unsigned long request, void* arg);
  void* map(std::size_t length, std::int64_t offset);
  void signal();
  void drain();
  void release();
  const Format* find(std::uint32_t fourcc) const;
  bool inactive(const Control& c) const;
  // Sets a control, queuing events for the ones it governs.
  void assign(Control& c, int value, bool eventForItself);
  void queueEvent(std::uint32_t id);

  int eventFd_;
  std::vector<std::vector<std::uint8_t>> buffers_;
  std::deque<std::uint32_t> queued_;
  struct Done {
    std::uint32_t index, bytes, sequence, flags;
  };
  std::deque<Done> done_;
  std::uint32_t sequence_ = 0;
  std::deque<std::uint32_t> events_;
};

}  // namespace fake
