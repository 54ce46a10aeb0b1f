#pragma once
// End-to-end tests: a private X display (Xvfb) with a light window manager,
// or a headless Wayland compositor (sway), the real program started on it,
// and the desktop's own tools to drive it like a user (xdotool and wmctrl on
// X; swaymsg, wtype and grim under sway). Window ids are X window ids, or
// sway's container ids.
//
// Keys go where a user's keys go: to the window that has the keyboard focus.
// Nothing activates a window behind the test's back; a test calls activate()
// only where a user would click into a window.

#include <QImage>
#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <sys/types.h>

namespace testing_support {

class Desktop {
 public:
  // Starts Xvfb and the window manager named ("openbox" or "jwm"), or sway
  // ("sway"), or sway with the program on its Xwayland server
  // ("xwayland"); check ok(). Sway refuses to run as root: a test run by
  // root runs sway and the program as an unprivileged user of its own.
  explicit Desktop(const QString& windowManager = "openbox");
  ~Desktop();
  // The window managers installed here that tests can run under, openbox
  // first. Focus rules differ between them, so focus tests run under each.
  static QStringList windowManagers();
  bool ok() const { return ok_; }
  // Under sway, natively or through Xwayland: sway's tools drive it.
  bool wayland() const { return windowManager_ == "sway" || xwayland(); }
  bool xwayland() const { return windowManager_ == "xwayland"; }
  // The user the program runs as (0 for the test's own), and its groups.
  uid_t uid() const { return uid_; }
  gid_t gid() const { return gid_; }
  QString display() const { return display_; }
  QString windowManager() const { return windowManager_; }
  QProcessEnvironment environment() const;
  // Runs a helper command on this display; its standard output, or nothing
  // when it failed or timed out.
  QString run(const QString& program, const QStringList& args, int timeoutMs = 10000) const;

 private:
  bool startServer();
  bool startWindowManager();
  bool startSway();
  void stop();
  QProcess xvfb_, wm_;
  QString display_, windowManager_;
  QString runtimeDir_, swaySocket_, xDisplay_;
  uid_t uid_ = 0;
  gid_t gid_ = 0;
  bool ok_ = false;
};

class Program {
 public:
  explicit Program(Desktop& desktop);
  ~Program();  // kills the program if it still runs
  // Runs the program as this user instead of the desktop's (a test run by
  // root), with one more group and under the umask. Before start().
  void runAs(uid_t uid, gid_t gid, gid_t group, mode_t umask);
  bool start();
  // Sets a variable of the program's environment; before start().
  void setEnvironment(const QString& name, const QString& value);
  // The X window id of the first visible window whose title matches, or
  // empty after the timeout (generous: a loaded machine starts slowly).
  QString waitForWindow(const QString& titleRegex, int timeoutMs = 30000);
  bool hasWindow(const QString& titleRegex);
  // What a user's click into the window does: the window manager makes it
  // the active window with the keyboard focus.
  void activate(const QString& windowId);
  // Types keys (e.g. "F12", "alt+t") into whatever window has the focus.
  void key(const QString& keys);
  // Presses a key `times` times, `gapMs` apart, from one typing process (a
  // fresh virtual keyboard on Wayland can lose its first key).
  void press(const QString& key, int times, int gapMs);
  // The window that has the keyboard focus (X's input focus), or empty.
  QString focusedWindow();
  // Polls until the window has the keyboard focus; false after the timeout.
  bool waitForFocus(const QString& windowId, int timeoutMs = 10000);
  // A click on the window's close box: the window manager asks the window
  // to close.
  void closeWindow(const QString& windowId);
  // The window's inner area; with its popups (an open menu is a window of
  // its own) as they lie on the screen above it, on X.
  QImage screenshot(const QString& windowId, bool withPopups = false);
  // Inner area of a window: its position on the screen and its size.
  QRect geometry(const QString& windowId);
  bool waitForExit(int timeoutMs = 10000);
  // Closes the window with its close box, again if the program is still
  // running afterwards; true once the program has ended.
  bool closeAndWaitForExit(const QString& windowId, int attempts = 3);
  int exitCode() const { return process_.exitCode(); }
  QString output() const;
  // Sway only: a command for the window (`swaymsg '[con_id=..] <command>'`),
  // as a user's key binding or mouse drag gives it.
  bool swayCommand(const QString& windowId, const QString& command);
  // Sway only: true when the window is marked urgent (it asked for the
  // focus while another window had it).
  bool urgent(const QString& windowId);

 private:
  QString findWindow(const QString& titleRegex);
  // Sway's view (window) that matches, or an empty object.
  QJsonObject view(const std::function<bool(const QJsonObject&)>& matches);
  QJsonObject view(const QString& windowId);
  Desktop& desktop_;
  QProcess process_;
  bool otherUser_ = false;
};

QString programPath();

// The process starts as `uid`, in the one extra group `group` (none for 0),
// under `umask` (the test's own when none is given).
void runAsUser(QProcess& process, uid_t uid, gid_t gid, gid_t group = 0, std::optional<mode_t> umask = {});

// A system user of that name, in `group` too when one is named (both made
// once per machine); false when they cannot be made.
bool systemUser(const QString& name, uid_t& uid, gid_t& gid, const QString& group = {});

// Asks the process to end, and kills it when it does not.
void endProcess(QProcess& process);

// One `video-image-capture --capture` on the desktop, as a shortcut or a
// script starts it; `prepare` may set the process up before it starts.
struct CaptureCall {
  int status = -1;  // -1: it did not end, or crashed
  QString out, err;
};
CaptureCall callCapture(const Desktop& desktop, const std::function<void(QProcess&)>& prepare = {});

// Polls the condition every 100 ms, letting events run, until it holds or
// the time is up; the condition's last answer.
bool waitUntil(const std::function<bool()>& done, int timeoutMs);

}  // namespace testing_support
