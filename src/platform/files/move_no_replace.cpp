#include "platform/files/move_no_replace.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace files {

namespace {

int renameat2NoReplace(int fromDir, const char* from, int toDir, const char* to) {
  return static_cast<int>(::syscall(SYS_renameat2, fromDir, from, toDir, to, RENAME_NOREPLACE));
}

int linkAt(int fromDir, const char* from, int toDir, const char* to) { return ::linkat(fromDir, from, toDir, to, 0); }

}  // namespace

bool unsupported(int error) { return error == EINVAL || error == ENOSYS || error == EOPNOTSUPP || error == EPERM; }

// A reader may see the name empty for a moment; it never sees another
// file's content lost.
bool moveOverPlaceholder(int dir, const char* from, const char* to) {
  struct stat st {};
  if (::fstatat(dir, from, &st, AT_SYMLINK_NOFOLLOW) != 0) return false;
  const int fd = ::openat(dir, to, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  ::close(fd);
  if (::renameat(dir, from, dir, to) == 0) return true;
  const int error = errno;
  ::unlinkat(dir, to, 0);
  errno = error;
  return false;
}

MoveCalls systemMoveCalls() { return {renameat2NoReplace, linkAt}; }

MoveCalls& moveCalls() {
  static MoveCalls calls = systemMoveCalls();
  return calls;
}

bool moveNoReplace(int dir, const char* from, const char* to) {
  if (moveCalls().renameNoReplace(dir, from, dir, to) == 0) return true;
  if (!unsupported(errno)) return false;
  if (moveCalls().link(dir, from, dir, to) == 0) {
    ::unlinkat(dir, from, 0);
    return true;
  }
  if (!unsupported(errno)) return false;
  return moveOverPlaceholder(dir, from, to);
}

}  // namespace files
