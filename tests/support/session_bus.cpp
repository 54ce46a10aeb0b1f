#include "support/session_bus.h"

#include <QElapsedTimer>
#include <grp.h>
#include <unistd.h>

namespace testing_support {

SessionBus::SessionBus(uid_t uid, gid_t gid) {
  if (uid != 0)
    daemon_.setChildProcessModifier([uid, gid] {
      if (setgroups(0, nullptr) != 0 || setgid(gid) != 0 || setuid(uid) != 0) _exit(127);
    });
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
  if (replaced_) {
    if (!hadPrevious_)
      qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    else
      qputenv("DBUS_SESSION_BUS_ADDRESS", previous_);
  }
  if (daemon_.state() == QProcess::NotRunning) return;
  daemon_.terminate();
  if (!daemon_.waitForFinished(5000)) {
    daemon_.kill();
    daemon_.waitForFinished(3000);
  }
}

void SessionBus::useForThisProcess() {
  if (!replaced_) {
    hadPrevious_ = qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS");
    previous_ = qgetenv("DBUS_SESSION_BUS_ADDRESS");
  }
  replaced_ = true;
  qputenv("DBUS_SESSION_BUS_ADDRESS", address_.toLocal8Bit());
}

}  // namespace testing_support
