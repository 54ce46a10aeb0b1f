#include "platform/capture/device.h"

#include <cerrno>

namespace capture {

DeviceError errorFromErrno(int err) {
  switch (err) {
    case 0:
      return DeviceError::None;
    case ENOENT:
    case ENXIO:
    case ENOTDIR:
      return DeviceError::NoDevice;
    case EBUSY:
      return DeviceError::Busy;
    case EACCES:
    case EPERM:
      return DeviceError::PermissionDenied;
    case EINVAL:
      return DeviceError::UnsupportedFormat;
    case ENODEV:
    case EIO:
      return DeviceError::Lost;
    default:
      return DeviceError::Failed;
  }
}

}  // namespace capture
