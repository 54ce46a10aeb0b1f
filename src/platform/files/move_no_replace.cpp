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

int renameat2NoReplace(const char* from, const char* to) {
  return static_cast<int>(::syscall(SYS_renameat2, AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE));
}

// The answers of a file system (or kernel) that lacks the call, as opposed
// to one that refused this particular move.
bool unsupported(int error) {
  return error == EINVAL || error == ENOSYS || error == EOPNOTSUPP || error == EPERM;
}

// The last resort: claim the name with an exclusive create, then replace
// that empty placeholder with a plain rename. A reader may see the name
// empty for a moment; it never sees another file's content lost.
bool moveOverPlaceholder(const char* from, const char* to) {
  struct stat st {};
  if (::lstat(from, &st) != 0) return false;
  const int fd = ::open(to, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  ::close(fd);
  if (::rename(from, to) == 0) return true;
  const int error = errno;
  ::unlink(to);
  errno = error;
  return false;
}

}  // namespace

MoveCalls systemMoveCalls() { return {renameat2NoReplace, ::link}; }

MoveCalls& moveCalls() {
  static MoveCalls calls = systemMoveCalls();
  return calls;
}

bool moveNoReplace(const char* from, const char* to) {
  if (moveCalls().renameNoReplace(from, to) == 0) return true;
  if (!unsupported(errno)) return false;
  if (moveCalls().link(from, to) == 0) {
    ::unlink(from);
    return true;
  }
  if (!unsupported(errno)) return false;
  return moveOverPlaceholder(from, to);
}

}  // namespace files
