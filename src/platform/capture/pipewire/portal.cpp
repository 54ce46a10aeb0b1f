#include "platform/capture/pipewire/portal.h"

#include <fcntl.h>

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QDBusUnixFileDescriptor>
#include <QEventLoop>
#include <QRandomGenerator>
#include <QTimer>

#include "platform/capture/pipewire/portal_response.h"

namespace capture::pw {

namespace {

const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kCamera = QStringLiteral("org.freedesktop.portal.Camera");
const QString kRequest = QStringLiteral("org.freedesktop.portal.Request");
// The user answers a dialog of the desktop meanwhile.
constexpr int kAnswerWaitMs = 120'000;

bool hasCameraInterface(QDBusConnection& bus) {
  QDBusInterface properties(kService, kPath, QStringLiteral("org.freedesktop.DBus.Properties"), bus);
  const QDBusReply<QDBusVariant> version = properties.call(QStringLiteral("Get"), kCamera, QStringLiteral("version"));
  return version.isValid();
}

// The request object the portal will answer on, known before the call so
// that no answer can come before we listen.
QString requestPath(const QDBusConnection& bus, const QString& token) {
  QString sender = bus.baseService().mid(1);
  sender.replace('.', '_');
  return kPath + "/request/" + sender + '/' + token;
}

}  // namespace

PortalAccess askCameraPortal() {
  // Without a bus address the D-Bus library would start a bus of its own
  // for the X display: a desktop session and a sandbox always set one.
  if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")) return {};
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected() || !hasCameraInterface(bus)) return {};

  const QString token = QStringLiteral("vic%1").arg(QRandomGenerator::global()->generate());
  PortalResponse response;
  QString path = requestPath(bus, token);
  bus.connect(kService, path, kRequest, QStringLiteral("Response"), &response,
              SLOT(onResponse(uint, QVariantMap)));
  QDBusInterface camera(kService, kPath, kCamera, bus);
  const QDBusReply<QDBusObjectPath> handle =
      camera.call(QStringLiteral("AccessCamera"), QVariantMap{{QStringLiteral("handle_token"), token}});
  if (!handle.isValid()) {
    bus.disconnect(kService, path, kRequest, QStringLiteral("Response"), &response,
                   SLOT(onResponse(uint, QVariantMap)));
    return {PortalAccess::Answer::Refused, -1, handle.error().message()};
  }
  if (handle.value().path() != path) {
    // An older portal makes up its own request path: listen there instead.
    bus.disconnect(kService, path, kRequest, QStringLiteral("Response"), &response,
                   SLOT(onResponse(uint, QVariantMap)));
    path = handle.value().path();
    bus.connect(kService, path, kRequest, QStringLiteral("Response"), &response, SLOT(onResponse(uint, QVariantMap)));
  }
  if (!response.answered) {
    QEventLoop wait;
    QObject::connect(&response, &PortalResponse::answeredNow, &wait, &QEventLoop::quit);
    QTimer::singleShot(kAnswerWaitMs, &wait, &QEventLoop::quit);
    wait.exec();
  }
  bus.disconnect(kService, path, kRequest, QStringLiteral("Response"), &response, SLOT(onResponse(uint, QVariantMap)));
  if (!response.answered) return {PortalAccess::Answer::Refused, -1, QStringLiteral("no answer came")};
  if (response.code != 0)
    return {PortalAccess::Answer::Refused, -1,
            response.code == 1 ? QStringLiteral("access was refused") : QStringLiteral("the request ended without access")};
  const int fd = openCameraRemote();
  if (fd < 0) return {PortalAccess::Answer::Refused, -1, QStringLiteral("no connection was handed over")};
  return {PortalAccess::Answer::Granted, fd, {}};
}

int openCameraRemote() {
  QDBusConnection bus = QDBusConnection::sessionBus();
  QDBusInterface camera(kService, kPath, kCamera, bus);
  const QDBusReply<QDBusUnixFileDescriptor> remote = camera.call(QStringLiteral("OpenPipeWireRemote"), QVariantMap{});
  if (!remote.isValid() || !remote.value().isValid()) return -1;
  // The reply's descriptor closes with it.
  return fcntl(remote.value().fileDescriptor(), F_DUPFD_CLOEXEC, 3);
}

}  // namespace capture::pw
