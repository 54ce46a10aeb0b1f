#include "remote/console.h"

#include <QCoreApplication>
#include <QTextStream>
#include <cstdio>

#include "remote/capture_client.h"
#include "remote/session_bus.h"

namespace remote {

int RunWithoutWindows(const ParsedCommand& command, int& argc, char** argv) {
  QTextStream out(stdout), err(stderr);
  switch (command.command) {
    case Command::Help:
      out << HelpText();
      return 0;
    case Command::Version:
      out << VersionText();
      return 0;
    case Command::Capture: {
      const QCoreApplication application(argc, argv);
      const QDBusConnection bus = ReachableSessionBus();
      const int status = RequestCapture(bus, out, err);
      out.flush();
      err.flush();
      // Closed while the application stands, not in its teardown.
      QDBusConnection::disconnectFromBus(bus.name());
      return status;
    }
    case Command::Invalid:
    case Command::Run:
      break;
  }
  err << "video-image-capture: " << command.error << "\nTry 'video-image-capture --help' for more information.\n";
  return kUsageError;
}

}  // namespace remote
