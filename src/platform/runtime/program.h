#pragma once
// Yielding to the event loop and ending the program.

#include <functional>

namespace rt {

// Lets pending window events run once.
void DoEvents();

// Ends the program at once: no further handler runs. Settings saved for
// later are written and flushed first.
[[noreturn]] void End();

// Runs `cleanUp` when the program ends through End (devices that must be
// released, for example); the latest registered runs first.
void OnEnd(std::function<void()> cleanUp);

// Tests replace the end of the process; the replacement must not return
// (it may throw).
void setEndHandler(std::function<void()> handler);

}  // namespace rt
