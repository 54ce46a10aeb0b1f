#pragma once
// Waiting for the event loop in capture tests.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <functional>

namespace capture_test {

// Runs events until `done` holds; gives up after `limitMs` (a safety net, not
// a timing requirement). Answers `done()`.
inline bool runUntil(const std::function<bool()>& done, int limitMs = 5000) {
  QElapsedTimer timer;
  timer.start();
  while (!done() && timer.elapsed() < limitMs) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  return done();
}

// Runs the events that are due now.
inline void runPending() {
  for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
}

}  // namespace capture_test
