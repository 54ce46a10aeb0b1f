#include "platform/files/write_call.h"

#include <unistd.h>

namespace files {

WriteCall systemWriteCall() { return [](int fd, const void* data, std::size_t size) { return ::write(fd, data, size); }; }

WriteCall& writeCall() {
  static WriteCall call = systemWriteCall();
  return call;
}

}  // namespace files
