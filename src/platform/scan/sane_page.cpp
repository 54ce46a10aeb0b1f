#include "platform/scan/sane_page.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "platform/pictures/page_stream.h"

namespace scan {

namespace {

constexpr std::size_t kChunk = 64 * 1024;  // a pipe's worth: what one read asks for
// A streamed page's rows are handed on in bands of about this size, small
// enough to stay in the processor's cache from the read to the encoder.
constexpr std::size_t kBand = 256 * 1024;
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
  PageReader(ScanDevice& device, ReadObserver& observer, PageMemory* memory, pictures::PageStream* stream)
      : device_(device), observer_(observer), memory_(memory), stream_(stream) {}

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
      const FrameParams& p = frame.params;
      if (frames.empty() && stream_ && isPlainPage(p) &&
          stream_->begin(p.pixelsPerLine, p.lines, p.format == FrameFormat::Rgb ? 3 : 1, xDpi, yDpi)) {
        if (auto failed = streamFrame(p)) return std::move(*failed);
        PageResult result;
        result.outcome = PageOutcome::Scanned;
        result.streamed = true;
        return result;
      }
      if (auto failed = readFrame(frame, frames.size())) return std::move(*failed);
      const bool last = frame.params.lastFrame;
      frames.push_back(std::move(frame));
      if (last) break;
    }
    PageResult result;
    result.image = convertFrames(std::move(frames), xDpi, yDpi);
    result.outcome = result.image ? PageOutcome::Scanned : PageOutcome::BadData;
    if (!result.image) device_.cancel();
    if (result.image && memory_) result.image->giveBack = memory_->giveBack();
    return result;
  }

 private:
  PageResult fail(PageOutcome outcome, SANE_Status status = SANE_STATUS_GOOD) {
    device_.cancel();
    if (stream_) stream_->drop();
    PageResult result;
    result.outcome = outcome;
    result.status = status;
    return result;
  }

  // Frames of a three-frame page are expected to be the same size, which
  // makes for an honest progress figure. The device's data goes straight
  // into the frame, a chunk at a time.
  std::optional<PageResult> readFrame(Frame& frame, std::size_t index) {
    const FrameParams& p = frame.params;
    const bool known = p.lines > 0;
    const std::size_t expected = known ? static_cast<std::size_t>(p.bytesPerLine) * p.lines : 0;
    if (expected > kMaxFrameBytes) return fail(PageOutcome::BadData);
    const std::size_t limit =
        known ? expected : std::min<std::size_t>(kMaxFrameBytes, static_cast<std::size_t>(p.bytesPerLine) * kMaxSide);
    const std::size_t frames = p.format == FrameFormat::Gray || p.format == FrameFormat::Rgb ? 1 : 3;
    if (known) frame.data = memory_ ? memory_->take(expected) : std::vector<std::uint8_t>(expected);
    std::size_t received = 0;
    const int fd = device_.nonBlockingFd();
    for (;;) {
      if (received == frame.data.size() && received < limit)
        frame.data.resize(std::min(limit, std::max(received + kChunk, 2 * received)));
      const std::size_t room = std::min(kChunk, frame.data.size() - received);
      Chunk chunk = readChunk(frame.data.data() + received, room, fd);
      if (chunk.failed) return std::move(chunk.failed);
      if (chunk.end) {
        frame.data.resize(received);
        return std::nullopt;
      }
      if (chunk.length == 0) continue;
      received += chunk.length;
      observer_.progress(index * expected + received, expected * frames);
    }
  }

  // One read of at most `room` bytes into `into`, once the device says data
  // waits when it can. With no room one byte more is asked for: any the
  // device still sends is more than it announced. A blocking device's reads
  // let events run between them.
  struct Chunk {
    std::optional<PageResult> failed;
    bool end = false;
    std::size_t length = 0;
  };
  Chunk readChunk(std::uint8_t* into, std::size_t room, int fd) {
    Chunk chunk;
    // Some devices lose the page when read before their data is ready.
    if (fd >= 0) observer_.waitReadable(fd);
    if (observer_.cancelled()) {
      chunk.failed = fail(PageOutcome::Cancelled);
      return chunk;
    }
    std::uint8_t spare = 0;
    int length = 0;
    const SANE_Status status = device_.read(room > 0 ? into : &spare, room > 0 ? static_cast<int>(room) : 1, length);
    if (status == SANE_STATUS_EOF) {
      chunk.end = true;
      return chunk;
    }
    if (status != SANE_STATUS_GOOD) chunk.failed = fail(outcomeOf(status), status);
    else if (length > 0 && static_cast<std::size_t>(length) > room) chunk.failed = fail(PageOutcome::BadData);
    else chunk.length = length > 0 ? static_cast<std::size_t>(length) : 0;
    if (!chunk.failed && fd < 0) observer_.pump();
    return chunk;
  }

  // The frame of a plain page into the stream, a band at a time, as
  // readFrame reads; the stream drops what it has when this fails.
  std::optional<PageResult> streamFrame(const FrameParams& p) {
    const auto line = static_cast<std::size_t>(p.bytesPerLine);
    const std::size_t expected = line * static_cast<std::size_t>(p.lines);
    band_.resize(std::max<std::size_t>(1, kBand / line) * line);
    std::size_t received = 0, held = 0;
    const int fd = device_.nonBlockingFd();
    for (;;) {
      Chunk chunk = readChunk(band_.data() + held, std::min({kChunk, band_.size() - held, expected - received}), fd);
      if (chunk.failed) return std::move(chunk.failed);
      if (chunk.end) return received == expected ? std::nullopt : std::optional(fail(PageOutcome::BadData));
      if (chunk.length == 0) continue;
      received += chunk.length;
      held += chunk.length;
      // The band is a whole number of lines, and so is the page.
      if (held == band_.size() || received == expected) {
        stream_->add(band_.data(), static_cast<int>(held / line));
        held = 0;
      }
      observer_.progress(received, expected);
    }
  }

  ScanDevice& device_;
  ReadObserver& observer_;
  PageMemory* memory_;
  pictures::PageStream* stream_;
  std::vector<std::uint8_t> band_;
};

}  // namespace

PageResult readPage(ScanDevice& device, ReadObserver& observer, double xDpi, double yDpi, PageMemory* memory,
                    pictures::PageStream* stream) {
  return PageReader(device, observer, memory, stream).run(xDpi, yDpi);
}

}  // namespace scan
