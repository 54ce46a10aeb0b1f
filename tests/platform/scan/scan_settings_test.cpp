#include "platform/scan/scan_settings.h"

#include <gtest/gtest.h>

#include <cctype>

#include "platform/scan/scanner_choice.h"

namespace {

using scan::ColourMode;
using scan::ModeOffer;

struct ResolutionCase {
  const char* name;
  scan::ResolutionConstraint constraint;
  std::vector<int> offered;
};

class Resolutions : public ::testing::TestWithParam<ResolutionCase> {};

TEST_P(Resolutions, OfferTheUsualStepsTheDeviceAllows) {
  EXPECT_EQ(scan::offeredResolutions(GetParam().constraint), GetParam().offered);
}

INSTANTIATE_TEST_SUITE_P(
    Constraints, Resolutions,
    ::testing::Values(
        ResolutionCase{"AnyValueInRange", {{}, 90, 450, 0}, {100, 150, 200, 300, 400}},
        ResolutionCase{"QuantisedRange", {{}, 50, 600, 50}, {100, 150, 200, 300, 400, 600}},
        ResolutionCase{"FixedPointList", {{299.999, 600.001}, 0, 0, 0}, {300, 600}},
        ResolutionCase{"ListWithoutUsualSteps", {{250, 125, 500}, 0, 0, 0}, {125, 250, 500}},
        ResolutionCase{"RangeWithoutUsualSteps", {{}, 20, 60, 0}, {20, 60}},
        ResolutionCase{"NoConstraint", {{}, 0, 0, 0}, {}}),
    [](const auto& info) { return std::string(info.param.name); });

struct ModeCase {
  const char* name;
  std::vector<std::string> deviceModes;
  std::vector<int> depths;
  std::vector<ModeOffer> offered;
};

class Modes : public ::testing::TestWithParam<ModeCase> {};

TEST_P(Modes, OfferColourGreyAndLineArtAsTheDeviceNamesThem) {
  EXPECT_EQ(scan::offeredModes(GetParam().deviceModes, GetParam().depths), GetParam().offered);
}

INSTANTIATE_TEST_SUITE_P(
    Devices, Modes,
    ::testing::Values(
        ModeCase{"OwnLineArtMode",
                 {"Lineart", "Halftone", "Gray", "Color"},
                 {},
                 {{ColourMode::Color, "Color", 0}, {ColourMode::Gray, "Gray", 0}, {ColourMode::Lineart, "Lineart", 0}}},
        ModeCase{"OtherNames",
                 {"Black & White", "True Gray", "24bit Color", "48bit Color"},
                 {8},
                 {{ColourMode::Color, "24bit Color", 8}, {ColourMode::Gray, "True Gray", 8},
                  {ColourMode::Lineart, "Black & White", 0}}},
        ModeCase{"StandardNameFirst", {"Color48", "Color"}, {}, {{ColourMode::Color, "Color", 0}}},
        ModeCase{"ColourOnly", {"Color"}, {1, 8}, {{ColourMode::Color, "Color", 8}}},
        ModeCase{"NothingKnown", {"Halftone", "Infrared"}, {}, {}}),
    [](const auto& info) { return std::string(info.param.name); });

struct AreaCase {
  const char* name;
  scan::ScanArea area;
  std::vector<std::string> offered;
};

class PageSizes : public ::testing::TestWithParam<AreaCase> {};

TEST_P(PageSizes, OfferWhatFitsTheAreaAndTheWholeArea) {
  EXPECT_EQ(scan::offeredPageSizes(GetParam().area), GetParam().offered);
}

INSTANTIATE_TEST_SUITE_P(
    Areas, PageSizes,
    ::testing::Values(AreaCase{"A4Flatbed", {0, 0, 215.9, 297.0}, {"A4", "A5", "US Letter", "Whole area"}},
                      AreaCase{"JustUnderA4", {0, 0, 209.8, 296.8}, {"A4", "A5", "Whole area"}},
                      AreaCase{"A4Narrow", {0, 0, 212.0, 300.0}, {"A4", "A5", "Whole area"}},
                      AreaCase{"OffsetSmall", {10, 10, 210, 210}, {"Whole area"}},
                      AreaCase{"NoArea", {0, 0, 0, 0}, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PageArea, StartsAtTheCornerAndStaysWithinTheArea) {
  const scan::ScanArea area{1, 2, 216, 296};
  EXPECT_EQ(scan::pageArea("A5", area), (scan::ScanArea{1, 2, 149, 212}));
  EXPECT_EQ(scan::pageArea("A4", area), (scan::ScanArea{1, 2, 211, 296}));
  EXPECT_EQ(scan::pageArea("Whole area", area), area);
  EXPECT_EQ(scan::pageArea("B5", area), area);
}

TEST(FitSettings, KeepsWhatIsOfferedAndFallsBackOtherwise) {
  scan::ScanOffer offer;
  offer.resolutions = {75, 150, 600};
  offer.modes = {{ColourMode::Gray, "Gray", 8}, {ColourMode::Lineart, "Gray", 1}};
  offer.pageSizes = {"A5", "Whole area"};
  struct Case {
    scan::ScanSettings wanted, fitted;
  };
  for (const Case& c : {Case{{150, ColourMode::Lineart, "A5"}, {150, ColourMode::Lineart, "A5"}},
                        Case{{300, ColourMode::Color, "A4"}, {150, ColourMode::Gray, "Whole area"}},
                        Case{{1200, ColourMode::Gray, "Whole area"}, {600, ColourMode::Gray, "Whole area"}},
                        Case{{100, ColourMode::Gray, "A5"}, {75, ColourMode::Gray, "A5"}}})
    EXPECT_EQ(scan::fitSettings(c.wanted, offer), c.fitted) << c.wanted.resolution;
  // A device without the options keeps the wanted values: nothing is set.
  EXPECT_EQ(scan::fitSettings({300, ColourMode::Color, "A4"}, {}), (scan::ScanSettings{300, ColourMode::Color, "A4"}));
}

TEST(SettingsSection, EncodesAnyDeviceNameSafelyAndReadsItBack) {
  for (const std::string name : {"test:0", "net:192.168.0.5:hpaio:/usb/Officejet?serial=CN01", "epson2:libusb:001:004",
                                 "odd]name=[x]\n;%41", "Ger\xc3\xa4t 1", "DefaultSource", ""}) {
    const std::string section = scan::settingsSection(name);
    EXPECT_EQ(section.rfind("Device ", 0), 0u) << section;
    for (char c : section.substr(7))
      EXPECT_TRUE(std::isalnum(static_cast<unsigned char>(c)) || std::string("-._%").find(c) != std::string::npos)
          << section;
    EXPECT_EQ(scan::deviceOfSection(section), name);
  }
  EXPECT_EQ(scan::settingsSection("test:0"), "Device test%3A0");
  // Sections match in any case; devices whose names differ in case do not share one.
  EXPECT_EQ(scan::settingsSection("Test:0"), "Device %54est%3A0");
  EXPECT_EQ(scan::deviceOfSection("Device %54est%3a0"), "Test:0");
  for (const std::string other : {"DefaultSource", "Device bad%4", "Device bad%zz", "Device a:b", "device test"})
    EXPECT_FALSE(scan::deviceOfSection(other)) << other;
}

}  // namespace
