#pragma once
// A private session bus for one test: its own dbus-daemon, ended with the
// object, so no test reaches the user's desktop or another test's program.

#include <QProcess>
#include <QString>
#include <optional>
#include <sys/types.h>

namespace testing_support {

class SessionBus {
 public:
  // Starts the daemon, as the user given when that is not 0 (a bus answers
  // only its own user); check ok().
  explicit SessionBus(uid_t uid = 0, gid_t gid = 0);
  ~SessionBus();
  bool ok() const { return !address_.isEmpty(); }
  QString address() const { return address_; }
  // Makes the bus this process's and its children's session bus
  // (DBUS_SESSION_BUS_ADDRESS) until the object ends.
  void useForThisProcess();

 private:
  QProcess daemon_;
  QString address_;
  std::optional<QByteArray> previous_;
  bool replaced_ = false;
};

}  // namespace testing_support
