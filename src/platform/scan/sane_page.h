#pragma once
// Reading one page (one frame, or three for scanners that send each colour
// separately) from a device, without ever trusting the sizes it announces.

#include <sane/sane.h>

#include <cstddef>
#include <optional>

#include "platform/scan/page_memory.h"
#include "platform/scan/sane_device.h"

namespace pictures {
class PageStream;
}  // namespace pictures

namespace scan {

enum class PageOutcome { Scanned, NoDocuments, Cancelled, DeviceError, BadData };

struct PageResult {
  PageOutcome outcome = PageOutcome::DeviceError;
  SANE_Status status = SANE_STATUS_GOOD;  // the device's status when it failed
  std::optional<Image> image;             // set when Scanned, unless streamed
  bool streamed = false;                  // Scanned into the stream given
};

// What the reader does between reads: keeps the program responsive and
// tells it when the user gave up.
class ReadObserver {
 public:
  virtual ~ReadObserver() = default;
  virtual bool cancelled() = 0;
  // Lets pending events run (called between blocking reads; may do nothing
  // when called too often).
  virtual void pump() = 0;
  // Returns once `fd` is readable (or no longer valid) or the user
  // cancelled; events run meanwhile.
  virtual void waitReadable(int fd) = 0;
  // Bytes received so far of the bytes expected for the page (0: unknown).
  virtual void progress(std::size_t received, std::size_t expected) = 0;
};

// No single frame may be larger than this.
constexpr std::size_t kMaxFrameBytes = std::size_t{1} << 30;

// Starts the device and reads one page, into buffers from `memory` when
// given; the page's pixels go back there once stored. A page that `stream`
// takes (one frame of plain 8-bit rows) goes there band by band instead,
// and is never held whole. On every outcome but Scanned the device's scan
// has been cancelled.
PageResult readPage(ScanDevice& device, ReadObserver& observer, double xDpi, double yDpi,
                    PageMemory* memory = nullptr, pictures::PageStream* stream = nullptr);

}  // namespace scan
