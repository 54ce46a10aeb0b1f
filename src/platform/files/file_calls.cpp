#include "platform/files/file_calls.h"

#include <unistd.h>

namespace files {

FileCalls systemFileCalls() { return {::fdatasync, ::fsync, ::close}; }

FileCalls& fileCalls() {
  static FileCalls calls = systemFileCalls();
  return calls;
}

}  // namespace files
