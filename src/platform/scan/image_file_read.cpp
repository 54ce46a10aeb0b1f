#include "platform/scan/image_file_read.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>

#include "platform/files/unique_fd.h"
#include "platform/scan/bmp_decode.h"

namespace scan {

namespace {

// Opens a regular file of a plausible size for an image.
bool openImageFile(const char* path, files::UniqueFd& fd, std::size_t& size) {
  if (path == nullptr || *path == '\0') return false;
  // O_NONBLOCK keeps a FIFO given as the path from blocking the open.
  fd = files::UniqueFd(::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  struct stat st {};
  if (fd.get() < 0 || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  if (st.st_size <= 0 || st.st_size > kMaxImageFileBytes) return false;
  size = static_cast<std::size_t>(st.st_size);
  return true;
}

}  // namespace

std::optional<Image> readBmpFileSampled(const char* path, int maxWidth, int maxHeight) {
  files::UniqueFd fd(-1);
  std::size_t size = 0;
  if (!openImageFile(path, fd, size)) return std::nullopt;
  const ReadAt readAt = [&fd](std::uint64_t offset, std::size_t n, std::uint8_t* to) {
    std::size_t got = 0;
    while (got < n) {
      const ssize_t r = ::pread(fd.get(), to + got, n - got, static_cast<off_t>(offset + got));
      if (r < 0 && errno == EINTR) continue;
      if (r <= 0) return false;  // the file shrank while being read
      got += static_cast<std::size_t>(r);
    }
    return true;
  };
  return decodeBmpSampled(readAt, size, maxWidth, maxHeight);
}

std::optional<FileBytes> readImageFile(const char* path) {
  files::UniqueFd fd(-1);
  std::size_t size = 0;
  if (!openImageFile(path, fd, size)) return std::nullopt;

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
