#include "platform/capture/reports.h"

#include "platform/capture/messages.h"

namespace capture {

namespace {

QString sizeText(QSize size) { return QStringLiteral("%1 x %2").arg(size.width()).arg(size.height()); }

}  // namespace

Report connectingReport(const QString& device) { return {kStatusConnecting, "Connecting to " + device + "..."}; }

Report connectedReport(const QString& device, QSize size) {
  return {kStatusConnected, device + ": " + sizeText(size)};
}

Report noCameraReport() { return {kStatusConnected, QStringLiteral("No camera found: showing the test pattern")}; }

Report formatChangedReport(const QString& device, QSize size) {
  return {kStatusFormatChanged, device + ": now " + sizeText(size)};
}

Report disconnectedReport(const QString& device) { return {kStatusDisconnected, "Disconnected from " + device}; }

Report errorReport(DeviceError error, const QString& device) {
  switch (error) {
    case DeviceError::None:
      return {};
    case DeviceError::NoDevice:
      return {kErrorNoDevice, device + " is not connected"};
    case DeviceError::Busy:
      return {kErrorBusy, device + " is in use by another program"};
    case DeviceError::PermissionDenied:
      return {kErrorPermission, "No permission to use " + device};
    case DeviceError::UnsupportedFormat:
      return {kErrorUnsupportedFormat, device + " cannot deliver that picture format"};
    case DeviceError::Lost:
      return {kErrorDeviceLost, device + " was disconnected"};
    case DeviceError::Failed:
      break;
  }
  return {kErrorFailed, device + " does not work"};
}

QString lostNotice(const QString& device) { return device + " was disconnected"; }

}  // namespace capture
