#pragma once
// The calls made on an open Video4Linux2 device, behind an interface so
// that the whole capture path can run against a fake device.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>

namespace capture {

class V4l2Port {
 public:
  virtual ~V4l2Port() = default;  // closes the device
  // Readable when a frame can be dequeued (the device is non-blocking).
  virtual int fd() const = 0;
  // -1 with errno set on failure.
  virtual int ioctl(unsigned long request, void* arg) = 0;
  // nullptr with errno set on failure.
  virtual void* map(std::size_t length, std::int64_t offset) = 0;
  virtual void unmap(void* address, std::size_t length) = 0;
};

// Opens a device node for non-blocking streaming: nullptr with errno set on failure.
using V4l2Opener = std::function<std::unique_ptr<V4l2Port>(const std::string& path)>;

// The real device through libv4l2, which converts any pixel format to RGB24
// when asked for it.
std::unique_ptr<V4l2Port> openLibV4l2(const std::string& path);

// A buffer mapped from a port, unmapped on destruction.
class Mapping {
 public:
  Mapping(V4l2Port& port, void* address, std::size_t length) : port_(&port), address_(address), length_(length) {}
  ~Mapping() {
    if (address_) port_->unmap(address_, length_);
  }
  Mapping(Mapping&& other) noexcept
      : port_(other.port_), address_(std::exchange(other.address_, nullptr)), length_(other.length_) {}
  Mapping(const Mapping&) = delete;
  Mapping& operator=(const Mapping&) = delete;
  Mapping& operator=(Mapping&&) = delete;

  const std::uint8_t* data() const { return static_cast<const std::uint8_t*>(address_); }
  std::size_t length() const { return length_; }

 private:
  V4l2Port* port_;
  void* address_;
  std::size_t length_;
};

}  // namespace capture
