#include "remote/capture_client.h"

#include <QDBusError>
#include <QDBusMessage>

#include "remote/bus_names.h"

namespace remote {

namespace {

// A capture takes well under a second; a program that does not answer in
// this time is stuck, and the caller should hear so rather than hang.
constexpr int kAnswerTimeoutMs = 60000;

const QString kNotRunningText = "Video Image Capture is not running.";

bool noSuchProgram(const QDBusMessage& reply) {
  // Without auto-start the bus answers NameHasNoOwner, which Qt has no
  // type for.
  if (reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner")) return true;
  const QDBusError::ErrorType type = QDBusError(reply).type();
  // An object path or interface missing means another program holds the
  // name: for the caller that is no Video Image Capture either.
  return type == QDBusError::ServiceUnknown || type == QDBusError::UnknownObject ||
         type == QDBusError::UnknownInterface || type == QDBusError::UnknownMethod;
}

}  // namespace

int RequestCapture(QDBusConnection bus, QTextStream& out, QTextStream& err) {
  if (!bus.isConnected()) {
    err << kNotRunningText << " (No session bus to reach it.)\n";
    return kNotRunning;
  }
  QDBusMessage call = QDBusMessage::createMethodCall(kServiceName, kObjectPath, kInterface, "Capture");
  call.setAutoStartService(false);
  const QDBusMessage reply = bus.call(call, QDBus::Block, kAnswerTimeoutMs);
  if (reply.type() == QDBusMessage::ReplyMessage && reply.arguments().size() == 1) {
    out << reply.arguments().first().toString() << '\n';
    return kCaptured;
  }
  if (noSuchProgram(reply)) {
    err << kNotRunningText << '\n';
    return kNotRunning;
  }
  if (reply.errorName() == QLatin1String(kFailedError))
    err << reply.errorMessage() << '\n';
  else if (QDBusError(reply).type() == QDBusError::NoReply || QDBusError(reply).type() == QDBusError::Timeout)
    err << "Video Image Capture did not answer.\n";
  else
    err << "Video Image Capture could not be asked: " << reply.errorMessage() << '\n';
  return kCaptureFailed;
}

}  // namespace remote
