#include "remote/global_shortcuts.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>

#include "remote/bus_names.h"

namespace {

// One entry of the a(sa{sv}) list that BindShortcuts takes.
struct Shortcut {
  QString id;
  QVariantMap properties;
};

QDBusArgument& operator<<(QDBusArgument& argument, const Shortcut& shortcut) {
  argument.beginStructure();
  argument << shortcut.id << shortcut.properties;
  argument.endStructure();
  return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, Shortcut& shortcut) {
  argument.beginStructure();
  argument >> shortcut.id >> shortcut.properties;
  argument.endStructure();
  return argument;
}

}  // namespace

Q_DECLARE_METATYPE(Shortcut)

namespace remote {

namespace {

const QString kPortal = "org.freedesktop.portal.Desktop";
const QString kPortalPath = "/org/freedesktop/portal/desktop";
const QString kShortcutsInterface = "org.freedesktop.portal.GlobalShortcuts";
const QString kRequestInterface = "org.freedesktop.portal.Request";

QString sessionPath(const QVariant& handle) {
  // A string in the portal's documents, an object path in some versions.
  return handle.metaType() == QMetaType::fromType<QDBusObjectPath>() ? handle.value<QDBusObjectPath>().path()
                                                                      : handle.toString();
}

}  // namespace

GlobalShortcuts::GlobalShortcuts(QDBusConnection bus, std::function<void()> pressed, QObject* parent)
    : QObject(parent), bus_(std::move(bus)), pressed_(std::move(pressed)) {
  qDBusRegisterMetaType<Shortcut>();
  qDBusRegisterMetaType<QList<Shortcut>>();
}

void GlobalShortcuts::start() {
  if (!bus_.isConnected()) return;
  // A program outside a sandbox tells the portal its id first, so that the
  // desktop shows its shortcut under the program's own name. Older portals
  // lack the call; the answer does not matter.
  QDBusMessage registration = QDBusMessage::createMethodCall(kPortal, kPortalPath, "org.freedesktop.host.portal.Registry",
                                                             "Register");
  registration << QString(kAppId) << QVariantMap();
  registration.setAutoStartService(false);
  bus_.asyncCall(registration);
  request("CreateSession", {}, {{"session_handle_token", "vic_session"}}, SLOT(sessionCreated(uint, QVariantMap)));
}

bool GlobalShortcuts::request(const QString& method, QVariantList arguments, QVariantMap options,
                              const char* answerSlot) {
  const QString token = QString("vic%1").arg(++tokens_);
  QString sender = bus_.baseService().mid(1);
  sender.replace('.', '_');
  const QString path = kPortalPath + "/request/" + sender + "/" + token;
  if (!bus_.connect(kPortal, path, kRequestInterface, "Response", this, answerSlot)) return false;
  options.insert("handle_token", token);
  QDBusMessage call = QDBusMessage::createMethodCall(kPortal, kPortalPath, kShortcutsInterface, method);
  call.setArguments(arguments << options);
  // Portals are started by the bus on demand; where none is installed the
  // call fails at once and the program goes on without it.
  auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, path, answerSlot](QDBusPendingCallWatcher* w) {
    w->deleteLater();
    if (w->isError()) bus_.disconnect(kPortal, path, kRequestInterface, "Response", this, answerSlot);
  });
  return true;
}

void GlobalShortcuts::sessionCreated(uint response, const QVariantMap& results) {
  if (response != 0 || !session_.isEmpty()) return;
  session_ = sessionPath(results.value("session_handle"));
  if (session_.isEmpty()) return;
  bus_.connect(kPortal, kPortalPath, kShortcutsInterface, "Activated", this,
               SLOT(activated(QDBusObjectPath, QString, qulonglong, QVariantMap)));
  const QList<Shortcut> shortcuts{{kShortcutId, {{"description", "Capture Single"}, {"preferred_trigger", "F12"}}}};
  request("BindShortcuts",
          {QVariant::fromValue(QDBusObjectPath(session_)), QVariant::fromValue(shortcuts), QString()}, {},
          SLOT(shortcutsBound(uint, QVariantMap)));
}

// The desktop may have given the shortcut another key, or none when the user
// declined; either way it is the desktop's to show, and the menu's F12 stays.
void GlobalShortcuts::shortcutsBound(uint, const QVariantMap&) {}

void GlobalShortcuts::activated(const QDBusObjectPath& session, const QString& id, qulonglong, const QVariantMap&) {
  if (session.path() == session_ && id == QLatin1String(kShortcutId) && pressed_) pressed_();
}

}  // namespace remote
