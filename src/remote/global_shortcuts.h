#pragma once
// "Capture Single" registered with the desktop's GlobalShortcuts portal, F12
// as the preferred key, so that the desktop delivers it while another
// program has the focus. Where there is no such portal nothing happens and
// nothing is said.

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QObject>
#include <QString>
#include <QVariantMap>
#include <functional>

namespace remote {

inline constexpr char kShortcutId[] = "capture-single";

class GlobalShortcuts : public QObject {
  Q_OBJECT
 public:
  GlobalShortcuts(QDBusConnection bus, std::function<void()> pressed, QObject* parent = nullptr);
  // Opens the portal session and binds the shortcut; the answers come back
  // through the event loop.
  void start();

 private slots:
  void sessionCreated(uint response, const QVariantMap& results);
  void shortcutsBound(uint response, const QVariantMap& results);
  void activated(const QDBusObjectPath& session, const QString& id, qulonglong timestamp, const QVariantMap& options);

 private:
  // Calls a portal method that answers through a Request object, listening
  // for its Response at the path the portal will use before asking.
  bool request(const QString& method, QVariantList arguments, QVariantMap options, const char* answerSlot);
  QDBusConnection bus_;
  std::function<void()> pressed_;
  QString session_;
  int tokens_ = 0;
};

}  // namespace remote
