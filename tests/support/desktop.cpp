#include "support/desktop.h"

#include <QCoreApplication>
#include <QDebug>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QThread>

namespace testing_support {

namespace {

void pause(int ms) {
  QThread::msleep(static_cast<unsigned long>(ms));
  QCoreApplication::processEvents();
}

}  // namespace

QString programPath() { return qEnvironmentVariable("VIC_BINARY_DIR") + "/video-image-capture"; }

QStringList Desktop::windowManagers() {
  QStringList found;
  for (const char* name : {"openbox", "jwm"})
    if (!QStandardPaths::findExecutable(name).isEmpty()) found << QString(name);
  return found;
}

Desktop::Desktop(const QString& windowManager) : windowManager_(windowManager) {
  // A loaded machine now and then loses a start; a second one is cheap.
  for (int attempt = 0; attempt < 3 && !ok_; ++attempt) {
    if (attempt > 0) {
      qWarning() << "display start failed:" << xvfb_.readAllStandardError().right(500);
      stop();
    }
    ok_ = startServer() && startWindowManager();
  }
}

bool Desktop::startServer() {
  // The server picks a free display number itself and writes it out once it
  // accepts connections, so parallel tests never share or half-see one.
  xvfb_.start("Xvfb", {"-displayfd", "1", "-screen", "0", "1280x1024x24", "-nolisten", "tcp", "-dpi", "96"});
  if (!xvfb_.waitForStarted(5000)) return false;
  QByteArray number;
  QElapsedTimer waited;
  waited.start();
  while (waited.elapsed() < 30000 && !number.contains('\n')) {
    if (!xvfb_.waitForReadyRead(50) && xvfb_.state() != QProcess::Running) return false;
    number += xvfb_.readAllStandardOutput();
  }
  if (!number.contains('\n')) return false;
  display_ = ":" + QString::fromLatin1(number).trimmed();
  return true;
}

bool Desktop::startWindowManager() {
  wm_.setProcessEnvironment(environment());
  if (windowManager_ == "openbox")
    wm_.start("openbox", {"--sm-disable"});
  else if (windowManager_ == "jwm")
    wm_.start("jwm", {});
  else
    return false;
  if (!wm_.waitForStarted(5000)) return false;
  // Both announce themselves through the EWMH check window once they manage
  // the screen.
  QElapsedTimer waited;
  waited.start();
  while (waited.elapsed() < 30000) {
    if (run("xprop", {"-root", "_NET_SUPPORTING_WM_CHECK"}).contains("window id")) return true;
    if (wm_.state() != QProcess::Running) return false;
    pause(50);
  }
  return false;
}

Desktop::~Desktop() { stop(); }

void Desktop::stop() {
  for (QProcess* p : {&wm_, &xvfb_}) {
    if (p->state() == QProcess::NotRunning) continue;
    p->terminate();
    if (!p->waitForFinished(3000)) {
      p->kill();
      p->waitForFinished(3000);
    }
  }
}

QProcessEnvironment Desktop::environment() const {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("DISPLAY", display_);
  env.insert("QT_QPA_PLATFORM", "xcb");
  env.remove("WAYLAND_DISPLAY");
  return env;
}

QString Desktop::run(const QString& program, const QStringList& args, int timeoutMs) const {
  QProcess p;
  p.setProcessEnvironment(environment());
  p.start(program, args);
  if (!p.waitForFinished(timeoutMs)) {
    p.kill();
    p.waitForFinished(1000);
    return {};
  }
  return p.exitCode() == 0 ? QString::fromLocal8Bit(p.readAllStandardOutput()) : QString();
}

Program::Program(Desktop& desktop) : desktop_(desktop) {
  process_.setProcessEnvironment(desktop.environment());
  process_.setProcessChannelMode(QProcess::MergedChannels);
}

Program::~Program() {
  if (process_.state() != QProcess::NotRunning) {
    process_.kill();
    process_.waitForFinished(3000);
  }
}

bool Program::start() {
  process_.start(programPath(), {});
  return process_.waitForStarted(5000);
}

QString Program::waitForWindow(const QString& titleRegex, int timeoutMs) {
  for (int waited = 0; waited < timeoutMs; waited += 100) {
    const QString ids = desktop_.run("xdotool", {"search", "--onlyvisible", "--name", titleRegex}, 2000);
    if (!ids.trimmed().isEmpty()) return ids.split('\n', Qt::SkipEmptyParts).first().trimmed();
    if (process_.state() == QProcess::NotRunning) return {};
    pause(100);
  }
  return {};
}

bool Program::hasWindow(const QString& titleRegex) {
  return !desktop_.run("xdotool", {"search", "--onlyvisible", "--name", titleRegex}, 2000).trimmed().isEmpty();
}

void Program::activate(const QString& windowId) {
  desktop_.run("xdotool", {"windowactivate", "--sync", windowId}, 5000);
  pause(100);
}

void Program::key(const QString& keys) {
  desktop_.run("xdotool", {"key", "--clearmodifiers", keys});
  pause(100);
}

QString Program::focusedWindow() { return desktop_.run("xdotool", {"getwindowfocus"}, 2000).trimmed(); }

bool Program::waitForFocus(const QString& windowId, int timeoutMs) {
  return waitUntil([&] { return focusedWindow() == windowId; }, timeoutMs);
}

void Program::closeWindow(const QString& windowId) {
  // The close box makes the window manager send the window its close
  // request; wmctrl asks the window manager for exactly that.
  desktop_.run("wmctrl", {"-i", "-c", windowId}, 5000);
  pause(100);
}

QImage Program::screenshot(const QString& windowId) {
  QProcess p;
  p.setProcessEnvironment(desktop_.environment());
  p.start("import", {"-window", windowId, "png:-"});
  if (!p.waitForFinished(10000)) return {};
  return QImage::fromData(p.readAllStandardOutput(), "PNG");
}

QRect Program::geometry(const QString& windowId) {
  // Position of the window's inner area and its size, as X reports them.
  const QString text = desktop_.run("xdotool", {"getwindowgeometry", "--shell", windowId});
  auto value = [&](const char* key) {
    QRegularExpression re(QString("%1=(\\d+)").arg(key));
    auto m = re.match(text);
    return m.hasMatch() ? m.captured(1).toInt() : -1;
  };
  return {value("X"), value("Y"), value("WIDTH"), value("HEIGHT")};
}

bool Program::waitForExit(int timeoutMs) {
  return process_.state() == QProcess::NotRunning || process_.waitForFinished(timeoutMs);
}

bool Program::closeAndWaitForExit(const QString& windowId, int attempts) {
  for (int i = 0; i < attempts; ++i) {
    closeWindow(windowId);
    if (waitForExit(10000)) return true;
  }
  return false;
}

QString Program::output() const { return QString::fromLocal8Bit(const_cast<QProcess&>(process_).readAll()); }

bool waitUntil(const std::function<bool()>& done, int timeoutMs) {
  for (int waited = 0; waited < timeoutMs; waited += 100) {
    if (done()) return true;
    pause(100);
  }
  return done();
}

}  // namespace testing_support
