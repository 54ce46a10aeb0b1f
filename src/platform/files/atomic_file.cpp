#include "platform/files/atomic_file.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace files {

namespace {

std::string folderOf(const std::string& path) {
  auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

int renameat2NoReplace(const char* from, const char* to) {
  return static_cast<int>(::syscall(SYS_renameat2, AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE));
}

// renameat2 is not offered by every file system; link-and-unlink gives the
// same no-replace guarantee there.
bool moveNoReplace(const char* from, const char* to) {
  if (renameat2NoReplace(from, to) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  if (::link(from, to) != 0) return false;
  ::unlink(from);
  return true;
}

void syncFolder(const std::string& path) {
  int dir = ::open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
}

}  // namespace

AtomicFile::AtomicFile(std::string path) : path_(std::move(path)) {}

AtomicFile::~AtomicFile() { discard(); }

bool AtomicFile::open() {
  if (path_.empty()) {
    error_ = ENOENT;
    return false;
  }
  std::string pattern = folderOf(path_) + "/.vic-XXXXXX";
  fd_ = ::mkostemp(pattern.data(), O_CLOEXEC);
  if (fd_ < 0) {
    error_ = errno;
    return false;
  }
  ::fchmod(fd_, 0644);
  tempPath_ = pattern;
  return true;
}

bool AtomicFile::write(const void* data, std::size_t size) {
  if (fd_ < 0) return false;
  auto p = static_cast<const char*>(data);
  while (size > 0) {
    ssize_t n = ::write(fd_, p, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      error_ = errno;
      discard();
      return false;
    }
    p += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

bool AtomicFile::commit(Commit mode) {
  if (fd_ < 0) return false;
  if (::fsync(fd_) != 0 || ::close(fd_) != 0) {
    error_ = errno;
    fd_ = -1;
    discard();
    return false;
  }
  fd_ = -1;
  bool moved = mode == Commit::Replace ? ::rename(tempPath_.c_str(), path_.c_str()) == 0
                                       : moveNoReplace(tempPath_.c_str(), path_.c_str());
  if (!moved) {
    error_ = errno;
    discard();
    return false;
  }
  tempPath_.clear();
  syncFolder(path_);
  return true;
}

void AtomicFile::discard() {
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
  if (!tempPath_.empty()) {
    ::unlink(tempPath_.c_str());
    tempPath_.clear();
  }
}

bool writeFileAtomically(const std::string& path, const void* data, std::size_t size, Commit mode) {
  AtomicFile file(path);
  return file.open() && file.write(data, size) && file.commit(mode);
}

bool renameNoReplace(const std::string& from, const std::string& to) {
  return moveNoReplace(from.c_str(), to.c_str());
}

}  // namespace files
