#pragma once
// Requests to end the program that come from outside its windows: SIGTERM,
// SIGINT and SIGHUP (a logout, kill, Ctrl+C in a terminal), and the loss of
// the display. Each is turned into a call on the event loop, so the program
// can end through its normal unload path instead of dying mid-write.

#include <QObject>
#include <functional>
#include <memory>

class QSocketNotifier;

namespace rt {

class SignalFd;

// Blocks the three signals in the calling thread, and so in every thread it
// starts later: threads inherit the mask. Called first thing in main(),
// before any library can start a thread, a blocked signal stays pending
// whatever a library does to its disposition (a scanner backend's reader
// thread resets SIGTERM to its default on every page), until EndSignals
// takes it. Programs the process starts get the mask it had before.
void BlockEndSignals();

// While it lives, the three signals are taken from a signalfd on the event
// loop and handed to `onSignal`. After the first of a kind, that kind gets
// its default action back in this thread, so a second one ends a program
// that is stuck.
class EndSignals : public QObject {
 public:
  EndSignals(std::function<void(int)> onSignal, QObject* parent);
  ~EndSignals() override;
  EndSignals(const EndSignals&) = delete;
  EndSignals& operator=(const EndSignals&) = delete;
  bool ok() const;

 private:
  void readSignals();
  std::function<void(int)> onSignal_;
  std::unique_ptr<SignalFd> fd_;
  QSocketNotifier* notifier_ = nullptr;
};

// Runs `onLoss` when the connection to the display breaks (Qt would end the
// process right after). `onLoss` must not return and must not touch any
// window; it is the last thing the program does.
void OnDisplayLost(std::function<void()> onLoss);

}  // namespace rt
