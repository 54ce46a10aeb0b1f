#pragma once
// Which scanner and which of its sources (flatbed, feeder, ...) is the
// default, as the user chose it in the selection dialog.

#include <optional>
#include <string>
#include <vector>

namespace scan {

class SaneDevice;

struct SourceChoice {
  std::string device;  // SANE device name
  std::string source;  // value of the device's "source" option; empty: the device's own default
  bool operator==(const SourceChoice&) const = default;
};

struct SourceEntry {
  SourceChoice choice;
  std::string description;  // vendor and model, for people
};

// The choice stored in scanner.ini, or nothing when none is stored.
std::optional<SourceChoice> storedChoice();
bool storeChoice(const SourceChoice& choice);

// The stored choice, else the first device with its own default source;
// nothing when there is neither.
std::optional<SourceChoice> defaultChoice();

// Every device with each of its sources (one entry with an empty source for
// a device without a source option). `open` is a device this program holds
// open already; it is asked instead of being opened a second time.
std::vector<SourceEntry> listSources(const SaneDevice* open);

// Whether a source feeds pages by itself, so that pages are taken without
// asking the user.
bool isFeederSource(const std::string& source);

}  // namespace scan
