#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "platform/pictures/page_stream.h"
#include "platform/pictures/picture_store.h"
#include "platform/scan/sane_page.h"
#include "support/test_env.h"

namespace {

using scan::FrameFormat;
using scan::FrameParams;
using scan::PageOutcome;

// One answer of read(): a status and the bytes that come with it.
struct Read {
  SANE_Status status;
  std::vector<std::uint8_t> bytes;
};

struct FakeFrame {
  FrameParams params;
  std::deque<Read> reads;
};

class FakeDevice : public scan::ScanDevice {
 public:
  std::deque<SANE_Status> starts;  // GOOD unless listed
  std::deque<FakeFrame> frames;
  int fd = -1;
  int cancels = 0;
  int readCalls = 0;

  SANE_Status start() override {
    SANE_Status s = SANE_STATUS_GOOD;
    if (!starts.empty()) {
      s = starts.front();
      starts.pop_front();
    }
    if (s == SANE_STATUS_GOOD && current_) frames.pop_front();
    current_ = s == SANE_STATUS_GOOD && !frames.empty();
    return current_ ? s : (s == SANE_STATUS_GOOD ? SANE_STATUS_NO_DOCS : s);
  }
  SANE_Status parameters(FrameParams& out) override {
    out = frames.front().params;
    return SANE_STATUS_GOOD;
  }
  SANE_Status read(std::uint8_t* buffer, int maxLength, int& length) override {
    ++readCalls;
    auto& reads = frames.front().reads;
    if (reads.empty()) return SANE_STATUS_EOF;
    Read& r = reads.front();
    const std::size_t n = std::min(r.bytes.size(), static_cast<std::size_t>(maxLength));
    std::copy_n(r.bytes.begin(), n, buffer);
    length = static_cast<int>(n);
    r.bytes.erase(r.bytes.begin(), r.bytes.begin() + static_cast<std::ptrdiff_t>(n));
    const SANE_Status s = r.status;
    if (r.bytes.empty()) reads.pop_front();
    return s;
  }
  void cancel() override { ++cancels; }
  int nonBlockingFd() override { return fd; }

 private:
  bool current_ = false;
};

class CountingObserver : public scan::ReadObserver {
 public:
  int pumps = 0, waits = 0, cancelAfterWaits = -1;
  std::size_t lastReceived = 0, lastExpected = 0;
  bool cancelled() override { return cancelAfterWaits >= 0 && waits >= cancelAfterWaits; }
  void pump() override { ++pumps; }
  void waitReadable(int) override { ++waits; }
  void progress(std::size_t received, std::size_t expected) override {
    lastReceived = received;
    lastExpected = expected;
  }
};

FakeFrame grayFrame(int ppl, int lines, std::deque<Read> reads, bool last = true) {
  return {{FrameFormat::Gray, last, ppl, ppl, lines, 8}, std::move(reads)};
}

Read good(std::vector<std::uint8_t> bytes) { return {SANE_STATUS_GOOD, std::move(bytes)}; }

TEST(ReadPage, NonBlockingDeviceIsReadOnlyWhenReady) {
  FakeDevice device;
  device.fd = 7;
  device.frames.push_back(grayFrame(2, 2, {good({1}), good({}), good({2, 3}), good({}), good({4})}));
  CountingObserver observer;
  const auto page = scan::readPage(device, observer, 200, 200);
  ASSERT_EQ(page.outcome, PageOutcome::Scanned);
  EXPECT_EQ(page.image->pixels, (std::vector<std::uint8_t>{1, 2, 3, 4}));
  EXPECT_EQ(observer.waits, device.readCalls);
  EXPECT_EQ(device.readCalls, 6);  // five answers and the end
  EXPECT_EQ(observer.lastReceived, 4u);
  EXPECT_EQ(observer.lastExpected, 4u);
  EXPECT_EQ(device.cancels, 0);
}

TEST(ReadPage, BlockingDeviceLetsEventsRunBetweenReads) {
  FakeDevice device;
  device.frames.push_back(grayFrame(1, 3, {good({1}), good({2}), good({3})}));
  CountingObserver observer;
  ASSERT_EQ(scan::readPage(device, observer, 0, 0).outcome, PageOutcome::Scanned);
  EXPECT_EQ(observer.waits, 0);
  EXPECT_GE(observer.pumps, 3);
}

// Read whole even where a stream is offered.
TEST(ReadPage, ThreeColourFrames) {
  FakeDevice device;
  device.frames.push_back({{FrameFormat::Red, false, 1, 1, 1, 8}, {good({10})}});
  device.frames.push_back({{FrameFormat::Green, false, 1, 1, 1, 8}, {good({20})}});
  device.frames.push_back({{FrameFormat::Blue, true, 1, 1, 1, 8}, {good({30})}});
  CountingObserver observer;
  pictures::PageStream stream(testing_support::native(testing_support::freshDir("planes")), pictures::Format::Bmp,
                              {100, 100});
  const auto page = scan::readPage(device, observer, 0, 0, nullptr, &stream);
  ASSERT_EQ(page.outcome, PageOutcome::Scanned);
  EXPECT_FALSE(page.streamed);
  EXPECT_EQ(page.image->pixels, (std::vector<std::uint8_t>{10, 20, 30}));
}

TEST(ReadPage, UnknownHeightGrowsWithTheData) {
  FakeDevice device;
  std::deque<Read> reads;
  for (int i = 0; i < 100; ++i) reads.push_back(good(std::vector<std::uint8_t>(300, static_cast<std::uint8_t>(i))));
  device.frames.push_back(grayFrame(100, -1, reads));
  CountingObserver observer;
  const auto page = scan::readPage(device, observer, 0, 0);
  ASSERT_EQ(page.outcome, PageOutcome::Scanned);
  EXPECT_EQ(page.image->height, 300);
  EXPECT_EQ(observer.lastExpected, 0u);
}

// A page's buffer comes back once it is stored and serves the next page,
// which must hold its own bytes and nothing left from the page before.
TEST(ReadPage, PagesOfOneSourceShareTheirBuffers) {
  FakeDevice device;
  device.frames.push_back(grayFrame(2, 2, {good({1, 2, 3, 4})}));
  device.frames.push_back(grayFrame(2, 2, {good({5, 6, 7, 8})}));
  device.frames.push_back(grayFrame(2, 2, {good({9})}));
  CountingObserver observer;
  auto memory = std::make_unique<scan::PageMemory>();
  auto first = scan::readPage(device, observer, 0, 0, memory.get());
  ASSERT_EQ(first.outcome, PageOutcome::Scanned);
  const std::uint8_t* firstBuffer = first.image->pixels.data();
  first.image->giveBack(std::move(first.image->pixels));

  auto second = scan::readPage(device, observer, 0, 0, memory.get());
  ASSERT_EQ(second.outcome, PageOutcome::Scanned);
  EXPECT_EQ(second.image->pixels.data(), firstBuffer);
  EXPECT_EQ(second.image->pixels, (std::vector<std::uint8_t>{5, 6, 7, 8}));
  second.image->giveBack(std::move(second.image->pixels));
  EXPECT_EQ(scan::readPage(device, observer, 0, 0, memory.get()).outcome, PageOutcome::BadData);

  // Pixels given back after the source closed are simply freed.
  const pictures::GiveBack late = memory->giveBack();
  memory.reset();
  late(std::vector<std::uint8_t>(16));
}

// A plain page goes to the stream as it comes, in reads that end anywhere
// in a row, and makes the file its whole image makes.
TEST(ReadPage, PlainPageGoesToTheStream) {
  const QString dir = testing_support::freshDir("streamed");
  constexpr int kWidth = 1001, kLines = 300;  // three bands of padded rows
  std::vector<std::uint8_t> bytes(std::size_t(kWidth) * kLines);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = std::uint8_t(i % 251);
  std::deque<Read> reads;
  for (std::size_t at = 0; at < bytes.size(); at += 7000)
    reads.push_back(good({bytes.begin() + at, bytes.begin() + std::min(bytes.size(), at + 7000)}));
  FakeDevice device;
  device.frames.push_back(grayFrame(kWidth, kLines, reads));
  device.frames.push_back(grayFrame(kWidth, kLines, reads));
  CountingObserver observer;
  pictures::PageStream stream(testing_support::native(dir), pictures::Format::Bmp, {100, 100});
  const auto streamed = scan::readPage(device, observer, 200, 200, nullptr, &stream);
  ASSERT_EQ(streamed.outcome, PageOutcome::Scanned);
  EXPECT_TRUE(streamed.streamed);
  EXPECT_FALSE(streamed.image);
  EXPECT_EQ(observer.lastReceived, bytes.size());
  auto pending = stream.end();
  ASSERT_TRUE(pending);
  ASSERT_TRUE(pending->finish(testing_support::native(dir + "/streamed.bmp")).saved());

  const auto whole = scan::readPage(device, observer, 200, 200);
  ASSERT_EQ(whole.outcome, PageOutcome::Scanned);
  ASSERT_TRUE(pictures::storePicture(scan::pageOf(*whole.image), testing_support::native(dir + "/whole.bmp"),
                                     pictures::Format::Bmp)
                  .saved());
  EXPECT_EQ(testing_support::contentOf(dir + "/streamed.bmp"), testing_support::contentOf(dir + "/whole.bmp"));
}

struct Fault {
  std::string name;
  std::deque<SANE_Status> starts;
  std::deque<FakeFrame> frames;
  PageOutcome outcome;
  SANE_Status status;
};

// Named in failure messages (the default printer would dump padding bytes).
void PrintTo(const Fault& f, std::ostream* os) { *os << f.name; }

class ReadPageFaults : public ::testing::TestWithParam<Fault> {};

// Read whole, and into a stream, which then leaves nothing in its folder.
TEST_P(ReadPageFaults, EndWithoutImageAndCancelTheScan) {
  const QString dir = testing_support::freshDir("faults");
  for (const bool streaming : {false, true}) {
    SCOPED_TRACE(streaming ? "streaming" : "whole");
    FakeDevice device;
    device.starts = GetParam().starts;
    device.frames = GetParam().frames;
    CountingObserver observer;
    pictures::PageStream stream(testing_support::native(dir), pictures::Format::Bmp, {100, 100});
    const auto page = scan::readPage(device, observer, 0, 0, nullptr, streaming ? &stream : nullptr);
    EXPECT_EQ(page.outcome, GetParam().outcome);
    EXPECT_EQ(page.status, GetParam().status);
    EXPECT_FALSE(page.image);
    EXPECT_FALSE(page.streamed);
    EXPECT_EQ(device.cancels, 1);
    EXPECT_FALSE(stream.end());
    EXPECT_EQ(testing_support::entries(dir), QStringList());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Devices, ReadPageFaults,
    ::testing::Values(
        Fault{"FeederEmpty", {SANE_STATUS_NO_DOCS}, {grayFrame(1, 1, {good({1})})}, PageOutcome::NoDocuments,
              SANE_STATUS_NO_DOCS},
        Fault{"CoverOpenAtStart", {SANE_STATUS_COVER_OPEN}, {grayFrame(1, 1, {good({1})})}, PageOutcome::DeviceError,
              SANE_STATUS_COVER_OPEN},
        Fault{"JammedMidPage", {}, {grayFrame(2, 2, {good({1, 2}), {SANE_STATUS_JAMMED, {}}})},
              PageOutcome::DeviceError, SANE_STATUS_JAMMED},
        Fault{"CancelledByDevice", {}, {grayFrame(2, 2, {{SANE_STATUS_CANCELLED, {}}})}, PageOutcome::Cancelled,
              SANE_STATUS_CANCELLED},
        Fault{"FewerBytesThanAnnounced", {}, {grayFrame(2, 2, {good({1, 2, 3})})}, PageOutcome::BadData,
              SANE_STATUS_GOOD},
        Fault{"MoreBytesThanAnnounced", {}, {grayFrame(2, 2, {good({1, 2, 3, 4, 5})})}, PageOutcome::BadData,
              SANE_STATUS_GOOD},
        Fault{"ImplausibleParameters", {}, {{{FrameFormat::Rgb, true, 2, 2, 1, 8}, {good({1, 2})}}},
              PageOutcome::BadData, SANE_STATUS_GOOD},
        Fault{"AnnouncesGigabytes", {}, {grayFrame(60000, 60000, {good({1})})}, PageOutcome::BadData,
              SANE_STATUS_GOOD},
        Fault{"SecondFrameOfOtherSize",
              {},
              {{{FrameFormat::Red, false, 1, 1, 1, 8}, {good({1})}},
               {{FrameFormat::Green, false, 2, 2, 1, 8}, {good({1, 2})}},
               {{FrameFormat::Blue, true, 1, 1, 1, 8}, {good({1})}}},
              PageOutcome::BadData, SANE_STATUS_GOOD},
        Fault{"EndlessFrames",
              {},
              {{{FrameFormat::Red, false, 1, 1, 1, 8}, {good({1})}},
               {{FrameFormat::Green, false, 1, 1, 1, 8}, {good({1})}},
               {{FrameFormat::Blue, false, 1, 1, 1, 8}, {good({1})}},
               {{FrameFormat::Red, false, 1, 1, 1, 8}, {good({1})}}},
              PageOutcome::BadData, SANE_STATUS_GOOD}),
    [](const auto& info) { return info.param.name; });

TEST(ReadPage, UserCancelWhileWaitingStopsReading) {
  FakeDevice device;
  device.fd = 3;
  device.frames.push_back(grayFrame(2, 1, {good({}), good({1, 2})}));
  CountingObserver observer;
  observer.cancelAfterWaits = 1;
  const auto page = scan::readPage(device, observer, 0, 0);
  EXPECT_EQ(page.outcome, PageOutcome::Cancelled);
  EXPECT_EQ(device.cancels, 1);
  EXPECT_EQ(device.readCalls, 0);
}

}  // namespace
