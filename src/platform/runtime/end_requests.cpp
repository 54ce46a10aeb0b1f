#include "platform/runtime/end_requests.h"

#include <pthread.h>
#include <signal.h>

#include <QSocketNotifier>

#include "platform/runtime/signal_fd.h"

namespace rt {

namespace {

sigset_t endSignalSet() {
  sigset_t set;
  sigemptyset(&set);
  for (int signal : {SIGTERM, SIGINT, SIGHUP}) sigaddset(&set, signal);
  return set;
}

sigset_t gMaskBefore;
bool gBlocked = false;

// A program started from here (the viewer's "open with") must not inherit
// signals it cannot receive.
void restoreMaskInChild() { ::pthread_sigmask(SIG_SETMASK, &gMaskBefore, nullptr); }

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

void BlockEndSignals() {
  const sigset_t set = endSignalSet();
  if (gBlocked) return;
  if (::pthread_sigmask(SIG_BLOCK, &set, &gMaskBefore) != 0) return;
  gBlocked = true;
  ::pthread_atfork(nullptr, nullptr, restoreMaskInChild);
}

EndSignals::EndSignals(std::function<void(int)> onSignal, QObject* parent)
    : QObject(parent), onSignal_(std::move(onSignal)) {
  // Without BlockEndSignals in main() at least this thread takes them.
  const sigset_t set = endSignalSet();
  ::pthread_sigmask(SIG_BLOCK, &set, nullptr);
  fd_ = std::make_unique<SignalFd>(set);
  if (!fd_->ok()) return;
  notifier_ = new QSocketNotifier(fd_->fd(), QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, [this] { readSignals(); });
}

EndSignals::~EndSignals() { delete notifier_; }

bool EndSignals::ok() const { return notifier_ != nullptr; }

void EndSignals::readSignals() {
  while (const std::optional<int> signal = fd_->next()) {
    struct sigaction byDefault {};
    byDefault.sa_handler = SIG_DFL;
    sigemptyset(&byDefault.sa_mask);
    ::sigaction(*signal, &byDefault, nullptr);
    sigset_t one;
    sigemptyset(&one);
    sigaddset(&one, *signal);
    ::pthread_sigmask(SIG_UNBLOCK, &one, nullptr);
    onSignal_(*signal);
  }
}

void OnDisplayLost(std::function<void()> onLoss) {
  displayLoss() = std::move(onLoss);
  if (!gQtHandler) gQtHandler = qInstallMessageHandler(watchMessages);
}

}  // namespace rt
