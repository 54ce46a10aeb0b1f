#pragma once
// Control values kept per device in the settings store (application
// "capture", section "controls", the device's key), and put back whenever
// the device is opened.

#include <QString>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "platform/capture/device.h"

namespace capture {

using ControlValues = std::vector<std::pair<std::uint32_t, int>>;

// A value as stored, with the type and range the control had then.
struct StoredControl {
  std::uint32_t id = 0;
  Control::Kind kind = Control::Kind::Integer;
  int minimum = 0;
  int maximum = 0;
  int step = 1;
  int value = 0;
  friend bool operator==(const StoredControl&, const StoredControl&) = default;
};

// "00980900:i:0:255:1=100 009a0901:m:0:3:1=1"; entries that do not read are left out.
QString storedControlsText(const std::vector<StoredControl>& controls);
std::vector<StoredControl> parseStoredControls(const QString& text);

// What to keep of `controls`: the ones the user sets (not those an
// automatic mode governs).
std::vector<StoredControl> toStore(const std::vector<Control>& controls);

// The stored values that still fit: the control exists with the same type
// and range, and its value differs from the stored one.
ControlValues valuesToApply(const std::vector<StoredControl>& stored, const std::vector<Control>& current);

// Sets the values in order, then once more those the device refused: a
// manual value is refused until the automatic mode governing it is off,
// and the mode may come later in the list. Answers whether all were taken.
bool applyControlValues(const std::function<bool(std::uint32_t id, int value)>& set, const ControlValues& values);
bool applyControlValues(CaptureDevice& device, const ControlValues& values);

std::vector<StoredControl> storedControls(const QString& deviceKey);
bool storeControls(const QString& deviceKey, const std::vector<Control>& controls);
// Puts the device's stored values back; the ones that no longer fit are dropped.
void applyStoredControls(CaptureDevice& device, const QString& deviceKey);

}  // namespace capture
