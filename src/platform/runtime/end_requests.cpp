#include "platform/runtime/end_requests.h"

#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cerrno>

namespace rt {

namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};
int gWriteEnd = -1;

void onSignalCaught(int signal) {
  const int saved = errno;
  const unsigned char number = static_cast<unsigned char>(signal);
  if (gWriteEnd >= 0) {
    const ssize_t written = ::write(gWriteEnd, &number, 1);
    static_cast<void>(written);  // a full pipe already holds a request
  }
  errno = saved;
}

std::function<void()>& displayLoss() {
  static std::function<void()> onLoss;
  return onLoss;
}

QtMessageHandler gQtHandler = nullptr;

// Qt's X11 plugin reports a broken display connection with this message and
// then ends the process at once.
void watchMessages(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (gQtHandler) gQtHandler(type, context, message);
  if (displayLoss() && message.contains("X11 connection broke")) displayLoss()();
}

}  // namespace

EndSignals::EndSignals(std::function<void(int)> onSignal, QObject* parent)
    : QObject(parent), onSignal_(std::move(onSignal)) {
  if (gWriteEnd >= 0 || ::pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) != 0) return;
  gWriteEnd = pipe_[1];
  struct sigaction action {};
  action.sa_handler = onSignalCaught;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART | SA_RESETHAND;
  for (int i = 0; i < 3; ++i) ::sigaction(kSignals[i], &action, &saved_[i]);
  notifier_ = new QSocketNotifier(pipe_[0], QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, [this] { readSignals(); });
}

EndSignals::~EndSignals() {
  if (!notifier_) return;
  for (int i = 0; i < 3; ++i) ::sigaction(kSignals[i], &saved_[i], nullptr);
  gWriteEnd = -1;
  delete notifier_;
  ::close(pipe_[0]);
  ::close(pipe_[1]);
}

void EndSignals::readSignals() {
  unsigned char number = 0;
  while (::read(pipe_[0], &number, 1) == 1) onSignal_(number);
}

void OnDisplayLost(std::function<void()> onLoss) {
  displayLoss() = std::move(onLoss);
  if (!gQtHandler) gQtHandler = qInstallMessageHandler(watchMessages);
}

}  // namespace rt
