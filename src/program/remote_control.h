#pragma once
// Captures asked for from outside the program: `--capture` over the session
// bus and the desktop's global shortcut.

#include "remote/capture_request.h"

// One capture as F12 gives it, or the reason there can be none now: the
// scanner window shows, or a dialog waits for the user.
remote::CaptureResult CaptureForCaller();

// Offers the capture on the session bus and registers the global shortcut,
// where there is a session bus; without one the program runs as before.
void startRemoteControl();
