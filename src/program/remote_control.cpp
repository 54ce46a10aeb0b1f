#include "program/remote_control.h"

#include <QApplication>
#include <QDBusConnectionInterface>
#include <QWidget>

#include "app/Public.h"
#include "app/forms.h"
#include "live/form1.h"
#include "remote/bus_names.h"
#include "remote/capture_service.h"
#include "remote/global_shortcuts.h"
#include "remote/session_bus.h"

namespace {

const QString kNoLivePicture = "The scanner window is showing: there is no live picture to capture.";
const QString kDialogOpen = "A dialog of Video Image Capture waits for an answer: no capture until it is closed.";

// Only the program that owns the bus name binds the shortcut, so that two
// running copies do not both capture on one press.
void bindShortcutWhenOwner(remote::Ownership ownership, const QDBusConnection& bus) {
  auto bind = [bus] {
    auto* shortcuts = new remote::GlobalShortcuts(
        bus, [] { remote::CaptureResult result = CaptureForCaller(); if (result.tellUser) result.tellUser(); },
        qApp);
    shortcuts->start();
  };
  if (ownership == remote::Ownership::Owned) {
    bind();
    return;
  }
  if (ownership != remote::Ownership::Queued) return;
  auto* names = bus.interface();
  auto* once = new QObject(qApp);
  QObject::connect(names, &QDBusConnectionInterface::serviceRegistered, once, [bind, once](const QString& name) {
    if (name != QLatin1String(remote::kServiceName)) return;
    bind();
    once->deleteLater();
  });
}

}  // namespace

remote::CaptureResult CaptureForCaller() {
  // A press of F12 goes to the modal window then, and so does nothing.
  if (QApplication::activeModalWidget()) return {false, kDialogOpen, {}};
  auto* live = dynamic_cast<live::form1*>(app::form1.ifLoaded());
  if (!live || app::AppState.ScreenMode == 2) return {false, kNoLivePicture, {}};
  live::CaptureOutcome outcome = live->CaptureSingle();
  if (outcome.problem.isEmpty()) return {true, outcome.path, {}};
  const QString problem = outcome.problem;
  return {false, problem, [outcome] { live::TellCaptureProblem(outcome); }};
}

void startRemoteControl() {
  const QDBusConnection bus = remote::ReachableSessionBus();
  if (!bus.isConnected()) return;
  auto* service = new remote::CaptureService(CaptureForCaller, qApp);
  bindShortcutWhenOwner(remote::Publish(*service, bus), bus);
}
