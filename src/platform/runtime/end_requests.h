#pragma once
// Requests to end the program that come from outside its windows: SIGTERM,
// SIGINT and SIGHUP (a logout, kill, Ctrl+C in a terminal), and the loss of
// the display. Each is turned into a call on the event loop, so the program
// can end through its normal unload path instead of dying mid-write.

#include <QObject>
#include <functional>
#include <signal.h>

class QSocketNotifier;

namespace rt {

// While it lives, the three signals are caught: the handler only writes the
// signal's number to a pipe, and `onSignal` runs on the event loop. The
// first signal restores the default action, so a second one ends a program
// that is stuck. The earlier actions come back when this is destroyed.
class EndSignals : public QObject {
 public:
  EndSignals(std::function<void(int)> onSignal, QObject* parent);
  ~EndSignals() override;
  EndSignals(const EndSignals&) = delete;
  EndSignals& operator=(const EndSignals&) = delete;
  bool ok() const { return notifier_ != nullptr; }

 private:
  void readSignals();
  std::function<void(int)> onSignal_;
  int pipe_[2] = {-1, -1};
  QSocketNotifier* notifier_ = nullptr;
  struct sigaction saved_[3] = {};
};

// Runs `onLoss` when the connection to the display breaks (Qt would end the
// process right after). `onLoss` must not return and must not touch any
// window; it is the last thing the program does.
void OnDisplayLost(std::function<void()> onLoss);

}  // namespace rt
