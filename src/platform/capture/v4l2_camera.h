#pragma once
// A Video4Linux2 camera: format negotiation, memory-mapped streaming, and
// frames dequeued on the GUI thread whenever the device becomes readable.

#include <QSocketNotifier>
#include <memory>
#include <string>
#include <vector>

#include "platform/capture/device.h"
#include "platform/capture/mjpeg.h"
#include "platform/capture/v4l2_port.h"

namespace capture {

// The size in `sizes` closest to `wanted` (smallest sum of the width and
// height differences; the first of equals); `wanted` when `sizes` is empty.
QSize nearestSize(const std::vector<QSize>& sizes, QSize wanted);

// Sizes offered for a step-wise or continuous range: the common sizes inside it.
std::vector<QSize> commonSizesWithin(QSize minimum, QSize maximum, QSize step);

class V4l2Camera final : public CaptureDevice {
 public:
  V4l2Camera(std::string path, QString name, V4l2Opener opener);
  ~V4l2Camera() override;
  V4l2Camera(const V4l2Camera&) = delete;
  V4l2Camera& operator=(const V4l2Camera&) = delete;

  QString name() const override { return name_; }
  DeviceError start(DeviceSink& sink) override;
  void stop() override;
  bool running() const override { return port_ != nullptr; }
  QSize frameSize() const override { return size_; }
  std::uint32_t pixelFormat() const override { return wantedFourcc_; }
  std::vector<PixelFormat> pixelFormats() override;
  std::vector<QSize> frameSizes(std::uint32_t fourcc) override;
  DeviceError setFormat(QSize size, std::uint32_t fourcc) override;
  std::vector<Control> controls() override;
  bool setControl(std::uint32_t id, int value) override;
  std::uint32_t bufferCount() const override { return std::uint32_t(buffers_.size()); }
  std::uint32_t droppedFrames() const override { return dropped_; }
  std::uint32_t corruptFrames() const override { return corrupt_; }
  void setPreviewArea(QSize area) override { previewArea_ = area; }
  const EncodedFrame* newestEncoded() const override { return encoded_.bytes.empty() ? nullptr : &encoded_; }
  // The device's sequence number of the frame last delivered.
  std::uint32_t lastDeliveredSequence() const { return deliveredSequence_; }

  static constexpr QSize kDefaultSize{640, 480};

 private:
  DeviceError negotiate();
  DeviceError startStreaming();
  void onReadable();
  void subscribeControlEvents();
  // Takes every pending control event; true when there was one.
  bool drainControlEvents();
  QImage decode(const std::uint8_t* data, std::size_t bytes);
  bool requeue(std::uint32_t index);
  void close();
  // The open port, or one opened for the duration of a query.
  V4l2Port* queryPort(std::unique_ptr<V4l2Port>& temporary);

  std::string path_;
  QString name_;
  V4l2Opener opener_;
  DeviceSink* sink_ = nullptr;
  std::unique_ptr<V4l2Port> port_;
  std::vector<Mapping> buffers_;  // declared after port_: unmapped before it closes
  QSocketNotifier* notifier_ = nullptr;
  QSocketNotifier* events_ = nullptr;  // control events come as an exceptional condition
  bool subscribed_ = false;
  bool streaming_ = false;

  QSize wanted_ = kDefaultSize;
  std::uint32_t wantedFourcc_ = 0;  // 0: RGB24, converted by libv4l2
  QSize size_;
  std::uint32_t format_ = 0;
  std::uint32_t bytesPerLine_ = 0;

  bool haveSequence_ = false;
  std::uint32_t lastSequence_ = 0;
  std::uint32_t dropped_ = 0;
  std::uint32_t corrupt_ = 0;
  std::uint32_t deliveredSequence_ = 0;

  QSize previewArea_;
  JpegDecoder jpeg_;
  EncodedFrame encoded_;
};

}  // namespace capture
