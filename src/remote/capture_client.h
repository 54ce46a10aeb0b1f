#pragma once
// `video-image-capture --capture`: asks the running program for one capture.

#include <QDBusConnection>
#include <QTextStream>

namespace remote {

// Exit statuses of --capture.
constexpr int kCaptured = 0;
constexpr int kCaptureFailed = 1;
constexpr int kNotRunning = 2;

// Asks the program on `bus` and never starts one. Writes the file written to
// `out`, or what went wrong to `err`; answers the exit status.
int RequestCapture(QDBusConnection bus, QTextStream& out, QTextStream& err);

}  // namespace remote
