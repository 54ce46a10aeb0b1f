#include "platform/scan/scanner_choice.h"

#include <sane/saneopts.h>

#include <QString>
#include <algorithm>
#include <cctype>

#include "platform/runtime/settings.h"
#include "platform/scan/sane_device.h"
#include "platform/scan/sane_library.h"
#include "platform/scan/sane_options.h"

namespace scan {

namespace {

const QString kApplication = "scanner";
const QString kSection = "DefaultSource";

std::string lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
  return s;
}

std::vector<std::string> sourcesOf(const SaneDevice* device) {
  std::vector<std::string> sources;
  if (device) sources = device->stringChoices(SANE_NAME_SCAN_SOURCE);
  if (sources.empty()) sources.emplace_back();
  return sources;
}

SourceEntry entryFor(const std::string& name, const std::string& source, const std::string& description,
                     const ScanOffer& offer, const ScanSettings& stored) {
  return {{name, source}, description, offer, fitSettings(stored, offer)};
}

// Section names compare without regard to case, so capitals are encoded too:
// "Test:0" and "test:0" keep sections of their own.
bool isSafe(char c) { return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_'; }

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

const std::string kDevicePrefix = "Device ";

QString setting(const std::string& device, const char* key) {
  return rt::GetSetting(kApplication, QString::fromStdString(settingsSection(device)), key, "");
}

std::string describeDevice(const sane::DeviceInfo& info) {
  std::string description = info.vendor;
  if (!info.model.empty()) description += (description.empty() ? "" : " ") + info.model;
  return description;
}

}  // namespace

std::optional<SourceChoice> storedChoice() {
  const QString device = rt::GetSetting(kApplication, kSection, "device", "");
  if (device.isEmpty()) return std::nullopt;
  return SourceChoice{device.toStdString(), rt::GetSetting(kApplication, kSection, "source", "").toStdString()};
}

bool storeChoice(const SourceChoice& choice) {
  return rt::SaveSetting(kApplication, kSection, "device", QString::fromStdString(choice.device)) &&
         rt::SaveSetting(kApplication, kSection, "source", QString::fromStdString(choice.source));
}

std::optional<SourceChoice> defaultChoice() {
  if (auto stored = storedChoice()) return stored;
  const auto devices = sane::listDevices();
  if (devices.empty()) return std::nullopt;
  return SourceChoice{devices.front().name, {}};
}

std::string settingsSection(const std::string& device) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string section = kDevicePrefix;
  for (char c : device) {
    if (isSafe(c)) {
      section += c;
      continue;
    }
    const auto byte = static_cast<unsigned char>(c);
    section += {'%', kHex[byte >> 4], kHex[byte & 15]};
  }
  return section;
}

std::optional<std::string> deviceOfSection(const std::string& section) {
  if (section.rfind(kDevicePrefix, 0) != 0) return std::nullopt;
  std::string device;
  for (std::size_t i = kDevicePrefix.size(); i < section.size(); ++i) {
    if (isSafe(section[i])) {
      device += section[i];
      continue;
    }
    if (section[i] != '%' || i + 2 >= section.size()) return std::nullopt;
    const int high = hexValue(section[i + 1]), low = hexValue(section[i + 2]);
    if (high < 0 || low < 0) return std::nullopt;
    device += static_cast<char>(high * 16 + low);
    i += 2;
  }
  return device;
}

ScanSettings storedSettings(const std::string& device) {
  ScanSettings settings;
  bool number = false;
  const int resolution = setting(device, "resolution").toInt(&number);
  if (number && resolution > 0 && resolution <= 100000) settings.resolution = resolution;
  if (auto mode = modeFromName(setting(device, "mode").toStdString())) settings.mode = *mode;
  const std::string page = setting(device, "page").toStdString();
  for (const PaperSize& paper : knownPaperSizes())
    if (paper.name == page) settings.pageSize = page;
  if (page == kWholeArea) settings.pageSize = page;
  return settings;
}

bool storeSettings(const std::string& device, const ScanSettings& settings) {
  const QString section = QString::fromStdString(settingsSection(device));
  return rt::SaveSetting(kApplication, section, "resolution", QString::number(settings.resolution)) &&
         rt::SaveSetting(kApplication, section, "mode", QString::fromStdString(modeName(settings.mode))) &&
         rt::SaveSetting(kApplication, section, "page", QString::fromStdString(settings.pageSize));
}

std::string deviceDescription(const std::string& name) {
  for (const sane::DeviceInfo& info : sane::listDevices())
    if (info.name == name) return describeDevice(info);
  return {};
}

std::vector<SourceEntry> listSources(const SaneDevice* open) {
  std::vector<SourceEntry> entries;
  for (const sane::DeviceInfo& info : sane::listDevices()) {
    const std::string description = describeDevice(info);
    const ScanSettings stored = storedSettings(info.name);
    if (open && open->name() == info.name) {
      const ScanOffer offer = readOffer(*open);
      for (const std::string& source : sourcesOf(open))
        entries.push_back(entryFor(info.name, source, description, offer, stored));
      continue;
    }
    SANE_Status status = SANE_STATUS_GOOD;
    const auto device = SaneDevice::open(info.name, status);
    for (const std::string& source : sourcesOf(device.get())) {
      // A source may have its own scan area.
      if (device && !source.empty()) device->setStringOption(SANE_NAME_SCAN_SOURCE, source);
      const ScanOffer offer = device ? readOffer(*device) : ScanOffer{};
      entries.push_back(entryFor(info.name, source, description, offer, stored));
    }
  }
  return entries;
}

bool isFeederSource(const std::string& source) {
  // "ADF" counts only as a word of its own: "ADF Front" but not "Gradfield".
  const std::string s = lower(source);
  const auto letterAt = [&s](std::size_t i) { return i < s.size() && std::isalnum(static_cast<unsigned char>(s[i])); };
  for (std::size_t at = s.find("adf"); at != std::string::npos; at = s.find("adf", at + 1))
    if ((at == 0 || !letterAt(at - 1)) && !letterAt(at + 3)) return true;
  return s.find("feeder") != std::string::npos;
}

}  // namespace scan
