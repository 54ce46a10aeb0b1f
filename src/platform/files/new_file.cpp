#include "platform/files/new_file.h"

#include <cerrno>
#include <cstdint>
#include <ctime>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/files/file_calls.h"
#include "platform/files/move_no_replace.h"
#include "platform/files/stale_temps.h"
#include "platform/files/write_call.h"

namespace files {

namespace {

constexpr int kNameTries = 100;
constexpr std::size_t kTempLength = 11;  // ".vic-" and six characters

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

int openFolder(const std::string& path, int& error) {
  // Read access is needed to flush it; a folder that may only be searched
  // and written is still used, and its flush then fails and is told.
  int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0 && errno == EACCES) fd = ::open(path.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  error = fd < 0 ? errno : 0;
  return fd;
}

// Whether `name` in the folder is the file open as `fd` (not a link, not
// another file put there under that name).
bool holds(int dir, const std::string& name, int fd) {
  struct stat entry {}, file {};
  return ::fstatat(dir, name.c_str(), &entry, AT_SYMLINK_NOFOLLOW) == 0 && ::fstat(fd, &file) == 0 &&
         entry.st_dev == file.st_dev && entry.st_ino == file.st_ino;
}

}  // namespace

// Built in the initializer rather than assigned "." afterwards: GCC 12 at -O3
// reports a false overlap (-Wrestrict) in the assignment.
Folder::Folder(std::string path) : path_(path.empty() ? std::string(".") : std::move(path)) {
  fd_ = UniqueFd(openFolder(path_, error_));
}

NewFile::NewFile(const Folder& folder) : folder_(folder) {
  if (!folder.isOpen()) {
    fail(Step::OpenFolder, folder.error());
    return;
  }
  // Created 0666 so that the kernel applies the umask (or the folder's
  // default ACL), as for any file the user makes.
  for (int tries = 0; tries < kNameTries && fd_.get() < 0; ++tries) {
    std::string name = ".vic-" + randomSuffix();
    fd_ = UniqueFd(::openat(folder.fd(), name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
    if (fd_.get() >= 0) temp_ = created_ = std::move(name);
    else if (errno != EEXIST) break;
  }
  if (fd_.get() < 0) {
    fail(Step::Create, errno);
    return;
  }
  // Held until the file has its name or is discarded; it tells the clean-up
  // of leftovers that this one is being written.
  ::flock(fd_.get(), LOCK_EX | LOCK_NB);
}

NewFile::~NewFile() { discard(); }

bool NewFile::fail(Step step, int error) {
  if (!failure_.failed()) failure_ = {step, error};
  discard();
  return false;
}

void NewFile::discard() {
  if (!temp_.empty()) {
    ::unlinkat(folder_.fd(), temp_.c_str(), 0);
    temp_.clear();
  }
  fd_ = UniqueFd();
}

bool NewFile::write(const void* data, std::size_t size) {
  if (failure_.failed()) return false;
  auto p = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t n = writeCall()(fd_.get(), p, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return fail(Step::Write, n < 0 ? errno : EIO);
    p += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

bool NewFile::writeAt(std::int64_t offset, const void* data, std::size_t size) {
  if (failure_.failed()) return false;
  if (::lseek(fd_.get(), static_cast<off_t>(offset), SEEK_SET) < 0) return fail(Step::Write, errno);
  return write(data, size);
}

bool NewFile::writeDirect(const void* data, std::size_t size) {
  if (failure_.failed()) return false;
  const int fd = fd_.get();
  const std::size_t blocks = size / kDirectBlock * kDirectBlock;
  const bool onBlocks = blocks > 0 && reinterpret_cast<std::uintptr_t>(data) % kDirectBlock == 0 &&
                        ::lseek(fd, 0, SEEK_CUR) % static_cast<off_t>(kDirectBlock) == 0;
  const int flags = onBlocks ? ::fcntl(fd, F_GETFL) : -1;
  if (flags < 0 || ::fcntl(fd, F_SETFL, flags | O_DIRECT) != 0) return write(data, size);
  auto p = static_cast<const char*>(data);
  const char* const end = p + blocks;
  int error = 0;
  while (p < end) {
    const ssize_t n = writeCall()(fd, p, static_cast<std::size_t>(end - p));
    if (n < 0 && errno == EINTR) continue;
    // EINVAL: the file system took the flag but not the write (or a short
    // write left the offset off a block); the rest goes the usual way.
    if (n < 0 && errno == EINVAL) break;
    if (n <= 0) {
      error = n < 0 ? errno : EIO;
      break;
    }
    p += n;
  }
  ::fcntl(fd, F_SETFL, flags);
  if (error != 0) return fail(Step::Write, error);
  return write(p, size - static_cast<std::size_t>(p - static_cast<const char*>(data)));
}

void NewFile::startWriteBack() {
  if (!failure_.failed()) ::sync_file_range(fd_.get(), 0, 0, SYNC_FILE_RANGE_WRITE);
}

bool NewFile::flush() {
  if (flushed_) return true;
  if (fileCalls().dataSync(fd_.get()) != 0) return fail(Step::Flush, errno);
  flushed_ = true;
  return true;
}

// True when the file took the name; errno tells why not.
bool NewFile::move(const std::string& name) {
  const int dir = folder_.fd();
  if (moveCalls().renameNoReplace(dir, temp_.c_str(), dir, name.c_str()) == 0) return true;
  if (!unsupported(errno)) return false;
  if (moveCalls().link(dir, temp_.c_str(), dir, name.c_str()) == 0) {
    ::unlinkat(dir, temp_.c_str(), 0);
    return true;
  }
  if (!unsupported(errno)) return false;
  // Named for its target first, so that a crash between placeholder and
  // rename leaves a picture the next write recovers (a name too long for
  // that goes on without).
  const std::string pending = created_ + "." + name;
  if (temp_ != pending && ::renameat(dir, temp_.c_str(), dir, pending.c_str()) == 0) temp_ = pending;
  if (moveOverPlaceholder(dir, temp_.c_str(), name.c_str())) return true;
  const int error = errno;
  // Back to a plain temporary, which the clean-up of leftovers knows.
  if (temp_ != created_ && ::renameat(dir, temp_.c_str(), dir, created_.c_str()) == 0) temp_ = created_;
  errno = error;
  return false;
}

Claimed NewFile::finish(bool flushFolder) {
  temp_.clear();
  // Closed only now: the lock must hold until the name is taken.
  const int fd = fd_.release();
  if (fileCalls().close(fd) != 0) {
    failure_ = {Step::Close, errno};
    return {true, false, failure_};
  }
  if (flushFolder && fileCalls().folderSync(folder_.fd()) != 0) {
    failure_ = {Step::FlushFolder, errno};
    return {true, false, failure_};
  }
  return {true, flushFolder, {}};
}

Claimed NewFile::claim(const std::string& name) {
  if (failure_.failed() || !flush()) return {false, false, failure_};
  // Anyone who may write in the folder can put something else under our
  // temporary's name (a shared folder's group); that is never given a name
  // of ours, and our file, nameless, is lost: told as gone.
  if (!holds(folder_.fd(), temp_, fd_.get())) {
    fail(Step::Claim, ENOENT);
    return {false, false, failure_};
  }
  if (!move(name)) {
    const int error = errno;
    if (error == EEXIST) return {false, false, {Step::Claim, EEXIST}};
    fail(Step::Claim, error);
    return {false, false, failure_};
  }
  // Swapped between the look and the rename: what took the name is not
  // ours, and is taken out of it again (the name was free a moment ago).
  if (!holds(folder_.fd(), name, fd_.get())) {
    ::unlinkat(folder_.fd(), name.c_str(), 0);
    temp_.clear();
    fail(Step::Claim, ENOENT);
    return {false, false, failure_};
  }
  return finish(true);
}

Claimed NewFile::replace(const std::string& name, bool durable) {
  if (failure_.failed() || (durable && !flush())) return {false, false, failure_};
  if (::renameat(folder_.fd(), temp_.c_str(), folder_.fd(), name.c_str()) != 0) {
    fail(Step::Claim, errno);
    return {false, false, failure_};
  }
  return finish(durable);
}

std::string pendingTarget(const std::string& entry) {
  if (entry.size() <= kTempLength + 1 || !isTempName(std::string_view(entry).substr(0, kTempLength)) ||
      entry[kTempLength] != '.')
    return {};
  return entry.substr(kTempLength + 1);
}

}  // namespace files
