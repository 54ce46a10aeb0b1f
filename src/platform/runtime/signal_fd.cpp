#include "platform/runtime/signal_fd.h"

#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>

namespace rt {

SignalFd::SignalFd(const sigset_t& set) {
  fd_ = ::signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
  if (fd_ < 0) error_ = errno;
}

SignalFd::~SignalFd() {
  if (fd_ >= 0) ::close(fd_);
}

std::optional<int> SignalFd::next() {
  if (fd_ < 0) return std::nullopt;
  signalfd_siginfo info{};
  ssize_t got = 0;
  do got = ::read(fd_, &info, sizeof info);
  while (got < 0 && errno == EINTR);
  if (got != static_cast<ssize_t>(sizeof info)) return std::nullopt;
  return static_cast<int>(info.ssi_signo);
}

}  // namespace rt
