#include "platform/scan/sane_options.h"

#include <sane/saneopts.h>

#include <cmath>

namespace scan {

namespace {

double valueOf(const SANE_Option_Descriptor& d, SANE_Word word) {
  return d.type == SANE_TYPE_FIXED ? SANE_UNFIX(word) : static_cast<double>(word);
}

bool numeric(const SANE_Option_Descriptor* d) {
  return d && (d->type == SANE_TYPE_INT || d->type == SANE_TYPE_FIXED);
}

// The values of a word-list constraint (its first word is the count).
std::vector<double> wordList(const SANE_Option_Descriptor& d) {
  std::vector<double> values;
  if (d.constraint_type != SANE_CONSTRAINT_WORD_LIST || !d.constraint.word_list) return values;
  const SANE_Word count = d.constraint.word_list[0];
  for (SANE_Word i = 1; i <= count && i <= 10000; ++i) values.push_back(valueOf(d, d.constraint.word_list[i]));
  return values;
}

const SANE_Range* rangeOf(const SANE_Option_Descriptor* d) {
  return numeric(d) && d->constraint_type == SANE_CONSTRAINT_RANGE ? d->constraint.range : nullptr;
}

std::vector<int> resolutionsOf(const SaneDevice& device) {
  const SANE_Option_Descriptor* d = device.descriptor(SANE_NAME_SCAN_RESOLUTION);
  if (!numeric(d) || !SANE_OPTION_IS_SETTABLE(d->cap)) return {};
  ResolutionConstraint c;
  c.list = wordList(*d);
  if (const SANE_Range* r = rangeOf(d)) {
    c.min = valueOf(*d, r->min);
    c.max = valueOf(*d, r->max);
    c.step = valueOf(*d, r->quant);
  }
  return offeredResolutions(c);
}

std::vector<int> depthsOf(const SaneDevice& device) {
  std::vector<int> depths;
  const SANE_Option_Descriptor* d = device.descriptor(SANE_NAME_BIT_DEPTH);
  if (!numeric(d) || !SANE_OPTION_IS_SETTABLE(d->cap)) return depths;
  for (double v : wordList(*d)) depths.push_back(static_cast<int>(std::lround(v)));
  if (const SANE_Range* r = rangeOf(d))
    for (int v : {1, 8})
      if (v >= valueOf(*d, r->min) && v <= valueOf(*d, r->max)) depths.push_back(v);
  return depths;
}

const SANE_Range* geometryRange(const SaneDevice& device, const char* name) {
  const SANE_Option_Descriptor* d = device.descriptor(name);
  return d && d->unit == SANE_UNIT_MM && SANE_OPTION_IS_SETTABLE(d->cap) ? rangeOf(d) : nullptr;
}

ScanArea areaOf(const SaneDevice& device) {
  const SANE_Range* tlx = geometryRange(device, SANE_NAME_SCAN_TL_X);
  const SANE_Range* tly = geometryRange(device, SANE_NAME_SCAN_TL_Y);
  const SANE_Range* brx = geometryRange(device, SANE_NAME_SCAN_BR_X);
  const SANE_Range* bry = geometryRange(device, SANE_NAME_SCAN_BR_Y);
  if (!tlx || !tly || !brx || !bry) return {};
  const auto value = [&](const char* name, SANE_Word w) { return valueOf(*device.descriptor(name), w); };
  return {value(SANE_NAME_SCAN_TL_X, tlx->min), value(SANE_NAME_SCAN_TL_Y, tly->min),
          value(SANE_NAME_SCAN_BR_X, brx->max), value(SANE_NAME_SCAN_BR_Y, bry->max)};
}

}  // namespace

ScanOffer readOffer(const SaneDevice& device) {
  ScanOffer offer;
  offer.resolutions = resolutionsOf(device);
  const SANE_Option_Descriptor* mode = device.descriptor(SANE_NAME_SCAN_MODE);
  if (mode && SANE_OPTION_IS_SETTABLE(mode->cap))
    offer.modes = offeredModes(device.stringChoices(SANE_NAME_SCAN_MODE), depthsOf(device));
  offer.area = areaOf(device);
  offer.pageSizes = offeredPageSizes(offer.area);
  return offer;
}

SANE_Status applySettings(SaneDevice& device, const ScanOffer& offer, const ScanSettings& settings) {
  SANE_Status first = SANE_STATUS_GOOD;
  const auto keep = [&](SANE_Status status) {
    if (first == SANE_STATUS_GOOD) first = status;
  };
  // Mode before depth and resolution: a mode may change what they allow.
  if (const ModeOffer* mode = findMode(offer, settings.mode)) {
    keep(device.setStringOption(SANE_NAME_SCAN_MODE, mode->deviceMode));
    // Deeper samples are brought down to 8 bits on the way in; only a
    // shallower depth (a one-bit scan left from line art) is raised.
    const double depth = device.numberOption(SANE_NAME_BIT_DEPTH).value_or(mode->depth);
    if (mode->depth == 1 ? depth != 1 : depth < mode->depth)
      keep(device.setNumberOption(SANE_NAME_BIT_DEPTH, mode->depth));
  }
  if (!offer.resolutions.empty()) keep(device.setNumberOption(SANE_NAME_SCAN_RESOLUTION, settings.resolution));
  if (!offer.pageSizes.empty()) {
    const ScanArea page = pageArea(settings.pageSize, offer.area);
    // The corner first, so that the far corner never lies before it.
    keep(device.setNumberOption(SANE_NAME_SCAN_TL_X, page.left));
    keep(device.setNumberOption(SANE_NAME_SCAN_TL_Y, page.top));
    keep(device.setNumberOption(SANE_NAME_SCAN_BR_X, page.right));
    keep(device.setNumberOption(SANE_NAME_SCAN_BR_Y, page.bottom));
  }
  return first;
}

}  // namespace scan
