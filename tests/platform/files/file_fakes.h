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

// A file system without RENAME_NOREPLACE and without hard links.
class MissingCalls {
 public:
  MissingCalls(int renameError, int linkError) {
    renameError_ = renameError;
    linkError_ = linkError;
    files::moveCalls() = {[](int, const char*, int, const char*) { return failWith(renameError_); },
                          [](int, const char*, int, const char*) { return failWith(linkError_); }};
  }
  ~MissingCalls() { files::moveCalls() = files::systemMoveCalls(); }
  MissingCalls(const MissingCalls&) = delete;
  MissingCalls& operator=(const MissingCalls&) = delete;

 private:
  static inline int renameError_ = 0;
  static inline int linkError_ = 0;
};

// One step of every file write fails with `error` while this lives: Write,
// Flush, Close, Claim (the no-replace rename, and the link after it) or
// FlushFolder. The failing close still closes, as the kernel's does.
class FailingStep {
 public:
  FailingStep(files::Step step, int error) {
    error_ = error;
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
                              [](int, const char*, int, const char*) { return failWith(error_); }};
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
};

}  // namespace files_testing
