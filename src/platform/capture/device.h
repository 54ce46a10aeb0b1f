#pragma once
// A source of video frames behind the capture window: a camera or the test
// pattern. Devices deliver frames on the GUI thread through a sink.

#include <QImage>
#include <QSize>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

namespace capture {

enum class DeviceError {
  None,
  NoDevice,
  Busy,
  PermissionDenied,
  UnsupportedFormat,
  Lost,
  Failed,
};

// The error a failed system call stands for.
DeviceError errorFromErrno(int err);

struct PixelFormat {
  std::uint32_t fourcc = 0;  // 0: whatever the device offers, converted
  QString description;
};

struct Control {
  enum class Kind { Integer, Boolean, Menu };
  std::uint32_t id = 0;
  QString name;
  Kind kind = Kind::Integer;
  int minimum = 0;
  int maximum = 0;
  int step = 1;
  int defaultValue = 0;
  int value = 0;
  QStringList items;  // Menu: the text of each value from `minimum` on; empty = not offered
  // Governed by an automatic mode that is on (manual exposure under auto
  // exposure, ...): its value is the device's, not the user's.
  bool inactive = false;
};

// The newest frame as the device sent it, for formats the device compresses.
struct EncodedFrame {
  std::uint32_t fourcc = 0;
  QSize size;
  std::vector<std::uint8_t> bytes;
};

class DeviceSink {
 public:
  // The newest frame, Format_RGB32.
  virtual void frameReady(const QImage& frame) = 0;
  // The device went away; it has already stopped.
  virtual void deviceLost(DeviceError why) = 0;
  // A control's value or flags changed on the device (another program, or
  // an automatic mode switched on or off).
  virtual void controlsChanged() {}

 protected:
  ~DeviceSink() = default;
};

class CaptureDevice {
 public:
  virtual ~CaptureDevice() = default;
  virtual QString name() const = 0;

  // Opens the device and starts delivering frames to `sink`.
  virtual DeviceError start(DeviceSink& sink) = 0;
  // Stops delivering; safe to call from inside a sink call.
  virtual void stop() = 0;
  virtual bool running() const = 0;

  // The negotiated frame size (the last one while stopped).
  virtual QSize frameSize() const = 0;
  virtual std::uint32_t pixelFormat() const { return 0; }
  // Pixel formats to choose from; empty when the device has no choice.
  virtual std::vector<PixelFormat> pixelFormats() { return {}; }
  virtual std::vector<QSize> frameSizes(std::uint32_t fourcc) = 0;
  // Takes effect at once while running (restarting the stream), else at the
  // next start. On failure the previous format stays.
  virtual DeviceError setFormat(QSize size, std::uint32_t fourcc) = 0;

  virtual std::vector<Control> controls() = 0;
  virtual bool setControl(std::uint32_t id, int value) = 0;

  virtual std::uint32_t bufferCount() const { return 0; }
  // Frames the device skipped, and frames that arrived but did not decode.
  virtual std::uint32_t droppedFrames() const { return 0; }
  virtual std::uint32_t corruptFrames() const { return 0; }

  // The size the live picture is painted at (device pixels); an empty size
  // asks for full frames. Compressed frames are decoded just large enough.
  virtual void setPreviewArea(QSize) {}
  // The frame last delivered, undecoded; nothing for uncompressed formats.
  virtual const EncodedFrame* newestEncoded() const { return nullptr; }
};

}  // namespace capture
