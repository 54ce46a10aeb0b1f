#include "platform/capture/pipewire/pw_sources.h"

#include <QFileInfo>
#include <algorithm>

#include "platform/capture/pipewire/portal.h"
#include "platform/capture/pipewire/pw_camera.h"

namespace capture::pw {

namespace {

QString canonical(const QString& path) {
  const QString target = QFileInfo(path).canonicalFilePath();
  return target.isEmpty() ? path : target;
}

}  // namespace

std::vector<DeviceInfo> listedSources(const std::vector<NodeInfo>& nodes, bool camerasOnly,
                                      const std::vector<DeviceInfo>& v4l2) {
  std::vector<QString> held;
  for (const DeviceInfo& d : v4l2)
    if (d.key != kTestPatternKey && !d.key.startsWith(kKeyPrefix)) held.push_back(canonical(d.key));
  std::vector<DeviceInfo> listed;
  for (const NodeInfo& node : nodes) {
    if (camerasOnly && !node.camera) continue;
    if (!node.devicePath.isEmpty() && std::find(held.begin(), held.end(), canonical(node.devicePath)) != held.end())
      continue;
    const QString key = kKeyPrefix + node.name;
    if (std::any_of(listed.begin(), listed.end(), [&](const DeviceInfo& d) { return d.key == key; })) continue;
    const QString shown = node.description.isEmpty() ? node.name : node.description;
    listed.push_back({key, shown + (node.camera ? QStringLiteral(" (PipeWire camera)") : QStringLiteral(" (PipeWire)"))});
  }
  return listed;
}

bool daemonSocketPresent() {
  const QString remote = qEnvironmentVariable("PIPEWIRE_REMOTE", QStringLiteral("pipewire-0"));
  if (remote.startsWith('/')) return QFileInfo::exists(remote);
  QString folder = qEnvironmentVariable("PIPEWIRE_RUNTIME_DIR");
  if (folder.isEmpty()) folder = qEnvironmentVariable("XDG_RUNTIME_DIR");
  return !folder.isEmpty() && QFileInfo::exists(folder + '/' + remote);
}

std::shared_ptr<Session> Sources::session() {
  if (session_ && session_->connected()) return session_;
  session_.reset();
  if (access_ == Access::Undecided) {
    PortalAccess portal = usePortal_ ? askCameraPortal() : PortalAccess{};
    if (portal.answer == PortalAccess::Answer::Granted) {
      access_ = Access::Portal;
      session_ = Session::connect(portal.fd);
      return session_;
    }
    if (portal.answer == PortalAccess::Answer::Refused) {
      access_ = Access::Refused;
      notice_ = QStringLiteral("The cameras of the desktop cannot be used: ") + portal.reason;
      return nullptr;
    }
    access_ = Access::Direct;
  }
  if (access_ == Access::Portal) {
    if (const int fd = openCameraRemote(); fd >= 0) session_ = Session::connect(fd);
  } else if (access_ == Access::Direct && daemonSocketPresent()) {
    session_ = Session::connect();
  }
  return session_;
}

std::vector<DeviceInfo> Sources::list(const std::vector<DeviceInfo>& v4l2) {
  std::shared_ptr<Session> current = session();
  if (!current) return {};
  current->roundtrip();  // nodes announced since the last look
  return listedSources(current->nodes(), access_ == Access::Portal, v4l2);
}

std::unique_ptr<CaptureDevice> Sources::make(const DeviceInfo& device) {
  if (!device.key.startsWith(kKeyPrefix)) return nullptr;
  return std::make_unique<PipeWireCamera>(device.key.mid(kKeyPrefix.size()), device.name,
                                          [this] { return session(); });
}

QString Sources::takeNotice() { return std::exchange(notice_, QString()); }

}  // namespace capture::pw
