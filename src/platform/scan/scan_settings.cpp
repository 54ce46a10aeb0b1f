#include "platform/scan/scan_settings.h"

#include <sane/saneopts.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>

namespace scan {

namespace {

constexpr int kUsualResolutions[] = {75, 100, 150, 200, 300, 400, 600, 1200};
constexpr double kSlack = 0.01;       // for values that went through fixed point
constexpr double kPaperSlackMm = 0.5;  // areas are often given a little under the paper's size

std::string lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
  return s;
}

bool contains(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

bool allowedByRange(double value, const ResolutionConstraint& c) {
  if (value < c.min - kSlack || value > c.max + kSlack) return false;
  if (c.step <= 0) return true;
  const double steps = (value - c.min) / c.step;
  return std::abs(steps - std::round(steps)) * c.step <= kSlack;
}

void addWhole(std::vector<int>& out, double value) {
  const long whole = std::lround(value);
  if (whole > 0 && std::find(out.begin(), out.end(), whole) == out.end()) out.push_back(static_cast<int>(whole));
}

}  // namespace

const char* const kWholeArea = "Whole area";

std::string modeName(ColourMode mode) {
  switch (mode) {
    case ColourMode::Gray: return "Gray";
    case ColourMode::Lineart: return "Lineart";
    default: return "Color";
  }
}

std::optional<ColourMode> modeFromName(const std::string& name) {
  for (ColourMode mode : {ColourMode::Color, ColourMode::Gray, ColourMode::Lineart})
    if (modeName(mode) == name) return mode;
  return std::nullopt;
}

const std::vector<PaperSize>& knownPaperSizes() {
  static const std::vector<PaperSize> sizes = {
      {"A4", 210.0, 297.0}, {"A5", 148.0, 210.0}, {"US Letter", 215.9, 279.4}, {"US Legal", 215.9, 355.6}};
  return sizes;
}

std::vector<int> offeredResolutions(const ResolutionConstraint& constraint) {
  std::vector<int> out;
  const bool list = !constraint.list.empty();
  for (int step : kUsualResolutions) {
    const bool allowed =
        list ? std::any_of(constraint.list.begin(), constraint.list.end(),
                           [&](double v) { return std::abs(v - step) <= kSlack; })
             : constraint.max > 0 && allowedByRange(step, constraint);
    if (allowed) out.push_back(step);
  }
  if (!out.empty()) return out;
  if (list) {
    for (double v : constraint.list) addWhole(out, v);
  } else if (constraint.max > 0) {
    addWhole(out, std::max(constraint.min, 1.0));
    addWhole(out, constraint.max);
  }
  std::sort(out.begin(), out.end());
  return out;
}

std::optional<ColourMode> modeKind(const std::string& deviceMode) {
  const std::string m = lower(deviceMode);
  if (contains(m, "lineart") || contains(m, "line art") || contains(m, "binary") || contains(m, "black & white") ||
      contains(m, "black and white"))
    return ColourMode::Lineart;
  if (contains(m, "halftone")) return std::nullopt;
  if (contains(m, "gray") || contains(m, "grey")) return ColourMode::Gray;
  if (contains(m, "color") || contains(m, "colour")) return ColourMode::Color;
  return std::nullopt;
}

std::vector<ModeOffer> offeredModes(const std::vector<std::string>& deviceModes, const std::vector<int>& depths) {
  const bool offers8 = std::find(depths.begin(), depths.end(), 8) != depths.end();
  const bool offers1 = std::find(depths.begin(), depths.end(), 1) != depths.end();
  const char* standard[] = {SANE_VALUE_SCAN_MODE_COLOR, SANE_VALUE_SCAN_MODE_GRAY, SANE_VALUE_SCAN_MODE_LINEART};
  std::vector<ModeOffer> out;
  for (ColourMode mode : {ColourMode::Color, ColourMode::Gray, ColourMode::Lineart}) {
    // The standard name first; else the first of the device's names of that kind.
    const std::string* found = nullptr;
    for (const std::string& name : deviceModes)
      if (name == standard[static_cast<int>(mode)]) found = &name;
    for (const std::string& name : deviceModes)
      if (!found && modeKind(name) == mode) found = &name;
    if (found) out.push_back({mode, *found, offers8 && mode != ColourMode::Lineart ? 8 : 0});
  }
  const auto offered = [&](ColourMode mode) {
    return std::find_if(out.begin(), out.end(), [&](const ModeOffer& m) { return m.mode == mode; });
  };
  const auto gray = offered(ColourMode::Gray);
  if (offered(ColourMode::Lineart) == out.end() && gray != out.end() && offers1)
    out.push_back({ColourMode::Lineart, std::string(gray->deviceMode), 1});
  return out;
}

std::vector<std::string> offeredPageSizes(const ScanArea& area) {
  std::vector<std::string> out;
  if (area.width() <= 0 || area.height() <= 0) return out;
  for (const PaperSize& paper : knownPaperSizes())
    if (paper.widthMm <= area.width() + kPaperSlackMm && paper.heightMm <= area.height() + kPaperSlackMm)
      out.push_back(paper.name);
  out.emplace_back(kWholeArea);
  return out;
}

ScanArea pageArea(const std::string& pageSize, const ScanArea& area) {
  for (const PaperSize& paper : knownPaperSizes()) {
    if (paper.name != pageSize) continue;
    ScanArea page = area;
    page.right = std::min(area.right, area.left + paper.widthMm);
    page.bottom = std::min(area.bottom, area.top + paper.heightMm);
    return page;
  }
  return area;
}

const ModeOffer* findMode(const ScanOffer& offer, ColourMode mode) {
  for (const ModeOffer& m : offer.modes)
    if (m.mode == mode) return &m;
  return nullptr;
}

ScanSettings fitSettings(const ScanSettings& wanted, const ScanOffer& offer) {
  ScanSettings fitted = wanted;
  const auto& r = offer.resolutions;
  if (!r.empty() && std::find(r.begin(), r.end(), wanted.resolution) == r.end())
    fitted.resolution = *std::min_element(r.begin(), r.end(), [&](int a, int b) {
      return std::abs(a - wanted.resolution) < std::abs(b - wanted.resolution);
    });
  if (!offer.modes.empty() && !findMode(offer, wanted.mode)) fitted.mode = offer.modes.front().mode;
  const auto& p = offer.pageSizes;
  if (!p.empty() && std::find(p.begin(), p.end(), wanted.pageSize) == p.end()) fitted.pageSize = kWholeArea;
  return fitted;
}

}  // namespace scan
