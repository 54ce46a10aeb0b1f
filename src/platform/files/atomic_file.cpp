#include "platform/files/atomic_file.h"

#include <cerrno>
#include <climits>
#include <ctime>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/files/folder_of.h"
#include "platform/files/move_no_replace.h"
#include "platform/files/stale_temps.h"
#include "platform/files/unique_fd.h"
#include "platform/files/write_call.h"

namespace files {

namespace {

constexpr int kMaxLinkHops = 40;  // the kernel's own limit
constexpr int kNameTries = 100;

thread_local int lastFailure = 0;

int noteError(int error) {
  lastFailure = error;
  return error;
}

// The file a chain of symbolic links ends at (which may not exist yet); the
// path itself when it is no link, or when the chain loops.
std::string followLinks(const std::string& path) {
  std::string at = path;
  for (int hop = 0; hop < kMaxLinkHops; ++hop) {
    char buffer[PATH_MAX];
    const ssize_t n = ::readlink(at.c_str(), buffer, sizeof buffer);
    if (n < 0) return at;
    if (static_cast<std::size_t>(n) == sizeof buffer) return path;
    const std::string link(buffer, static_cast<std::size_t>(n));
    at = link.front() == '/' ? link : folderOf(at) + "/" + link;
  }
  return path;
}

std::string randomSuffix() {
  static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  unsigned char bytes[6] = {};
  if (::getrandom(bytes, sizeof bytes, 0) != sizeof bytes) {
    const auto seed = static_cast<unsigned>(::getpid()) ^ static_cast<unsigned>(::time(nullptr));
    for (std::size_t i = 0; i < sizeof bytes; ++i) bytes[i] = static_cast<unsigned char>(seed >> (i * 5));
  }
  std::string suffix;
  for (unsigned char b : bytes) suffix += kLetters[b % (sizeof kLetters - 1)];
  return suffix;
}

void syncFolder(const std::string& path) {
  const UniqueFd dir(::open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.get() >= 0) ::fsync(dir.get());
}

}  // namespace

AtomicFile::AtomicFile(std::string path) : path_(std::move(path)) {}

AtomicFile::~AtomicFile() { discard(); }

bool AtomicFile::open() {
  if (path_.empty()) {
    error_ = noteError(ENOENT);
    return false;
  }
  target_ = followLinks(path_);
  const std::string folder = folderOf(target_);
  removeStaleTemps(folder);
  // Created 0666 so that the kernel applies the umask (or the folder's
  // default ACL), as for any file the user makes.
  for (int tries = 0; tries < kNameTries && fd_ < 0; ++tries) {
    std::string name = folder + "/.vic-" + randomSuffix();
    fd_ = ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd_ >= 0) tempPath_ = std::move(name);
    else if (errno != EEXIST) break;
  }
  if (fd_ < 0) {
    error_ = noteError(errno);
    return false;
  }
  // Held until the file is committed or discarded; it tells the clean-up of
  // leftovers that this one is being written.
  ::flock(fd_, LOCK_EX | LOCK_NB);
  struct stat existing {};
  if (::stat(target_.c_str(), &existing) == 0 && S_ISREG(existing.st_mode)) ::fchmod(fd_, existing.st_mode & 07777);
  return true;
}

bool AtomicFile::write(const void* data, std::size_t size) {
  if (fd_ < 0) return false;
  auto p = static_cast<const char*>(data);
  while (size > 0) {
    ssize_t n = writeCall()(fd_, p, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      error_ = noteError(errno);
      discard();
      return false;
    }
    p += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

bool AtomicFile::commit(Commit mode, Flush flush) {
  if (fd_ < 0) return false;
  if (flush == Flush::Now && ::fsync(fd_) != 0) {
    error_ = noteError(errno);
    discard();
    return false;
  }
  // A link under the name takes the name for a no-replace commit.
  const bool moved = mode == Commit::Replace ? ::rename(tempPath_.c_str(), target_.c_str()) == 0
                                             : moveNoReplace(tempPath_.c_str(), path_.c_str());
  if (!moved) {
    error_ = noteError(errno);
    discard();
    return false;
  }
  tempPath_.clear();
  ::close(fd_);
  fd_ = -1;
  if (flush == Flush::Now) syncFolder(mode == Commit::Replace ? target_ : path_);
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

bool writeFileAtomically(const std::string& path, const void* data, std::size_t size, Commit mode, Flush flush) {
  AtomicFile file(path);
  return file.open() && file.write(data, size) && file.commit(mode, flush);
}

bool renameNoReplace(const std::string& from, const std::string& to) {
  if (moveNoReplace(from.c_str(), to.c_str())) return true;
  noteError(errno);
  return false;
}

int lastError() { return lastFailure; }

void clearLastError() { lastFailure = 0; }

}  // namespace files
