#pragma once
// Page-sized buffers handed from one page of a run to the next. A page from
// a feeder takes tens of megabytes, and memory fresh from the system is
// faulted in and cleared a few kilobytes at a time, which costs more than
// reading the page: so the buffers of pages written are kept for the pages
// still to come, for as long as this lives (the source stays open).

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/pictures/picture.h"

namespace scan {

class PageMemory {
 public:
  // `size` bytes, their content left from an earlier page.
  std::vector<std::uint8_t> take(std::size_t size);
  // Brings a page's pixels back here once it is written and shown; safe on
  // any thread, and after this is gone (they are freed then).
  pictures::GiveBack giveBack() const;

 private:
  // Two pages are in hand at a time: one read, the one before written.
  static constexpr std::size_t kKept = 2;
  struct Kept {
    std::mutex mutex;
    std::vector<std::vector<std::uint8_t>> buffers;
  };
  std::shared_ptr<Kept> kept_ = std::make_shared<Kept>();
};

}  // namespace scan
