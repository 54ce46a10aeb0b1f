#pragma once
// The texts the capture window reports through its callbacks.

#include <QSize>
#include <QString>
#include <cstdint>

#include "platform/capture/device.h"

namespace capture {

struct Report {
  std::int32_t id = 0;
  QString text;
};

Report connectingReport(const QString& device);
Report connectedReport(const QString& device, QSize size);
// Connected to the test pattern because the machine has no camera at all.
Report noCameraReport();
Report formatChangedReport(const QString& device, QSize size);
Report disconnectedReport(const QString& device);
// Nothing (id 0) for DeviceError::None.
Report errorReport(DeviceError error, const QString& device);
// The text drawn over the picture while the device is away.
QString lostNotice(const QString& device);

}  // namespace capture
