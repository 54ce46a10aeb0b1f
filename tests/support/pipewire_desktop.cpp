#include "support/pipewire_desktop.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>

namespace testing_support {

namespace {

const QString kVideoSrc = QStringLiteral("/usr/libexec/installed-tests/pipewire-0.3/examples/video-src");
// Generous: the machine may be busy with builds.
constexpr int kStartWaitMs = 20000;

bool waitFor(const std::function<bool()>& done, int limitMs = kStartWaitMs) {
  QElapsedTimer timer;
  timer.start();
  while (!done()) {
    if (timer.elapsed() > limitMs) return false;
    QThread::msleep(50);
  }
  return true;
}

// The daemon's usual configuration with the test-pattern node's plugin known.
QString daemonConfig(const QString& folder) {
  QFile in(QStringLiteral("/usr/share/pipewire/pipewire.conf"));
  if (!in.open(QIODevice::ReadOnly)) return {};
  QByteArray text = in.readAll();
  text.replace("#videotestsrc   = videotestsrc/libspa-videotestsrc", "videotestsrc = videotestsrc/libspa-videotestsrc");
  const QString path = folder + "/pipewire.conf";
  QFile out(path);
  if (!out.open(QIODevice::WriteOnly) || out.write(text) != text.size()) return {};
  return path;
}

}  // namespace

PipeWireDesktop::PipeWireDesktop(const QString& runtime) : runtime_(runtime) {
  QFile::setPermissions(runtime_, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  oldRuntime_ = qgetenv("XDG_RUNTIME_DIR");
  oldBus_ = qgetenv("DBUS_SESSION_BUS_ADDRESS");
  qputenv("XDG_RUNTIME_DIR", runtime_.toUtf8());
  const QString bus = "unix:path=" + runtime_ + "/bus";
  qputenv("DBUS_SESSION_BUS_ADDRESS", bus.toUtf8());

  const QString config = daemonConfig(runtime_);
  if (config.isEmpty()) {
    problem_ = "cannot write the daemon's configuration";
    return;
  }
  spawn("dbus-daemon", {"--session", "--nofork", "--nopidfile", "--address=" + bus});
  if (!waitFor([&] { return QFileInfo::exists(runtime_ + "/bus"); })) {
    problem_ = "the session bus did not start";
    return;
  }
  spawn("pipewire", {"-c", config});
  if (!waitFor([&] { return QFileInfo::exists(runtime_ + "/pipewire-0"); })) {
    problem_ = "pipewire did not start";
    return;
  }
  spawn("wireplumber", {});
  if (!waitFor([&] { return pwCli({"ls", "Client"}).contains("WirePlumber"); })) problem_ = "wireplumber did not start";
}

PipeWireDesktop::~PipeWireDesktop() {
  killVideoSrc();
  while (!daemons_.empty()) {
    QProcess* p = daemons_.back().get();
    p->terminate();
    if (!p->waitForFinished(5000)) {
      p->kill();
      p->waitForFinished(5000);
    }
    daemons_.pop_back();
  }
  qputenv("XDG_RUNTIME_DIR", oldRuntime_);
  if (oldBus_.isEmpty())
    qunsetenv("DBUS_SESSION_BUS_ADDRESS");
  else
    qputenv("DBUS_SESSION_BUS_ADDRESS", oldBus_);
}

QProcess* PipeWireDesktop::spawn(const QString& program, const QStringList& args) {
  auto process = std::make_unique<QProcess>();
  // Their messages go to a log beside their sockets, read when a test fails.
  process->setStandardOutputFile(runtime_ + '/' + program + ".log", QIODevice::Append);
  process->setStandardErrorFile(runtime_ + '/' + program + ".log", QIODevice::Append);
  process->start(program, args);
  process->waitForStarted(kStartWaitMs);
  daemons_.push_back(std::move(process));
  return daemons_.back().get();
}

QString PipeWireDesktop::pwCli(const QStringList& args) {
  QProcess cli;
  cli.start("pw-cli", args);
  if (!cli.waitForFinished(kStartWaitMs)) {
    cli.kill();
    cli.waitForFinished();
    return {};
  }
  return QString::fromUtf8(cli.readAllStandardOutput());
}

bool PipeWireDesktop::startVideoSrc() {
  killVideoSrc();
  videoSrc_ = std::make_unique<QProcess>();
  videoSrc_->setStandardOutputFile(QProcess::nullDevice());
  videoSrc_->setStandardErrorFile(QProcess::nullDevice());
  videoSrc_->start(kVideoSrc, {});
  return videoSrc_->waitForStarted(kStartWaitMs) && waitForNode("video-src");
}

void PipeWireDesktop::killVideoSrc() {
  if (!videoSrc_) return;
  videoSrc_->kill();
  videoSrc_->waitForFinished(5000);
  videoSrc_.reset();
}

bool PipeWireDesktop::createCamera(const QString& name, const QString& description, const QString& extra) {
  const QString props = QStringLiteral(
                            "{ factory.name=videotestsrc node.name=%1 node.description=\"%2\" "
                            "media.class=Video/Source media.role=Camera object.linger=true %3 }")
                            .arg(name, description, extra);
  pwCli({"create-node", "adapter", props});
  return waitForNode(name);
}

bool PipeWireDesktop::destroyNode(const QString& name) {
  pwCli({"destroy", name});
  return waitForNode(name, false);
}

bool PipeWireDesktop::waitForNode(const QString& name, bool present) {
  const QString line = "node.name = \"" + name + '"';
  return waitFor([&] { return pwCli({"ls", "Node"}).contains(line) == present; });
}

}  // namespace testing_support
