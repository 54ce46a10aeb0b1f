#pragma once
// A PipeWire video source as a capture device: a stream linked to the node
// of a given name, raw formats or MJPEG at the size wanted, frames decoded
// on the GUI thread. The node is found by name at every start, so the same
// camera coming back under a new id resumes.

#include <functional>
#include <memory>

#include "platform/capture/device.h"
#include "platform/capture/pipewire/pw_session.h"

struct pw_stream;

namespace capture::pw {

// The session cameras share; null while no daemon answers (asked again then).
using SessionSource = std::function<std::shared_ptr<Session>()>;

class PipeWireCamera final : public CaptureDevice, private SessionClient {
 public:
  PipeWireCamera(QString nodeName, QString name, SessionSource session);
  ~PipeWireCamera() override;
  PipeWireCamera(const PipeWireCamera&) = delete;
  PipeWireCamera& operator=(const PipeWireCamera&) = delete;

  QString name() const override { return name_; }
  DeviceError start(DeviceSink& sink) override;
  void stop() override;
  bool running() const override { return stream_ != nullptr; }
  QSize frameSize() const override { return size_; }
  std::uint32_t pixelFormat() const override { return wantedFourcc_; }
  std::vector<PixelFormat> pixelFormats() override;
  std::vector<QSize> frameSizes(std::uint32_t fourcc) override;
  DeviceError setFormat(QSize size, std::uint32_t fourcc) override;
  // A PipeWire node offers no picture controls to its clients.
  std::vector<Control> controls() override { return {}; }
  bool setControl(std::uint32_t, int) override { return false; }
  std::uint32_t droppedFrames() const override { return dropped_; }

  static constexpr QSize kDefaultSize{640, 480};

 private:
  struct Hooks;
  void afterDispatch() override;
  std::vector<FormatOffer> offers();
  void streamState(int state);
  static void onParamChanged(void* data, std::uint32_t id, const struct spa_pod* param);
  static void onProcess(void* data);

  QString nodeName_;
  QString name_;
  SessionSource sessionSource_;
  std::shared_ptr<Session> session_;  // held while streaming
  DeviceSink* sink_ = nullptr;
  pw_stream* stream_ = nullptr;
  std::unique_ptr<Hooks> hooks_;
  std::uint32_t nodeId_ = 0;

  QSize wanted_ = kDefaultSize;
  std::uint32_t wantedFourcc_ = 0;  // 0: whatever the node offers
  QSize size_;
  std::uint32_t format_ = 0;  // the negotiated one, as a fourcc
  QImage pending_;            // the newest frame, handed on after the loop ran
  bool failed_ = false;
  std::uint32_t dropped_ = 0;
};

}  // namespace capture::pw
