#include "platform/scan/image_file_read.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace scan {

namespace {

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

}  // namespace

std::optional<FileBytes> readImageFile(const char* path) {
  if (path == nullptr || *path == '\0') return std::nullopt;
  // O_NONBLOCK keeps a FIFO given as the path from blocking the open.
  FileDescriptor fd(::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  struct stat st {};
  if (fd.get() < 0 || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  if (st.st_size <= 0 || st.st_size > kMaxImageFileBytes) return std::nullopt;

  const auto size = static_cast<std::size_t>(st.st_size);
  FileBytes bytes{std::make_unique_for_overwrite<std::uint8_t[]>(size), 0};
  std::size_t got = 0;
  while (got < size) {
    ssize_t n = ::read(fd.get(), bytes.data.get() + got, size - got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;  // the file shrank while being read
    got += static_cast<std::size_t>(n);
  }
  bytes.size = got;
  return bytes;
}

}  // namespace scan
