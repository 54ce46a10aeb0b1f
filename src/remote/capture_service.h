#pragma once
// The running program's side of `--capture`: one method, Capture, that runs
// the capture hook and answers with the file written or the D-Bus error
// kFailedError carrying the message text.

#include <QDBusConnection>
#include <QDBusContext>
#include <QObject>

#include "remote/capture_request.h"

namespace remote {

class CaptureService : public QObject, protected QDBusContext {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "io.github.video_image_capture.Capture")
 public:
  explicit CaptureService(CaptureHook capture, QObject* parent = nullptr);

 public slots:
  QString Capture();

 private:
  CaptureHook capture_;
};

enum class Ownership { Owned, Queued, Unavailable };

// Puts `service` on `bus` under kServiceName. The first program to ask owns
// the name; a later one waits in the bus's queue and takes the calls once
// the first has ended.
Ownership Publish(CaptureService& service, QDBusConnection bus);

}  // namespace remote
