#pragma once
// A signalfd for a set of signals that the caller keeps blocked: a blocked
// signal stays pending whatever any thread does to its disposition, and is
// read here as data, on the event loop, instead of interrupting whatever
// code happens to run.

#include <signal.h>

#include <optional>

namespace rt {

class SignalFd {
 public:
  explicit SignalFd(const sigset_t& set);
  ~SignalFd();
  SignalFd(const SignalFd&) = delete;
  SignalFd& operator=(const SignalFd&) = delete;

  bool ok() const { return fd_ >= 0; }
  int fd() const { return fd_; }
  int error() const { return error_; }  // errno when it could not be made
  // The number of the next pending signal; nothing when none is pending.
  std::optional<int> next();

 private:
  int fd_ = -1;
  int error_ = 0;
};

}  // namespace rt
