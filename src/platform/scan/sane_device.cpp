#include "platform/scan/sane_device.h"

#include <sane/saneopts.h>

#include <cmath>
#include <cstring>
#include <thread>

#include "platform/scan/sane_library.h"

namespace scan {

namespace {

FrameFormat formatOf(SANE_Frame frame) {
  switch (frame) {
    case SANE_FRAME_RGB: return FrameFormat::Rgb;
    case SANE_FRAME_RED: return FrameFormat::Red;
    case SANE_FRAME_GREEN: return FrameFormat::Green;
    case SANE_FRAME_BLUE: return FrameFormat::Blue;
    default: return FrameFormat::Gray;
  }
}

bool knownFrame(SANE_Frame frame) { return frame >= SANE_FRAME_GRAY && frame <= SANE_FRAME_BLUE; }

// Several backends read in a thread that sane_cancel kills asynchronously;
// killed while still setting up, it can leave the C library's allocator
// locked, and every later scan of the process hangs. A scan that has just
// started gets this long before it is cancelled.
constexpr std::chrono::milliseconds kSettleBeforeCancel{100};

}  // namespace

std::unique_ptr<SaneDevice> SaneDevice::open(const std::string& name, SANE_Status& status) {
  if (!sane::ensureInitialised()) {
    status = SANE_STATUS_IO_ERROR;
    return nullptr;
  }
  SANE_Handle handle = nullptr;
  status = sane_open(name.c_str(), &handle);
  if (status != SANE_STATUS_GOOD || !handle) {
    if (status == SANE_STATUS_GOOD) status = SANE_STATUS_INVAL;
    return nullptr;
  }
  return std::unique_ptr<SaneDevice>(new SaneDevice(handle, name));
}

SaneDevice::~SaneDevice() {
  cancel();
  sane_close(handle_);
}

SANE_Status SaneDevice::start() {
  const auto now = std::chrono::steady_clock::now();
  const SANE_Status status = sane_start(handle_);
  reading_ = status == SANE_STATUS_GOOD;
  if (reading_) started_ = now;
  return status;
}

SANE_Status SaneDevice::parameters(FrameParams& out) {
  SANE_Parameters p{};
  const SANE_Status status = sane_get_parameters(handle_, &p);
  if (status != SANE_STATUS_GOOD) return status;
  if (!knownFrame(p.format)) return SANE_STATUS_UNSUPPORTED;
  out.format = formatOf(p.format);
  out.lastFrame = p.last_frame != SANE_FALSE;
  out.bytesPerLine = p.bytes_per_line;
  out.pixelsPerLine = p.pixels_per_line;
  out.lines = p.lines;
  out.depth = p.depth;
  return SANE_STATUS_GOOD;
}

SANE_Status SaneDevice::read(std::uint8_t* buffer, int maxLength, int& length) {
  SANE_Int got = 0;
  const SANE_Status status = sane_read(handle_, buffer, maxLength, &got);
  length = 0;
  if (status == SANE_STATUS_EOF) reading_ = false;
  if (status != SANE_STATUS_GOOD) return status;
  if (got < 0 || got > maxLength) return SANE_STATUS_IO_ERROR;  // data already lost or overrun
  length = got;
  return status;
}

void SaneDevice::cancel() {
  if (reading_) std::this_thread::sleep_until(started_ + kSettleBeforeCancel);
  reading_ = false;
  sane_cancel(handle_);
}

int SaneDevice::nonBlockingFd() {
  if (sane_set_io_mode(handle_, SANE_TRUE) != SANE_STATUS_GOOD) return -1;
  SANE_Int fd = -1;
  if (sane_get_select_fd(handle_, &fd) != SANE_STATUS_GOOD || fd < 0) {
    sane_set_io_mode(handle_, SANE_FALSE);
    return -1;
  }
  return fd;
}

const SANE_Option_Descriptor* SaneDevice::find(const char* name, SANE_Int& index) const {
  for (SANE_Int i = 1;; ++i) {
    const SANE_Option_Descriptor* d = sane_get_option_descriptor(handle_, i);
    if (!d) return nullptr;
    if (d->name && std::strcmp(d->name, name) == 0 && SANE_OPTION_IS_ACTIVE(d->cap) && d->size > 0) {
      index = i;
      return d;
    }
  }
}

std::optional<std::string> SaneDevice::stringOption(const char* name) const {
  SANE_Int index = 0;
  const SANE_Option_Descriptor* d = find(name, index);
  if (!d || d->type != SANE_TYPE_STRING) return std::nullopt;
  std::vector<char> value(static_cast<std::size_t>(d->size) + 1, '\0');
  if (sane_control_option(handle_, index, SANE_ACTION_GET_VALUE, value.data(), nullptr) != SANE_STATUS_GOOD)
    return std::nullopt;
  return std::string(value.data());
}

std::vector<std::string> SaneDevice::stringChoices(const char* name) const {
  std::vector<std::string> choices;
  SANE_Int index = 0;
  const SANE_Option_Descriptor* d = find(name, index);
  if (!d || d->type != SANE_TYPE_STRING || d->constraint_type != SANE_CONSTRAINT_STRING_LIST ||
      !d->constraint.string_list)
    return choices;
  for (const SANE_String_Const* s = d->constraint.string_list; *s; ++s) choices.emplace_back(*s);
  return choices;
}

SANE_Status SaneDevice::setStringOption(const char* name, const std::string& value) {
  SANE_Int index = 0;
  const SANE_Option_Descriptor* d = find(name, index);
  if (!d || d->type != SANE_TYPE_STRING) return SANE_STATUS_UNSUPPORTED;
  if (!SANE_OPTION_IS_SETTABLE(d->cap)) return SANE_STATUS_ACCESS_DENIED;
  if (value.size() >= static_cast<std::size_t>(d->size)) return SANE_STATUS_INVAL;
  std::vector<char> buffer(static_cast<std::size_t>(d->size), '\0');
  std::memcpy(buffer.data(), value.data(), value.size());
  return sane_control_option(handle_, index, SANE_ACTION_SET_VALUE, buffer.data(), nullptr);
}

std::optional<double> SaneDevice::numberOption(const char* name) const {
  SANE_Int index = 0;
  const SANE_Option_Descriptor* d = find(name, index);
  if (!d || (d->type != SANE_TYPE_INT && d->type != SANE_TYPE_FIXED) ||
      d->size < static_cast<SANE_Int>(sizeof(SANE_Word)))
    return std::nullopt;
  std::vector<SANE_Word> words(static_cast<std::size_t>(d->size) / sizeof(SANE_Word) + 1, 0);
  if (sane_control_option(handle_, index, SANE_ACTION_GET_VALUE, words.data(), nullptr) != SANE_STATUS_GOOD)
    return std::nullopt;
  return d->type == SANE_TYPE_FIXED ? SANE_UNFIX(words[0]) : static_cast<double>(words[0]);
}

SANE_Status SaneDevice::setNumberOption(const char* name, double value) {
  SANE_Int index = 0;
  const SANE_Option_Descriptor* d = find(name, index);
  if (!d || (d->type != SANE_TYPE_INT && d->type != SANE_TYPE_FIXED) ||
      d->size < static_cast<SANE_Int>(sizeof(SANE_Word)))
    return SANE_STATUS_UNSUPPORTED;
  if (!SANE_OPTION_IS_SETTABLE(d->cap)) return SANE_STATUS_ACCESS_DENIED;
  const SANE_Word word = d->type == SANE_TYPE_FIXED ? SANE_FIX(value) : static_cast<SANE_Word>(std::lround(value));
  std::vector<SANE_Word> words(static_cast<std::size_t>(d->size) / sizeof(SANE_Word), word);
  return sane_control_option(handle_, index, SANE_ACTION_SET_VALUE, words.data(), nullptr);
}

const SANE_Option_Descriptor* SaneDevice::descriptor(const char* name) const {
  SANE_Int index = 0;
  return find(name, index);
}

std::pair<double, double> resolutionOf(const SaneDevice& device) {
  const double both = device.numberOption(SANE_NAME_SCAN_RESOLUTION).value_or(0);
  const double x = device.numberOption(SANE_NAME_SCAN_X_RESOLUTION).value_or(both);
  const double y = device.numberOption(SANE_NAME_SCAN_Y_RESOLUTION).value_or(both);
  return {x > 0 ? x : 0, y > 0 ? y : 0};
}

}  // namespace scan
