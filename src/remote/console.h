#pragma once
// The commands that run without a window or a display.

#include "remote/command_line.h"

namespace remote {

// Exit status of an option nobody knows (sysexits' EX_USAGE, so that it is
// never taken for one of --capture's).
constexpr int kUsageError = 64;

// Runs `command` (anything but Command::Run) and answers the exit status.
int RunWithoutWindows(const ParsedCommand& command, int& argc, char** argv);

}  // namespace remote
