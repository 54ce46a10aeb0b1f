#pragma once
// A capture asked for from outside the program, and what it came to.

#include <QString>
#include <functional>

namespace remote {

struct CaptureResult {
  bool saved = false;
  QString text;  // the file written, or the message that says what went wrong
  // Shows the user what went wrong, as F12 does (a message box); empty when
  // there is nothing to show. Run only after the caller has its answer.
  std::function<void()> tellUser;
};

// Runs one capture exactly as F12 would.
using CaptureHook = std::function<CaptureResult()>;

}  // namespace remote
