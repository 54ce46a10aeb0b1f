#pragma once
// A device's resolution, mode and scan area as its standard SANE options
// offer them, and putting the device into chosen settings.

#include <sane/sane.h>

#include "platform/scan/sane_device.h"
#include "platform/scan/scan_settings.h"

namespace scan {

// Reads the options "resolution", "mode", "depth" and "tl-x", "tl-y",
// "br-x", "br-y" (the scan area only when all four are ranges in
// millimetres); what is missing or inactive is not offered.
ScanOffer readOffer(const SaneDevice& device);

// Sets the mode (and the depth that goes with it), the resolution and the
// page's area, skipping what the offer lacks; the first failure, or GOOD.
SANE_Status applySettings(SaneDevice& device, const ScanOffer& offer, const ScanSettings& settings);

}  // namespace scan
