#include "remote/session_bus.h"

#include <QFileInfo>

namespace remote {

QDBusConnection ReachableSessionBus() {
  const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
  const bool known = !qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS") ||
                     (!runtime.isEmpty() && QFileInfo(runtime + "/bus").exists());
  if (!known) return QDBusConnection(QStringLiteral("vic-no-session-bus"));
  return QDBusConnection::sessionBus();
}

}  // namespace remote
