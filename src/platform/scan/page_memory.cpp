#include "platform/scan/page_memory.h"

#include <sys/mman.h>

#include <algorithm>
#include <utility>

namespace scan {

namespace {

// Fresh memory is backed in large pages, all in one call, rather than by a
// fault for every 4 KiB the device's data first reaches: on a virtual
// machine those faults cost more than reading the page. Advice a kernel
// does not take leaves the memory as it was.
void populate(std::uint8_t* data, std::size_t size) {
  constexpr std::uintptr_t kPage = 4096;
  const auto start = (reinterpret_cast<std::uintptr_t>(data) + kPage - 1) & ~(kPage - 1);
  const auto end = (reinterpret_cast<std::uintptr_t>(data) + size) & ~(kPage - 1);
  if (end <= start) return;
  ::madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
  ::madvise(reinterpret_cast<void*>(start), end - start, MADV_POPULATE_WRITE);
}

}  // namespace

std::vector<std::uint8_t> PageMemory::take(std::size_t size) {
  std::vector<std::uint8_t> buffer;
  {
    const std::lock_guard lock(kept_->mutex);
    auto& buffers = kept_->buffers;
    const auto fits = std::find_if(buffers.begin(), buffers.end(),
                                   [size](const auto& kept) { return kept.capacity() >= size; });
    if (fits != buffers.end()) {
      buffer = std::move(*fits);
      buffers.erase(fits);
    }
  }
  if (buffer.capacity() < size) {
    buffer.reserve(size);
    populate(buffer.data(), size);
  }
  // Within a kept buffer's memory nothing faults; at most the growth past
  // its last size is cleared.
  buffer.resize(size);
  return buffer;
}

pictures::GiveBack PageMemory::giveBack() const {
  return [weak = std::weak_ptr<Kept>(kept_)](std::vector<std::uint8_t> pixels) {
    const auto kept = weak.lock();
    if (!kept || pixels.capacity() == 0) return;
    const std::lock_guard lock(kept->mutex);
    if (kept->buffers.size() < kKept) kept->buffers.push_back(std::move(pixels));
  };
}

}  // namespace scan
