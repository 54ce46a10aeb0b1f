#pragma once
// The devices the capture window can show: every Video4Linux2 capture device
// of the machine, the video sources of PipeWire, then the test pattern. The
// user's choice is remembered by the device's stable path (a PipeWire
// source's by its node name).

#include <QString>
#include <memory>
#include <optional>
#include <vector>

#include "platform/capture/device.h"
#include "platform/capture/v4l2_port.h"

namespace capture {

struct DeviceInfo {
  QString key;   // stable path of a camera, or kTestPatternKey
  QString name;  // as the user sees it
  friend bool operator==(const DeviceInfo&, const DeviceInfo&) = default;
};

inline const QString kTestPatternKey = QStringLiteral("test-pattern");

class DeviceCatalog {
 public:
  virtual ~DeviceCatalog() = default;
  // Cameras first, in node order; the test pattern last.
  virtual std::vector<DeviceInfo> list() = 0;
  virtual std::unique_ptr<CaptureDevice> make(const DeviceInfo& device) = 0;
  // Something to tell the user once, found while listing; empty when none.
  virtual QString takeNotice() { return {}; }
};

namespace pw {
class Sources;
}

// The capture devices among the nodes video0, video1, ... of `devFolder`,
// and the PipeWire video sources unless `withPipeWire` is false.
class SystemCatalog final : public DeviceCatalog {
 public:
  explicit SystemCatalog(QString devFolder = QStringLiteral("/dev"), V4l2Opener opener = openLibV4l2,
                         bool withPipeWire = true);
  ~SystemCatalog() override;
  std::vector<DeviceInfo> list() override;
  std::unique_ptr<CaptureDevice> make(const DeviceInfo& device) override;
  QString takeNotice() override;

 private:
  QString devFolder_;
  V4l2Opener opener_;
  std::unique_ptr<pw::Sources> pipewire_;
};

// The catalog in use; tests install their own (nullptr restores the system's).
DeviceCatalog& deviceCatalog();
void setDeviceCatalog(DeviceCatalog* catalog);

// The name that stays with the device across reboots and replugging: its
// link in v4l/by-id (the "-index0" one first), else in v4l/by-path, else the
// node itself.
QString stablePath(const QString& devFolder, const QString& node);

// Which device to connect: the remembered one while it is listed (nothing
// when it is not), else the first listed.
std::optional<DeviceInfo> chooseDevice(const std::vector<DeviceInfo>& listed, const QString& remembered);
// True when `chosen` is the test pattern only because nothing else is listed.
bool FallsBackToTestPattern(const std::vector<DeviceInfo>& listed, const DeviceInfo& chosen);

// The remembered choice, kept in the settings store (application "capture").
QString rememberedDevice();
bool rememberDevice(const QString& key);

// A frame size and pixel format chosen for a device, kept the same way.
struct FormatChoice {
  QSize size;
  std::uint32_t fourcc = 0;
};
std::optional<FormatChoice> rememberedFormat(const QString& key);
bool rememberFormat(const QString& key, const FormatChoice& choice);
// "640x480 YUYV", "640x480 auto"; nothing for anything else.
std::optional<FormatChoice> parseFormatChoice(const QString& text);
QString formatChoiceText(const FormatChoice& choice);

// Whether JPEG captures from the device's own JPEG frames keep them as they
// are (on unless turned off for the device).
bool keepsCameraJpeg(const QString& key);
bool rememberKeepsCameraJpeg(const QString& key, bool keep);

}  // namespace capture
