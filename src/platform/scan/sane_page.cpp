#include "platform/scan/sane_page.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace scan {

namespace {

constexpr std::size_t kChunk = 64 * 1024;  // a pipe's worth, and stays in cache
constexpr int kMaxFrames = 3;

PageOutcome outcomeOf(SANE_Status status) {
  switch (status) {
    case SANE_STATUS_NO_DOCS: return PageOutcome::NoDocuments;
    case SANE_STATUS_CANCELLED: return PageOutcome::Cancelled;
    default: return PageOutcome::DeviceError;
  }
}

class PageReader {
 public:
  PageReader(ScanDevice& device, ReadObserver& observer) : device_(device), observer_(observer) {}

  PageResult run(double xDpi, double yDpi) {
    std::vector<Frame> frames;
    for (;;) {
      if (observer_.cancelled()) return fail(PageOutcome::Cancelled);
      if (frames.size() == kMaxFrames) return fail(PageOutcome::BadData);
      const SANE_Status started = device_.start();
      if (started != SANE_STATUS_GOOD) return fail(outcomeOf(started), started);
      Frame frame;
      const SANE_Status got = device_.parameters(frame.params);
      if (got != SANE_STATUS_GOOD) return fail(outcomeOf(got), got);
      if (!plausibleParams(frame.params)) return fail(PageOutcome::BadData);
      if (auto failed = readFrame(frame, frames.size())) return std::move(*failed);
      const bool last = frame.params.lastFrame;
      frames.push_back(std::move(frame));
      if (last) break;
    }
    PageResult result;
    result.image = convertFrames(std::move(frames), xDpi, yDpi);
    result.outcome = result.image ? PageOutcome::Scanned : PageOutcome::BadData;
    if (!result.image) device_.cancel();
    return result;
  }

 private:
  PageResult fail(PageOutcome outcome, SANE_Status status = SANE_STATUS_GOOD) {
    device_.cancel();
    PageResult result;
    result.outcome = outcome;
    result.status = status;
    return result;
  }

  // Frames of a three-frame page are expected to be the same size, which
  // makes for an honest progress figure.
  std::optional<PageResult> readFrame(Frame& frame, std::size_t index) {
    const FrameParams& p = frame.params;
    const bool known = p.lines > 0;
    const std::size_t expected = known ? static_cast<std::size_t>(p.bytesPerLine) * p.lines : 0;
    if (expected > kMaxFrameBytes) return fail(PageOutcome::BadData);
    const std::size_t frames = p.format == FrameFormat::Gray || p.format == FrameFormat::Rgb ? 1 : 3;
    frame.data.reserve(expected);
    const int fd = device_.nonBlockingFd();
    std::vector<std::uint8_t> chunk(kChunk);
    for (;;) {
      // Non-blocking devices are read only once they say data waits: some
      // lose the page when read before their data is ready.
      if (fd >= 0) observer_.waitReadable(fd);
      if (observer_.cancelled()) return fail(PageOutcome::Cancelled);
      int length = 0;
      const SANE_Status status = device_.read(chunk.data(), static_cast<int>(chunk.size()), length);
      if (status == SANE_STATUS_EOF) return std::nullopt;
      if (status != SANE_STATUS_GOOD) return fail(outcomeOf(status), status);
      if (length == 0) {
        if (fd < 0) observer_.pump();
        continue;
      }
      const std::size_t limit =
          known ? expected : std::min<std::size_t>(kMaxFrameBytes, static_cast<std::size_t>(p.bytesPerLine) * kMaxSide);
      if (frame.data.size() + static_cast<std::size_t>(length) > limit) return fail(PageOutcome::BadData);
      frame.data.insert(frame.data.end(), chunk.begin(), chunk.begin() + length);
      observer_.progress(index * expected + frame.data.size(), expected * frames);
      if (fd < 0) observer_.pump();
    }
  }

  ScanDevice& device_;
  ReadObserver& observer_;
};

}  // namespace

PageResult readPage(ScanDevice& device, ReadObserver& observer, double xDpi, double yDpi) {
  return PageReader(device, observer).run(xDpi, yDpi);
}

}  // namespace scan
