#include "support/desktop.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QFile>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include "support/test_env.h"

namespace testing_support {

namespace {

void pause(int ms) {
  QThread::msleep(static_cast<unsigned long>(ms));
  QCoreApplication::processEvents();
}

// The first sway view (window) in a tree from `swaymsg -t get_tree` that
// matches, or an empty object.
QJsonObject findView(const QJsonObject& node, const std::function<bool(const QJsonObject&)>& matches) {
  if (node.contains("pid") && matches(node)) return node;
  for (const char* key : {"nodes", "floating_nodes"})
    for (const QJsonValue& child : node.value(key).toArray())
      if (const QJsonObject found = findView(child.toObject(), matches); !found.isEmpty()) return found;
  return {};
}

QString idOf(const QJsonObject& view) {
  return view.isEmpty() ? QString() : QString::number(view.value("id").toInteger());
}

// The content of a view on the screen, without its title bar and border.
QRect contentOf(const QJsonObject& view) {
  const QJsonObject r = view.value("rect").toObject(), w = view.value("window_rect").toObject();
  return {r.value("x").toInt() + w.value("x").toInt(), r.value("y").toInt() + w.value("y").toInt(),
          w.value("width").toInt(), w.value("height").toInt()};
}

// wtype's arguments for keys as xdotool names them ("alt+t", "F12").
QStringList wtypeArgs(const QString& keys) {
  QStringList parts = keys.split('+'), args;
  const QString key = parts.takeLast();
  for (const QString& m : parts) args << "-M" << m;
  args << "-k" << key;
  for (const QString& m : parts) args << "-m" << m;
  return args;
}

// 1280 x 1024, or as many more pixels as a QT_SCALE_FACTOR in the test's
// own environment asks for: a user of a scale of 2 has a screen of twice the
// density, where the program's windows still fit side by side.
QString screenSize() {
  const double scale = qEnvironmentVariableIsSet("QT_SCALE_FACTOR") ? qEnvironmentVariable("QT_SCALE_FACTOR").toDouble() : 1;
  const double factor = scale > 1 ? scale : 1;
  return QString("%1x%2").arg(qRound(1280 * factor)).arg(qRound(1024 * factor));
}

}  // namespace

QString programPath() { return qEnvironmentVariable("VIC_BINARY_DIR") + "/video-image-capture"; }

QStringList Desktop::windowManagers() {
  QStringList found;
  for (const char* name : {"openbox", "jwm", "sway"})
    if (!QStandardPaths::findExecutable(name).isEmpty()) found << QString(name);
  if (found.contains("sway") && !QStandardPaths::findExecutable("Xwayland").isEmpty()) found << "xwayland";
  return found;
}

Desktop::Desktop(const QString& windowManager) : windowManager_(windowManager) {
  // A loaded machine now and then loses a start; a second one is cheap.
  for (int attempt = 0; attempt < 3 && !ok_; ++attempt) {
    if (attempt > 0) {
      qWarning() << "display start failed:" << xvfb_.readAllStandardError().right(500);
      stop();
    }
    ok_ = wayland() ? startSway() : startServer() && startWindowManager();
  }
}

bool Desktop::startSway() {
  // The unprivileged user a root test runs sway and the program as.
  if (geteuid() == 0 && !systemUser("vic-e2e", uid_, gid_)) return false;
  // A runtime folder of the user's own, 0700, as a login gives it: the
  // compositor's sockets go there.
  static int count = 0;
  runtimeDir_ = QString("/tmp/vic-e2e-run-%1-%2").arg(getpid()).arg(++count);
  const QString config = runtimeDir_ + "/config", xDisplayFile = runtimeDir_ + "/x-display";
  if (!QDir(runtimeDir_).removeRecursively() || ::mkdir(QFile::encodeName(runtimeDir_).constData(), 0700) != 0)
    return false;
  // One 1280 x 1024 output. A window that asks for the focus gets it while
  // its workspace is in sight, as on the desktops that grant activation.
  // Xwayland started at once, its display name left where the test finds it.
  const QString xwaylandConf =
      xwayland() ? QString("xwayland force\nexec sh -c 'echo $DISPLAY > %1'\n").arg(xDisplayFile) : "xwayland disable\n";
  if (!put(config, "output * mode 1280x1024\nfocus_on_window_activation smart\n" + xwaylandConf.toUtf8())) return false;
  if (uid_ != 0 && QProcess::execute("chown", {"-R", QString("%1:%2").arg(uid_).arg(gid_), runtimeDir_}) != 0)
    return false;

  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("XDG_RUNTIME_DIR", runtimeDir_);
  env.insert("WLR_BACKENDS", "headless");
  env.insert("WLR_RENDERER", "pixman");
  env.insert("WLR_LIBINPUT_NO_DEVICES", "1");
  env.remove("DISPLAY");
  env.remove("WAYLAND_DISPLAY");
  wm_.setProcessEnvironment(env);
  if (uid_ != 0) runAsUser(wm_, uid_, gid_);
  // Its log names the missing graphics devices of a headless machine.
  wm_.setStandardOutputFile(QProcess::nullDevice());
  wm_.setStandardErrorFile(QProcess::nullDevice());
  wm_.start("sway", {"-c", config});
  const auto answers = [&] {
    const QStringList sockets = QDir(runtimeDir_).entryList({"sway-ipc.*.sock"}, QDir::System);
    if (sockets.isEmpty() || !QDir(runtimeDir_).entryList({"wayland-*"}, QDir::System).contains("wayland-1"))
      return false;
    swaySocket_ = runtimeDir_ + "/" + sockets.first();
    display_ = "wayland-1";
    QFile xDisplay(xDisplayFile);
    if (xwayland() && xDisplay.open(QIODevice::ReadOnly)) xDisplay_ = QString::fromLatin1(xDisplay.readAll()).trimmed();
    return (!xwayland() || xDisplay_.startsWith(':')) && !run("swaymsg", {"-t", "get_outputs"}).isEmpty();
  };
  return wm_.waitForStarted(5000) && waitUntil([&] { return wm_.state() != QProcess::Running || answers(); }, 30000) &&
         wm_.state() == QProcess::Running;
}

bool Desktop::startServer() {
  // The server picks a free display number itself and writes it out once it
  // accepts connections, so parallel tests never share or half-see one.
  xvfb_.start("Xvfb", {"-displayfd", "1", "-screen", "0", screenSize() + "x24", "-nolisten", "tcp", "-dpi", "96"});
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
  // Both announce themselves through the EWMH check window once they manage
  // the screen.
  return wm_.waitForStarted(5000) &&
         waitUntil([&] {
           return wm_.state() != QProcess::Running ||
                  run("xprop", {"-root", "_NET_SUPPORTING_WM_CHECK"}).contains("window id");
         }, 30000) &&
         wm_.state() == QProcess::Running;
}

Desktop::~Desktop() {
  stop();
  if (!runtimeDir_.isEmpty()) QDir(runtimeDir_).removeRecursively();
}

void Desktop::stop() {
  endProcess(wm_);
  endProcess(xvfb_);
}

void endProcess(QProcess& process) {
  if (process.state() == QProcess::NotRunning) return;
  process.terminate();
  if (!process.waitForFinished(5000)) {
    process.kill();
    process.waitForFinished(3000);
  }
}

QProcessEnvironment Desktop::environment() const {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  if (wayland()) {
    env.insert("XDG_RUNTIME_DIR", runtimeDir_);
    env.insert("WAYLAND_DISPLAY", display_);
    env.insert("SWAYSOCK", swaySocket_);
    env.insert("QT_QPA_PLATFORM", xwayland() ? "xcb" : "wayland");
    if (xwayland()) env.insert("DISPLAY", xDisplay_);
    else env.remove("DISPLAY");
    return env;
  }
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

void Program::runAs(uid_t uid, gid_t gid, gid_t group, mode_t umask) {
  otherUser_ = true;
  runAsUser(process_, uid, gid, group, umask);
}

void Program::setEnvironment(const QString& name, const QString& value) {
  QProcessEnvironment env = process_.processEnvironment();
  env.insert(name, value);
  process_.setProcessEnvironment(env);
}

void runAsUser(QProcess& process, uid_t uid, gid_t gid, gid_t group, std::optional<mode_t> umask) {
  process.setChildProcessModifier([uid, gid, group, umask] {
    if (umask) ::umask(*umask);
    if (setgroups(group != 0 ? 1 : 0, &group) != 0 || setgid(gid) != 0 || setuid(uid) != 0) _exit(127);
  });
}

bool systemUser(const QString& name, uid_t& uid, gid_t& gid, const QString& group) {
  const QByteArray groupName = group.toLocal8Bit();
  if (!group.isEmpty() && !getgrnam(groupName)) QProcess::execute("groupadd", {"--system", group});
  QStringList args{"--system", "--no-create-home", "--shell", "/usr/sbin/nologin"};
  if (!group.isEmpty()) args << "-G" << group;
  if (!getpwnam(name.toLocal8Bit())) QProcess::execute("useradd", args << name);
  const passwd* user = getpwnam(name.toLocal8Bit());
  if (!user || (!group.isEmpty() && !getgrnam(groupName))) return false;
  uid = user->pw_uid;
  gid = user->pw_gid;
  return true;
}

CaptureCall callCapture(const Desktop& desktop, const std::function<void(QProcess&)>& prepare) {
  QProcess call;
  call.setProcessEnvironment(desktop.environment());
  if (prepare) prepare(call);
  call.start(programPath(), {"--capture"});
  CaptureCall result;
  // Generous, and no measured time: the point is that it ends at all
  // while a message box stands that nobody will click.
  if (!call.waitForFinished(60000)) {
    call.kill();
    call.waitForFinished(3000);
    return result;
  }
  result.status = call.exitStatus() == QProcess::NormalExit ? call.exitCode() : -1;
  result.out = QString::fromLocal8Bit(call.readAllStandardOutput());
  // Qt's D-Bus module can say this of its own types as the client ends
  // on a loaded machine; it is none of the program's text.
  QStringList lines = QString::fromLocal8Bit(call.readAllStandardError()).split('\n');
  lines.removeIf([](const QString& l) { return l.startsWith("Trying to construct an instance of an invalid type"); });
  result.err = lines.join('\n');
  return result;
}

bool Program::start() {
  if (!otherUser_ && desktop_.uid() != 0) {
    // The test's private HOME (and the folder it lies in) becomes the user's,
    // with everything the test put there; the test, as root, still reads it.
    const QString root = QFileInfo(qEnvironmentVariable("HOME")).absolutePath();
    if (QProcess::execute("chown", {"-R", QString("%1:%2").arg(desktop_.uid()).arg(desktop_.gid()), root}) != 0)
      return false;
    runAsUser(process_, desktop_.uid(), desktop_.gid());
  }
  process_.start(programPath(), {});
  return process_.waitForStarted(5000);
}

QJsonObject Program::view(const std::function<bool(const QJsonObject&)>& matches) {
  return findView(QJsonDocument::fromJson(desktop_.run("swaymsg", {"-t", "get_tree", "-r"}, 5000).toUtf8()).object(),
                  matches);
}

QJsonObject Program::view(const QString& windowId) {
  return view([&](const QJsonObject& v) { return idOf(v) == windowId; });
}

QString Program::findWindow(const QString& titleRegex) {
  const QRegularExpression title(titleRegex);
  if (desktop_.wayland())
    return idOf(view([&](const QJsonObject& v) {
      return v.value("visible").toBool() && title.match(v.value("name").toString()).hasMatch();
    }));
  const QString ids = desktop_.run("xdotool", {"search", "--onlyvisible", "--name", titleRegex}, 2000);
  return ids.split('\n', Qt::SkipEmptyParts).value(0).trimmed();
}

QString Program::waitForWindow(const QString& titleRegex, int timeoutMs) {
  for (int waited = 0; waited < timeoutMs; waited += 100) {
    const QString id = findWindow(titleRegex);
    if (!id.isEmpty()) return id;
    if (process_.state() == QProcess::NotRunning) return {};
    pause(100);
  }
  return {};
}

bool Program::hasWindow(const QString& titleRegex) { return !findWindow(titleRegex).isEmpty(); }

bool Program::swayCommand(const QString& windowId, const QString& command) {
  return desktop_.run("swaymsg", {QString("[con_id=%1] %2").arg(windowId, command)}, 5000).contains("true");
}

bool Program::urgent(const QString& windowId) { return view(windowId).value("urgent").toBool(); }

void Program::activate(const QString& windowId) {
  if (desktop_.wayland())
    swayCommand(windowId, "focus");
  else
    desktop_.run("xdotool", {"windowactivate", "--sync", windowId}, 5000);
  pause(100);
}

void Program::key(const QString& keys) { press(keys, 1, 0); }

void Program::press(const QString& key, int times, int gapMs) {
  QStringList args;
  if (desktop_.wayland()) {
    // wtype's virtual keyboard is new to the compositor: a moment first.
    args << "-s" << "300";
    for (int i = 0; i < times; ++i) args << (i ? QStringList{"-s", QString::number(gapMs)} : QStringList{}) << wtypeArgs(key);
    desktop_.run("wtype", args, 10000 + times * gapMs);
  } else {
    args << "key" << "--clearmodifiers" << "--delay" << QString::number(gapMs);
    for (int i = 0; i < times; ++i) args << key;
    desktop_.run("xdotool", args, 10000 + times * gapMs);
  }
  pause(100);
}

QString Program::focusedWindow() {
  if (desktop_.wayland()) return idOf(view([](const QJsonObject& v) { return v.value("focused").toBool(); }));
  return desktop_.run("xdotool", {"getwindowfocus"}, 2000).trimmed();
}

bool Program::waitForFocus(const QString& windowId, int timeoutMs) {
  return waitUntil([&] { return focusedWindow() == windowId; }, timeoutMs);
}

void Program::closeWindow(const QString& windowId) {
  // The close box makes the window manager send the window its close
  // request; wmctrl (sway's kill) asks the window manager for exactly that.
  if (desktop_.wayland())
    swayCommand(windowId, "kill");
  else
    desktop_.run("wmctrl", {"-i", "-c", windowId}, 5000);
  pause(100);
}

QImage Program::screenshot(const QString& windowId, bool withPopups) {
  QProcess p;
  p.setProcessEnvironment(desktop_.environment());
  if (desktop_.wayland()) {
    const QRect r = geometry(windowId);
    p.start("grim", {"-g", QString("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height()), "-"});
  } else {
    p.start("import", QStringList{"-window", windowId} + (withPopups ? QStringList{"-screen"} : QStringList{}) +
                          QStringList{"png:-"});
  }
  if (!p.waitForFinished(10000)) return {};
  return QImage::fromData(p.readAllStandardOutput(), "PNG");
}

QRect Program::geometry(const QString& windowId) {
  if (desktop_.wayland()) return contentOf(view(windowId));
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
