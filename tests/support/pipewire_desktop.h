#pragma once
// A desktop's camera stack for tests: a session bus, the PipeWire daemon and
// its session manager, started under a private runtime folder that this
// process uses too (XDG_RUNTIME_DIR and DBUS_SESSION_BUS_ADDRESS point there
// while it lives). Video sources come and go on demand.

#include <QProcess>
#include <QString>
#include <memory>
#include <vector>

#include "support/test_env.h"

namespace testing_support {

class PipeWireDesktop {
 public:
  // Under a fresh folder of the test's private HOME.
  PipeWireDesktop() : PipeWireDesktop(newRuntimeDir()) {}
  // Under `runtime`, an empty folder of the caller's (a benchmark has no test HOME).
  explicit PipeWireDesktop(const QString& runtime);
  ~PipeWireDesktop();
  PipeWireDesktop(const PipeWireDesktop&) = delete;
  PipeWireDesktop& operator=(const PipeWireDesktop&) = delete;

  // Everything started and answering; `problem()` says what did not.
  bool ok() const { return problem_.isEmpty(); }
  const QString& problem() const { return problem_; }
  const QString& runtimeDir() const { return runtime_; }

  // The example source of the PipeWire tests: "video-src", raw RGB, no role.
  bool startVideoSrc();
  void killVideoSrc();
  // A test-pattern node of the daemon with media.role "Camera"; `extra` adds
  // properties ("api.v4l2.path=/dev/video0").
  bool createCamera(const QString& name, const QString& description, const QString& extra = {});
  bool destroyNode(const QString& name);
  // Waits until a node of that name is there (or gone).
  bool waitForNode(const QString& name, bool present = true);

 private:
  static QString newRuntimeDir() {
    static int count = 0;
    return freshDir(QStringLiteral("pipewire-run%1").arg(++count));
  }
  QProcess* spawn(const QString& program, const QStringList& args);
  QString pwCli(const QStringList& args);

  QString runtime_;
  QString problem_;
  QByteArray oldRuntime_, oldBus_;
  std::vector<std::unique_ptr<QProcess>> daemons_;  // bus, daemon, session manager: ended last first
  std::unique_ptr<QProcess> videoSrc_;
};

}  // namespace testing_support
