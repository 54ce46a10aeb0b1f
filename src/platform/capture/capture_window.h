#pragma once
// The capture window: a child window that shows the live picture of one
// capture device and answers the capture messages (see messages.h).
// Callbacks run on the GUI thread, and a callback may send messages to this
// window or destroy it: every report is made after the state has settled,
// as the last step of a message.

#include <QElapsedTimer>
#include <QImage>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <array>
#include <memory>
#include <optional>
#include <variant>
#include <vector>

#include "platform/capture/camera_jpeg.h"
#include "platform/capture/catalog.h"
#include "platform/capture/device.h"
#include "platform/capture/reports.h"
#include "platform/pictures/picture.h"
#include "platform/window/window.h"

namespace capture {

class SourceDialog;

class CaptureWindow final : public QWidget, public win::MessageTarget, private DeviceSink {
  Q_OBJECT
 public:
  explicit CaptureWindow(QWidget* parent = nullptr);
  ~CaptureWindow() override;

  win::LRESULT windowProc(win::UINT msg, win::WPARAM wParam, win::LPARAM lParam) override;

  enum class State { Disconnected, Running, Lost };
  State state() const { return state_; }
  CaptureDevice* device() const { return device_.get(); }
  const QImage& newestFrame() const { return frame_; }
  // The newest frame as the camera's own JPEG file, or why it cannot be
  // saved as one; nothing when the device sends no JPEG frames or JPEG
  // captures from it are to be decoded and encoded again.
  std::optional<std::variant<std::vector<std::uint8_t>, JpegFault>> cameraJpeg() const;
  // How often a vanished device is looked for.
  static constexpr int kReturnCheckMs = 1000;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void frameReady(const QImage& frame) override;
  void deviceLost(DeviceError why) override;
  void controlsChanged() override;

  win::LRESULT connectDriver(win::WPARAM index);
  win::LRESULT disconnectDriver();
  win::LRESULT driverCaps(win::WPARAM size, win::LPARAM address) const;
  win::LRESULT status(win::WPARAM size, win::LPARAM address) const;
  win::LRESULT saveFrame(win::WPARAM request, win::LPARAM path) const;
  // The camera's JPEG file as the store takes it, the preview for the viewer.
  pictures::EncodedJpeg cameraPicture(std::vector<std::uint8_t> file) const;
  win::LRESULT formatDialog();
  win::LRESULT sourceDialog();
  win::LRESULT switchDevice(const DeviceInfo& info);

  // Reports what the catalogue found to tell while listing; false as reportBetween.
  bool tellCatalogNotice();
  DeviceError startDevice();
  // Starts the device as it is and puts its stored control values back.
  DeviceError openDevice();
  void updatePreviewArea();
  // The newest frame at its full size (compressed frames are decoded again).
  QImage fullFrame() const;
  void becomeRunning();
  void becomeLost();
  void checkReturn();
  void schedulePaint();

  enum Callback { Error, Status, Yield, Frame, VideoStream, WaveStream, CapControl, kCallbacks };
  // Calls a callback with `report` and answers `result`; touches nothing of
  // this window after the call.
  win::LRESULT finish(win::LRESULT result, Callback which, const Report& report);
  // False when the window was destroyed or its connection changed meanwhile.
  bool reportBetween(Callback which, const Report& report);

  std::array<win::LPARAM, kCallbacks> callbacks_{};
  std::unique_ptr<CaptureDevice> device_;
  DeviceInfo info_;
  State state_ = State::Disconnected;
  std::uint64_t generation_ = 0;

  QImage frame_;
  std::uint32_t frames_ = 0;
  QElapsedTimer sinceConnect_;
  bool preview_ = false;
  bool scale_ = false;
  int rateMs_ = 33;
  QElapsedTimer sinceLastPaint_;
  QTimer paintTimer_;
  QTimer returnTimer_;
  QPointer<SourceDialog> sourceDialog_;
};

}  // namespace capture
