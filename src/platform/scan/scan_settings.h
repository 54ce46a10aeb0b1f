#pragma once
// Resolution, colour mode and page size of a scan: what a device offers, as
// read from its standard options, and the user's choice fitted to it. Pure
// functions, so that any device's options can be tried without one.

#include <optional>
#include <string>
#include <vector>

namespace scan {

enum class ColourMode { Color, Gray, Lineart };

// "Color", "Gray", "Lineart": how the settings file and the dialogs name them.
std::string modeName(ColourMode mode);
std::optional<ColourMode> modeFromName(const std::string& name);

// How a device is put into a colour mode: its own mode name and the bit
// depth it needs: 1 for line art scanned as one-bit grey, 8 (at least) for
// colour and grey on a device with a depth option, 0 to leave the depth alone.
struct ModeOffer {
  ColourMode mode = ColourMode::Color;
  std::string deviceMode;
  int depth = 0;
  bool operator==(const ModeOffer&) const = default;
};

struct PaperSize {
  std::string name;
  double widthMm = 0;
  double heightMm = 0;
};

// A4, A5, US Letter, US Legal, in that order.
const std::vector<PaperSize>& knownPaperSizes();
extern const char* const kWholeArea;

// The scan area: the smallest top-left corner and the largest bottom-right
// one the device allows, in millimetres.
struct ScanArea {
  double left = 0, top = 0, right = 0, bottom = 0;
  double width() const { return right - left; }
  double height() const { return bottom - top; }
  bool operator==(const ScanArea&) const = default;
};

// What a device offers; an empty list means the device lacks the option and
// no choice is shown for it.
struct ScanOffer {
  std::vector<int> resolutions;       // dots per inch, ascending
  std::vector<ModeOffer> modes;       // in the order Color, Gray, Lineart
  std::vector<std::string> pageSizes;  // names of knownPaperSizes() that fit, then kWholeArea
  ScanArea area;
  bool operator==(const ScanOffer&) const = default;
};

struct ScanSettings {
  int resolution = 300;
  ColourMode mode = ColourMode::Color;
  std::string pageSize = "A4";
  bool operator==(const ScanSettings&) const = default;
};

// A resolution option's constraint: a list of values, or a range (a
// quantisation step of 0 allows any value in it).
struct ResolutionConstraint {
  std::vector<double> list;
  double min = 0, max = 0, step = 0;
};

// The usual steps (75, 100, 150, 200, 300, 400, 600, 1200) the constraint
// allows. When it allows none of them: the device's own list, or the ends
// of its range.
std::vector<int> offeredResolutions(const ResolutionConstraint& constraint);

// Which of the three modes a device's mode name is, if any.
std::optional<ColourMode> modeKind(const std::string& deviceMode);

// The modes to offer from the device's mode names and the bit depths its
// depth option allows (empty when it has none). A device without a line-art
// mode of its own scans line art as one-bit grey when it offers depth 1.
std::vector<ModeOffer> offeredModes(const std::vector<std::string>& deviceModes, const std::vector<int>& depths);

// The known sizes that fit the area (half a millimetre to spare), then the
// whole area; nothing for an area without size.
std::vector<std::string> offeredPageSizes(const ScanArea& area);

// The part of the area a page size takes, from its top-left corner; the
// whole area for kWholeArea or an unknown name.
ScanArea pageArea(const std::string& pageSize, const ScanArea& area);

// The settings a device uses: the wanted ones where it offers them, else the
// offered resolution nearest to the wanted one, the first offered mode, the
// whole area.
ScanSettings fitSettings(const ScanSettings& wanted, const ScanOffer& offer);

const ModeOffer* findMode(const ScanOffer& offer, ColourMode mode);

}  // namespace scan
