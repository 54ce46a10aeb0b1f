#include "remote/capture_service.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QTimer>

#include "remote/bus_names.h"

namespace remote {

CaptureService::CaptureService(CaptureHook capture, QObject* parent) : QObject(parent), capture_(std::move(capture)) {}

QString CaptureService::Capture() {
  CaptureResult result = capture_();
  if (!calledFromDBus()) return result.text;
  // The answer goes out first and the message box only afterwards, from the
  // event loop: a script or a foot pedal never waits for somebody's click.
  setDelayedReply(true);
  connection().send(result.saved ? message().createReply(result.text)
                                 : message().createErrorReply(kFailedError, result.text));
  if (result.tellUser) QTimer::singleShot(0, this, std::move(result.tellUser));
  return {};
}

Ownership Publish(CaptureService& service, QDBusConnection bus) {
  if (!bus.isConnected() || !bus.registerObject(kObjectPath, &service, QDBusConnection::ExportScriptableSlots |
                                                                          QDBusConnection::ExportNonScriptableSlots))
    return Ownership::Unavailable;
  QDBusConnectionInterface* names = bus.interface();
  const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply =
      names->registerService(kServiceName, QDBusConnectionInterface::QueueService,
                             QDBusConnectionInterface::DontAllowReplacement);
  if (!reply.isValid()) return Ownership::Unavailable;
  return reply.value() == QDBusConnectionInterface::ServiceRegistered ? Ownership::Owned : Ownership::Queued;
}

}  // namespace remote
