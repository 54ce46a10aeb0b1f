#pragma once
// Which scanner and which of its sources (flatbed, feeder, ...) is the
// default, as the user chose it in the selection dialog.

#include <optional>
#include <string>
#include <vector>

#include "platform/scan/scan_settings.h"

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
  ScanOffer offer;          // what the device offers with this source
  ScanSettings settings;    // the device's settings, fitted to the offer
};

// The choice stored in scanner.ini, or nothing when none is stored.
std::optional<SourceChoice> storedChoice();
bool storeChoice(const SourceChoice& choice);

// The stored choice, else the first device with its own default source;
// nothing when there is neither.
std::optional<SourceChoice> defaultChoice();

// The settings kept for a device in scanner.ini, one section per device;
// 300 dpi, Color, A4 for a device without one (and for any value that does
// not read as a setting).
ScanSettings storedSettings(const std::string& device);
bool storeSettings(const std::string& device, const ScanSettings& settings);

// The section of a device: "Device " and its name with every character but
// lower-case letters, digits, '-', '.' and '_' written as %XX, so that any
// name a backend reports makes one safe line of its own.
std::string settingsSection(const std::string& device);
// The device name a section was made from; nothing for other sections.
std::optional<std::string> deviceOfSection(const std::string& section);

// Every device with each of its sources (one entry with an empty source for
// a device without a source option), with what each offers and the stored
// settings fitted to it. `open` is a device this program holds
// open already; it is asked instead of being opened a second time.
std::vector<SourceEntry> listSources(const SaneDevice* open);

// "Maker Model" of a device as the backends list it; empty when it is not
// listed.
std::string deviceDescription(const std::string& name);

// Whether a source feeds pages by itself, so that pages are taken without
// asking the user.
bool isFeederSource(const std::string& source);

}  // namespace scan
