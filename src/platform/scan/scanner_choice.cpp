#include "platform/scan/scanner_choice.h"

#include <sane/saneopts.h>

#include <QString>
#include <algorithm>
#include <cctype>

#include "platform/runtime/settings.h"
#include "platform/scan/sane_device.h"
#include "platform/scan/sane_library.h"

namespace scan {

namespace {

const QString kApplication = "scanner";
const QString kSection = "DefaultSource";

std::string lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
  return s;
}

void addSources(std::vector<SourceEntry>& entries, const std::string& name, const std::string& description,
                const SaneDevice* device) {
  std::vector<std::string> sources;
  if (device) sources = device->stringChoices(SANE_NAME_SCAN_SOURCE);
  if (sources.empty()) sources.emplace_back();
  for (const std::string& source : sources) entries.push_back({{name, source}, description});
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

std::vector<SourceEntry> listSources(const SaneDevice* open) {
  std::vector<SourceEntry> entries;
  for (const sane::DeviceInfo& info : sane::listDevices()) {
    std::string description = info.vendor;
    if (!info.model.empty()) description += (description.empty() ? "" : " ") + info.model;
    if (open && open->name() == info.name) {
      addSources(entries, info.name, description, open);
      continue;
    }
    SANE_Status status = SANE_STATUS_GOOD;
    const auto device = SaneDevice::open(info.name, status);
    addSources(entries, info.name, description, device.get());
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
