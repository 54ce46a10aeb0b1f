#include "platform/capture/capture_window.h"

#include <QPainter>
#include <QPointer>
#include <algorithm>
#include <cstring>
#include <utility>

#include "platform/capture/dib.h"
#include "platform/capture/format_dialog.h"
#include "platform/capture/messages.h"
#include "platform/capture/mjpeg.h"
#include "platform/capture/pixels.h"
#include "platform/capture/preview.h"
#include "platform/capture/records.h"
#include "platform/capture/source_dialog.h"
#include "platform/capture/startup_report.h"
#include "platform/capture/stored_controls.h"
#include "platform/runtime/dialogs.h"
#include "platform/runtime/paths.h"

namespace capture {

CaptureWindow::CaptureWindow(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  paintTimer_.setSingleShot(true);
  connect(&paintTimer_, &QTimer::timeout, this, [this] { update(); });
  returnTimer_.setInterval(kReturnCheckMs);
  connect(&returnTimer_, &QTimer::timeout, this, [this] { checkReturn(); });
}

CaptureWindow::~CaptureWindow() {
  if (device_) device_->stop();
}

win::LRESULT CaptureWindow::windowProc(win::UINT msg, win::WPARAM wParam, win::LPARAM lParam) {
  switch (msg) {
    case WM_CAP_SET_CALLBACK_ERRORA:
      callbacks_[Error] = lParam;
      return 1;
    case WM_CAP_SET_CALLBACK_STATUSA:
      callbacks_[Status] = lParam;
      return 1;
    case WM_CAP_SET_CALLBACK_YIELD:
      callbacks_[Yield] = lParam;
      return 1;
    case WM_CAP_SET_CALLBACK_FRAME:
      callbacks_[Frame] = lParam;
      return 1;
    case WM_CAP_SET_CALLBACK_VIDEOSTREAM:
      callbacks_[VideoStream] = lParam;
      return 1;
    case WM_CAP_SET_CALLBACK_WAVESTREAM:
      callbacks_[WaveStream] = lParam;
      return 1;
    case WM_CAP_SET_CALLBACK_CAPCONTROL:
      callbacks_[CapControl] = lParam;
      return 1;
    case WM_CAP_DRIVER_CONNECT:
      return connectDriver(wParam);
    case WM_CAP_DRIVER_DISCONNECT:
      return disconnectDriver();
    case WM_CAP_DRIVER_GET_CAPS:
      return driverCaps(wParam, lParam);
    case WM_CAP_FILE_SAVEDIBA:
      return saveFrame(wParam, lParam);
    case WM_CAP_DLG_VIDEOFORMAT:
      return formatDialog();
    case WM_CAP_DLG_VIDEOSOURCE:
      return sourceDialog();
    case WM_CAP_SET_PREVIEW:
      preview_ = wParam != 0;
      update();
      return 1;
    case WM_CAP_SET_PREVIEWRATE:
      rateMs_ = int(std::clamp<win::WPARAM>(wParam, 0, 60000));
      return 1;
    case WM_CAP_SET_SCALE:
      scale_ = wParam != 0;
      updatePreviewArea();
      update();
      return 1;
    case WM_CAP_GET_STATUS:
      return status(wParam, lParam);
    default:
      return 0;
  }
}

win::LRESULT CaptureWindow::finish(win::LRESULT result, Callback which, const Report& report) {
  const win::LPARAM callback = callbacks_[which];
  if (callback && report.id != 0) {
    const QByteArray text = rt::Ansi(report.text);
    reinterpret_cast<CapErrorCallback>(callback)(win::handleOf(this), report.id, text.constData());
  }
  return result;
}

bool CaptureWindow::reportBetween(Callback which, const Report& report) {
  QPointer<CaptureWindow> alive(this);
  const std::uint64_t generation = generation_;
  finish(0, which, report);
  return alive && generation_ == generation;
}

bool CaptureWindow::tellCatalogNotice() {
  const QString notice = deviceCatalog().takeNotice();
  return notice.isEmpty() || reportBetween(Error, {kErrorPermission, notice});
}

DeviceError CaptureWindow::startDevice() {
  if (const auto format = rememberedFormat(info_.key)) device_->setFormat(format->size, format->fourcc);
  return openDevice();
}

DeviceError CaptureWindow::openDevice() {
  updatePreviewArea();
  const DeviceError error = device_->start(*this);
  if (error == DeviceError::None) applyStoredControls(*device_, info_.key);
  return error;
}

void CaptureWindow::updatePreviewArea() {
  // Unscaled, the frame is shown at its own size: it is needed whole.
  if (device_) device_->setPreviewArea(scale_ ? size() * devicePixelRatio() : QSize());
}

QImage CaptureWindow::fullFrame() const {
  const EncodedFrame* encoded = device_ ? device_->newestEncoded() : nullptr;
  if (!encoded || frame_.size() == encoded->size) return frame_;
  return JpegDecoder().decode(encoded->bytes.data(), encoded->bytes.size(), encoded->size);
}

void CaptureWindow::becomeRunning() {
  ++generation_;
  state_ = State::Running;
  returnTimer_.stop();
  frames_ = 0;
  sinceConnect_.start();
  update();
}

void CaptureWindow::becomeLost() {
  ++generation_;
  state_ = State::Lost;
  returnTimer_.start();
  update();
}

win::LRESULT CaptureWindow::connectDriver(win::WPARAM index) {
  if (index != 0) return finish(0, Error, {kErrorNoDevice, QStringLiteral("There is no video driver %1").arg(index)});
  if (state_ == State::Running) return 1;

  std::optional<DeviceInfo> info;
  bool noCamera = false;
  if (device_) {
    info = info_;  // a vanished device is resumed, not replaced
  } else {
    const QString remembered = rememberedDevice();
    const std::vector<DeviceInfo> listed = deviceCatalog().list();
    info = chooseDevice(listed, remembered);
    QPointer<CaptureWindow> alive(this);
    if (!tellCatalogNotice()) return alive && state_ == State::Running ? 1 : 0;
    if (!info) return finish(0, Error, errorReport(DeviceError::NoDevice, remembered));
    noCamera = remembered != kTestPatternKey && FallsBackToTestPattern(listed, *info);
  }
  QPointer<CaptureWindow> alive(this);
  if (!reportBetween(Status, connectingReport(info->name))) {
    // The callback connected, disconnected or destroyed this window itself.
    return alive && state_ == State::Running ? 1 : 0;
  }

  ++generation_;
  if (!device_) {
    device_ = deviceCatalog().make(*info);
    info_ = *info;
  }
  const DeviceError error = device_ ? startDevice() : DeviceError::NoDevice;
  if (error != DeviceError::None) {
    if (state_ != State::Lost) {
      device_.reset();
      state_ = State::Disconnected;
    }
    return finish(0, Error, errorReport(error, info->name));
  }
  frame_ = QImage();
  becomeRunning();
  // Said once in the program's life; reconnecting later names the pattern.
  static bool noCameraTold = false;
  if (noCamera && !std::exchange(noCameraTold, true)) return finish(1, Status, noCameraReport());
  return finish(1, Status, connectedReport(info_.name, device_->frameSize()));
}

win::LRESULT CaptureWindow::disconnectDriver() {
  if (!device_) return 0;
  ++generation_;
  device_->stop();
  device_.reset();
  state_ = State::Disconnected;
  returnTimer_.stop();
  paintTimer_.stop();
  frame_ = QImage();
  update();
  return finish(1, Status, disconnectedReport(info_.name));
}

win::LRESULT CaptureWindow::driverCaps(win::WPARAM size, win::LPARAM address) const {
  if (!device_ || !address || size < win::WPARAM(sizeof(CAPDRIVERCAPS))) return 0;
  CAPDRIVERCAPS caps{};
  caps.wDeviceIndex = 0;
  caps.fHasDlgVideoSource = 1;
  caps.fHasDlgVideoFormat = 1;
  caps.fCaptureInitialized = state_ == State::Running;
  std::memcpy(reinterpret_cast<void*>(address), &caps, sizeof caps);
  return 1;
}

win::LRESULT CaptureWindow::status(win::WPARAM size, win::LPARAM address) const {
  if (!device_ || !address || size < win::WPARAM(sizeof(CAPSTATUS))) return 0;
  CAPSTATUS s{};
  const QSize frameSize = device_->frameSize();
  s.uiImageWidth = std::uint32_t(std::max(frameSize.width(), 0));
  s.uiImageHeight = std::uint32_t(std::max(frameSize.height(), 0));
  s.fLiveWindow = preview_;
  s.fScale = scale_;
  s.dwCurrentVideoFrame = frames_;
  s.dwCurrentVideoFramesDropped = device_->droppedFrames() + device_->corruptFrames();
  s.dwCurrentTimeElapsedMS = sinceConnect_.isValid() ? std::uint32_t(sinceConnect_.elapsed()) : 0;
  s.wNumVideoAllocated = device_->bufferCount();
  std::memcpy(reinterpret_cast<void*>(address), &s, sizeof s);
  return 1;
}

win::LRESULT CaptureWindow::saveFrame(win::WPARAM request, win::LPARAM path) const {
  if (state_ != State::Running || frame_.isNull() || !path) return 0;
  const auto* save = reinterpret_cast<const FrameSave*>(request);
  // A JPEG or PDF of a camera's JPEG frame keeps the camera's bytes: decoding
  // and encoding them again would only lose detail and time.
  if (save && save->format != pictures::Format::Bmp) {
    if (auto jpeg = cameraJpeg()) {
      if (const auto* fault = std::get_if<JpegFault>(&*jpeg))
        return answerRefusal(cameraJpegFaultText(*fault), request, path);
      return answerSave(cameraPicture(std::get<std::vector<std::uint8_t>>(std::move(*jpeg))), request, path);
    }
  }
  return answerSave(pictures::Frame{fullFrame()}, request, path);
}

pictures::EncodedJpeg CaptureWindow::cameraPicture(std::vector<std::uint8_t> file) const {
  const QSize size = device_->newestEncoded()->size;
  pictures::EncodedJpeg jpeg;
  jpeg.bytes = QByteArray(reinterpret_cast<const char*>(file.data()), qsizetype(file.size()));
  jpeg.width = size.width();
  jpeg.height = size.height();
  jpeg.xDpi = jpeg.yDpi = kFrameJpegDpi;
  jpeg.shown = frame_;
  return jpeg;
}

std::optional<std::variant<std::vector<std::uint8_t>, JpegFault>> CaptureWindow::cameraJpeg() const {
  const EncodedFrame* encoded = device_ && state_ == State::Running ? device_->newestEncoded() : nullptr;
  if (!encoded || frame_.isNull() || !keepsCameraJpeg(info_.key)) return std::nullopt;
  return cameraJpegFile(encoded->bytes.data(), encoded->bytes.size(), encoded->size, kFrameJpegDpi);
}

win::LRESULT CaptureWindow::formatDialog() {
  if (!device_) return 0;
  CaptureDevice* device = device_.get();
  QPointer<CaptureWindow> alive(this);
  const std::uint64_t generation = generation_;
  const QSize currentSize = device->frameSize();
  const std::uint32_t currentFormat = device->pixelFormat();
  FormatDialog dialog(
      info_.name, device->pixelFormats(),
      [alive, device](std::uint32_t fourcc) {
        // The device can go while the dialog is open.
        return alive && alive->device() == device ? device->frameSizes(fourcc) : std::vector<QSize>{};
      },
      currentSize, currentFormat, keepsCameraJpeg(info_.key), device->newestEncoded() != nullptr, this);
  const int answer = rt::RunModal(dialog);
  if (!alive || generation_ != generation || answer != QDialog::Accepted) return 0;

  const QSize size = dialog.chosenSize();
  const std::uint32_t format = dialog.chosenFormat();
  if (size.isEmpty()) return 0;
  if (dialog.keepCameraJpeg() != keepsCameraJpeg(info_.key))
    rememberKeepsCameraJpeg(info_.key, dialog.keepCameraJpeg());
  if (size == currentSize && format == currentFormat) return 1;
  const DeviceError error = device_->setFormat(size, format);
  if (error != DeviceError::None) {
    if (state_ == State::Running && !device_->running()) becomeLost();
    return finish(0, Error, errorReport(error, info_.name));
  }
  ++generation_;
  rememberFormat(info_.key, {size, format});
  return finish(1, Status, formatChangedReport(info_.name, device_->frameSize()));
}

win::LRESULT CaptureWindow::sourceDialog() {
  std::vector<DeviceInfo> devices = deviceCatalog().list();
  if (!tellCatalogNotice()) return 0;
  QString current;
  if (device_) {
    current = info_.key;
    if (std::find_if(devices.begin(), devices.end(), [&](const DeviceInfo& d) { return d.key == current; }) ==
        devices.end())
      devices.insert(devices.begin(), info_);
  } else if (const auto chosen = chooseDevice(devices, rememberedDevice())) {
    current = chosen->key;
  }
  const std::vector<Control> opened = state_ == State::Running ? device_->controls() : std::vector<Control>{};

  QPointer<CaptureWindow> alive(this);
  const std::uint64_t generation = generation_;
  CaptureDevice* device = device_.get();
  // The device can go while the dialog is open.
  auto live = [alive, device] { return alive && alive->device() == device ? device : nullptr; };
  ControlAccess access{[live](std::uint32_t id, int value) { return live() && live()->setControl(id, value); },
                       [live] { return live() ? live()->controls() : std::vector<Control>{}; }};
  SourceDialog dialog(devices, current, opened, std::move(access), this);
  sourceDialog_ = &dialog;
  const int answer = rt::RunModal(dialog);
  if (!alive) return 0;
  sourceDialog_ = nullptr;
  if (generation_ != generation) return 0;

  const QString chosen = dialog.chosenDevice();
  const bool kept = answer == QDialog::Accepted && device_ && chosen == info_.key;
  if (device_ && !opened.empty()) {
    // The controls acted at once: Cancel, or another device, puts them back.
    if (kept) {
      storeControls(info_.key, device_->controls());
      return 1;
    }
    applyControlValues(*device_, valuesToRestore(opened, device_->controls()));
  }
  if (answer != QDialog::Accepted) return 0;
  if (kept) return 1;
  const auto info = std::find_if(devices.begin(), devices.end(), [&](const DeviceInfo& d) { return d.key == chosen; });
  if (info == devices.end()) return 0;
  return switchDevice(*info);
}

win::LRESULT CaptureWindow::switchDevice(const DeviceInfo& info) {
  ++generation_;
  const bool wasConnected = device_ != nullptr;
  const bool wasRunning = state_ == State::Running;
  if (device_) device_->stop();

  std::unique_ptr<CaptureDevice> old = std::move(device_);
  const DeviceInfo oldInfo = info_;
  device_ = deviceCatalog().make(info);
  info_ = info;
  const DeviceError error = device_ ? startDevice() : DeviceError::NoDevice;
  if (error != DeviceError::None) {
    // Back to the device shown before.
    device_ = std::move(old);
    info_ = oldInfo;
    if (wasRunning && openDevice() != DeviceError::None) becomeLost();
    return finish(0, Error, errorReport(error, info.name));
  }
  old.reset();
  rememberDevice(info.key);
  if (!wasConnected) {
    // Nothing was shown before: show the newly chosen device.
    preview_ = true;
    scale_ = true;
  }
  frame_ = QImage();
  becomeRunning();
  return finish(1, Status, connectedReport(info_.name, device_->frameSize()));
}

void CaptureWindow::frameReady(const QImage& frame) {
  frame_ = frame;
  ++frames_;
  if (preview_) schedulePaint();
}

void CaptureWindow::controlsChanged() {
  if (sourceDialog_) sourceDialog_->refresh();
}

void CaptureWindow::deviceLost(DeviceError why) {
  becomeLost();
  finish(0, Error, errorReport(why, info_.name));
}

void CaptureWindow::checkReturn() {
  if (state_ != State::Lost || !device_) {
    returnTimer_.stop();
    return;
  }
  if (openDevice() != DeviceError::None) return;
  becomeRunning();
  finish(1, Status, connectedReport(info_.name, device_->frameSize()));
}

void CaptureWindow::schedulePaint() {
  const qint64 wait = paintDelay(sinceLastPaint_.isValid() ? sinceLastPaint_.elapsed() : -1, rateMs_);
  if (wait == 0)
    update();
  else if (!paintTimer_.isActive())
    paintTimer_.start(int(wait));
}

void CaptureWindow::resizeEvent(QResizeEvent*) { updatePreviewArea(); }

void CaptureWindow::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::black);
  if (preview_) paintPreview(painter, frame_, rect(), scale_);
  if (preview_ && !frame_.isNull()) reportFirstFramePainted();
  if (state_ == State::Lost) paintNotice(painter, rect(), lostNotice(info_.name));
  sinceLastPaint_.start();
}

}  // namespace capture
