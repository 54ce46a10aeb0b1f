#include "support/session_bus.h"

#include <QElapsedTimer>

#include "support/desktop.h"

namespace testing_support {

SessionBus::SessionBus(uid_t uid, gid_t gid) {
  if (uid != 0) runAsUser(daemon_, uid, gid);
  daemon_.start("dbus-daemon", {"--session", "--nofork", "--nopidfile", "--print-address=1"});
  if (!daemon_.waitForStarted(5000)) return;
  QByteArray line;
  QElapsedTimer waited;
  waited.start();
  // Generous: a loaded machine starts the daemon slowly.
  while (!line.contains('\n') && waited.elapsed() < 30000 && daemon_.state() == QProcess::Running) {
    daemon_.waitForReadyRead(100);
    line += daemon_.readAllStandardOutput();
  }
  if (line.contains('\n')) address_ = QString::fromLocal8Bit(line.left(line.indexOf('\n'))).trimmed();
}

SessionBus::~SessionBus() {
  if (replaced_) previous_ ? qputenv("DBUS_SESSION_BUS_ADDRESS", *previous_) : qunsetenv("DBUS_SESSION_BUS_ADDRESS");
  endProcess(daemon_);
}

void SessionBus::useForThisProcess() {
  if (!replaced_ && qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS"))
    previous_ = qgetenv("DBUS_SESSION_BUS_ADDRESS");
  replaced_ = true;
  qputenv("DBUS_SESSION_BUS_ADDRESS", address_.toLocal8Bit());
}

}  // namespace testing_support
