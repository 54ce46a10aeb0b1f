#pragma once
// A scanning device as the page reader sees it, and the SANE handle behind it.

#include <sane/sane.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/scan/sane_frames.h"

namespace scan {

class ScanDevice {
 public:
  virtual ~ScanDevice() = default;
  virtual SANE_Status start() = 0;
  // The parameters of the frame just started.
  virtual SANE_Status parameters(FrameParams& out) = 0;
  // Up to `maxLength` bytes; GOOD with length 0 means "nothing yet" in
  // non-blocking mode.
  virtual SANE_Status read(std::uint8_t* buffer, int maxLength, int& length) = 0;
  virtual void cancel() = 0;
  // After start(): switches to non-blocking reads and answers a descriptor
  // that turns readable when data waits, or -1 (and stays blocking) when the
  // device offers none.
  virtual int nonBlockingFd() = 0;
};

// One open SANE handle; closed (after cancelling any scan) when destroyed.
class SaneDevice final : public ScanDevice {
 public:
  static std::unique_ptr<SaneDevice> open(const std::string& name, SANE_Status& status);
  ~SaneDevice() override;
  SaneDevice(const SaneDevice&) = delete;
  SaneDevice& operator=(const SaneDevice&) = delete;

  const std::string& name() const { return name_; }

  SANE_Status start() override;
  SANE_Status parameters(FrameParams& out) override;
  SANE_Status read(std::uint8_t* buffer, int maxLength, int& length) override;
  void cancel() override;
  int nonBlockingFd() override;

  // Options by their well-known names; nothing when the device lacks the
  // option or it is inactive.
  std::optional<std::string> stringOption(const char* name) const;
  // The values a string-list option allows (empty for other options).
  std::vector<std::string> stringChoices(const char* name) const;
  SANE_Status setStringOption(const char* name, const std::string& value);
  // An integer or fixed-point option as a number (the first element of an array).
  std::optional<double> numberOption(const char* name) const;
  // Sets an integer or fixed-point option (every element of an array).
  SANE_Status setNumberOption(const char* name, double value);
  // The descriptor of an active option, or nullptr.
  const SANE_Option_Descriptor* descriptor(const char* name) const;

 private:
  SaneDevice(SANE_Handle handle, std::string name) : handle_(handle), name_(std::move(name)) {}
  const SANE_Option_Descriptor* find(const char* name, SANE_Int& index) const;

  SANE_Handle handle_;
  std::string name_;
  std::chrono::steady_clock::time_point started_{};
  bool reading_ = false;  // a frame was started and has not ended yet
};

// The device's resolution in dots per inch (x and y), 0 when it tells none.
std::pair<double, double> resolutionOf(const SaneDevice& device);

}  // namespace scan
