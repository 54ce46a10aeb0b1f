#include "platform/capture/v4l2_port.h"

#include <fcntl.h>
#include <libv4l2.h>
#include <sys/mman.h>

#include <cerrno>

namespace capture {

namespace {

class LibV4l2Port final : public V4l2Port {
 public:
  explicit LibV4l2Port(int fd) : fd_(fd) {}
  ~LibV4l2Port() override { v4l2_close(fd_); }
  LibV4l2Port(const LibV4l2Port&) = delete;
  LibV4l2Port& operator=(const LibV4l2Port&) = delete;

  int fd() const override { return fd_; }

  int ioctl(unsigned long request, void* arg) override {
    int result;
    do {
      result = v4l2_ioctl(fd_, request, arg);
    } while (result == -1 && errno == EINTR);
    return result;
  }

  void* map(std::size_t length, std::int64_t offset) override {
    void* address = v4l2_mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_SHARED, fd_, offset);
    return address == MAP_FAILED ? nullptr : address;
  }

  void unmap(void* address, std::size_t length) override { v4l2_munmap(address, length); }

 private:
  int fd_;
};

}  // namespace

std::unique_ptr<V4l2Port> openLibV4l2(const std::string& path) {
  const int fd = v4l2_open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return nullptr;
  return std::make_unique<LibV4l2Port>(fd);
}

}  // namespace capture
