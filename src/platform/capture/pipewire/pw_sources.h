#pragma once
// The PipeWire part of the capture catalogue: which connection to use (the
// Camera portal where it answers, else the user's daemon directly, else
// none), the video sources it lists, and their cameras.

#include <QString>
#include <memory>
#include <vector>

#include "platform/capture/catalog.h"
#include "platform/capture/pipewire/pw_session.h"

namespace capture::pw {

// Keys of PipeWire devices: the prefix, then the node's name.
inline const QString kKeyPrefix = QStringLiteral("pipewire:");

// The devices of `nodes` as listed, in the daemon's order: every one, or
// only the cameras (through the portal); a node standing for a V4L2 camera
// that `v4l2` already holds is left out (that one is used through V4L2).
std::vector<DeviceInfo> listedSources(const std::vector<NodeInfo>& nodes, bool camerasOnly,
                                      const std::vector<DeviceInfo>& v4l2);

class Sources {
 public:
  // `usePortal` false: only ever connect directly (tests of the daemon alone).
  explicit Sources(bool usePortal = true) : usePortal_(usePortal) {}
  std::vector<DeviceInfo> list(const std::vector<DeviceInfo>& v4l2);
  std::unique_ptr<CaptureDevice> make(const DeviceInfo& device);
  // What the user is to be told once: the portal refused access.
  QString takeNotice();
  // The connection in use, made again when it ended; null when none answers.
  std::shared_ptr<Session> session();

 private:
  enum class Access { Undecided, Direct, Portal, Refused };
  Access access_ = Access::Undecided;
  bool usePortal_;
  std::shared_ptr<Session> session_;
  QString notice_;
};

// True when a daemon socket is there to connect to (checked before loading
// the library's configuration on every look).
bool daemonSocketPresent();

}  // namespace capture::pw
