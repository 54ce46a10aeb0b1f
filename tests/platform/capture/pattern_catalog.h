#pragma once
// A catalog of one device under the test pattern's key: the test pattern
// itself, or a stand-in for it.

#include <memory>
#include <vector>

#include "platform/capture/catalog.h"
#include "platform/capture/test_pattern.h"

namespace capture_test {

template <class Device = capture::TestPattern>
struct PatternOnly final : capture::DeviceCatalog {
  std::vector<capture::DeviceInfo> list() override { return {{capture::kTestPatternKey, "Test pattern"}}; }
  std::unique_ptr<capture::CaptureDevice> make(const capture::DeviceInfo&) override {
    return std::make_unique<Device>();
  }
};

}  // namespace capture_test
