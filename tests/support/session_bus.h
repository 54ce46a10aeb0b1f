#pragma once
// A private session bus for one test: its own dbus-daemon, ended with the
// object, so no test reaches the user's desktop or another test's program.

#include <QProcess>
#include <QString>

namespace testing_support {

class SessionBus {
 public:
  SessionBus();  // starts the daemon; check ok()
  ~SessionBus();
  bool ok() const { return !address_.isEmpty(); }
  QString address() const { return address_; }
  // Makes the bus this process's and its children's session bus
  // (DBUS_SESSION_BUS_ADDRESS) until the object ends.
  void useForThisProcess();

 private:
  QProcess daemon_;
  QString address_;
  QByteArray previous_;
  bool replaced_ = false, hadPrevious_ = false;
};

}  // namespace testing_support
