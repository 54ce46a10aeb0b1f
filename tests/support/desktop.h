#pragma once
// End-to-end tests: a private X display (Xvfb) with a light window manager,
// the real program started on it, and xdotool to drive it like a user.

#include <QImage>
#include <QProcess>
#include <QString>
#include <memory>

namespace testing_support {

class Desktop {
 public:
  Desktop();  // starts Xvfb and openbox; check ok()
  ~Desktop();
  bool ok() const { return ok_; }
  QString display() const { return display_; }
  QProcessEnvironment environment() const;
  // Runs a helper command on this display; its standard output, or nothing
  // when it failed or timed out.
  QString run(const QString& program, const QStringList& args, int timeoutMs = 10000) const;

 private:
  QProcess xvfb_, wm_;
  QString display_;
  bool ok_ = false;
};

class Program {
 public:
  explicit Program(Desktop& desktop);
  ~Program();  // kills the program if it still runs
  bool start();
  // The X window id of the first visible window whose title matches, or
  // empty after the timeout.
  QString waitForWindow(const QString& titleRegex, int timeoutMs = 15000);
  bool hasWindow(const QString& titleRegex);
  void activate(const QString& windowId);
  void key(const QString& windowId, const QString& keys);  // e.g. "F12", "alt+F4"
  QImage screenshot(const QString& windowId);
  QRect geometry(const QString& windowId);
  bool waitForExit(int timeoutMs = 10000);
  // Closes the window as a user does (alt+F4 through the window manager),
  // again if the first press went to another window; true once the program
  // has ended.
  bool closeAndWaitForExit(const QString& windowId, int attempts = 3);
  int exitCode() const { return process_.exitCode(); }
  QString output() const;

 private:
  Desktop& desktop_;
  QProcess process_;
};

QString programPath();

}  // namespace testing_support
