#pragma once
// File systems that lack calls or fail at one step, played by replacing the
// system calls the file layer goes through.

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/files/file_calls.h"
#include "platform/files/move_no_replace.h"
#include "platform/files/new_file.h"
#include "platform/files/write_call.h"

namespace files_testing {

// The process's umask, set for the life of this object.
class Umask {
 public:
  explicit Umask(mode_t mask) : saved_(::umask(mask)) {}
  ~Umask() { ::umask(saved_); }

 private:
  mode_t saved_;
};

inline int failWith(int error) {
  errno = error;
  return -1;
}

// One step of every file write fails with `error` while this lives: Write,
// Flush, Close, Claim or FlushFolder. The failing close still closes, as the
// kernel's does. At the Claim the no-replace rename fails with `error` and
// the link tried after it with `linkError` (EINVAL and EPERM play a file
// system that has neither).
class FailingStep {
 public:
  FailingStep(files::Step step, int error, int linkError = 0) {
    error_ = error;
    linkError_ = linkError != 0 ? linkError : error;
    switch (step) {
      case files::Step::Write:
        files::writeCall() = [](int, const void*, std::size_t) -> ssize_t { return failWith(error_); };
        break;
      case files::Step::Flush: files::fileCalls().dataSync = [](int) { return failWith(error_); }; break;
      case files::Step::Close:
        files::fileCalls().close = [](int fd) {
          ::close(fd);
          return failWith(error_);
        };
        break;
      case files::Step::FlushFolder: files::fileCalls().folderSync = [](int) { return failWith(error_); }; break;
      case files::Step::Claim:
        files::moveCalls() = {[](int, const char*, int, const char*) { return failWith(error_); },
                              [](int, const char*, int, const char*) { return failWith(linkError_); }};
        break;
      default: break;
    }
  }
  ~FailingStep() {
    files::writeCall() = files::systemWriteCall();
    files::fileCalls() = files::systemFileCalls();
    files::moveCalls() = files::systemMoveCalls();
  }
  FailingStep(const FailingStep&) = delete;
  FailingStep& operator=(const FailingStep&) = delete;

 private:
  static inline int error_ = 0;
  static inline int linkError_ = 0;
};

}  // namespace files_testing
