#include "platform/runtime/memory.h"

#include <malloc.h>

namespace rt {

void KeepPictureBuffers() {
  // Buffers up to 64 MB stay in the heap (an A4 colour page at 300 dpi is 26 MB).
  mallopt(M_MMAP_THRESHOLD, 64 * 1024 * 1024);
  mallopt(M_TRIM_THRESHOLD, 256 * 1024 * 1024);
}

}  // namespace rt
