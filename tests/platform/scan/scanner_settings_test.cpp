#include <gtest/gtest.h>

#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QListWidget>
#include <tuple>

#include "faults/fault_backend.h"
#include "platform/runtime/settings.h"
#include "platform/scan/sane_device.h"
#include "platform/scan/scanner.h"
#include "platform/scan/scanner_choice.h"
#include "sane_test_backend.h"
#include "support/test_env.h"

namespace {

using scan::ColourMode;
using scanner_testing::click;
using scanner_testing::useTestBackend;

const QString kTest0Feeder = "Automatic Document Feeder on Noname frontend-tester (test:0)";
const QString kTest1Feeder = "Automatic Document Feeder on Noname frontend-tester (test:1)";

// The items of a settings box, or {"hidden"} when the dialog does not show it.
QStringList items(QDialog& d, const char* box) {
  auto* combo = d.findChild<QComboBox*>(box);
  if (!combo) return {"missing"};
  if (!combo->isVisibleTo(&d)) return {"hidden"};
  QStringList out;
  for (int i = 0; i < combo->count(); ++i) out << combo->itemText(i);
  return out;
}

QString current(QDialog& d, const char* box) { return d.findChild<QComboBox*>(box)->currentText(); }

void pick(QDialog& d, const char* box, const QString& text) {
  auto* combo = d.findChild<QComboBox*>(box);
  const int index = combo->findText(text);
  ASSERT_GE(index, 0) << box << " " << text.toStdString();
  combo->setCurrentIndex(index);
}

void selectRow(QDialog& d, const QString& row) {
  auto* list = d.findChild<QListWidget*>("sourceList");
  const auto found = list->findItems(row, Qt::MatchExactly);
  ASSERT_EQ(found.size(), 1) << row.toStdString();
  list->setCurrentItem(found.front());
}

QString iniText() {
  QFile f(rt::SettingsFile("scanner"));
  return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

class ScanSettings : public ::testing::Test {
 protected:
  void SetUp() override {
    QFile::remove(rt::SettingsFile("scanner"));
    useTestBackend();
    TWAIN_SetAppTitle("Scanner");
    TWAIN_SuppressErrorMessages(0);
    TWAIN_SetMultiTransfer(1);
  }
  void TearDown() override { TWAIN_CloseSource(); }
  testing_support::FakeDialogs dialogs;
};

struct OfferCase {
  const char* name;
  QString plan;  // the fault backend's device line; null or a geometry line: SANE's test backend
  QStringList resolutions, modes, pages;
  QStringList chosen;  // resolution, mode and page shown first
};

class DeviceOffer : public ScanSettings, public ::testing::WithParamInterface<OfferCase> {};

TEST_P(DeviceOffer, SelectionDialogShowsOnlyWhatTheDeviceOffers) {
  const OfferCase& c = GetParam();
  if (c.plan.startsWith("geometry")) useTestBackend({c.plan});
  else if (!c.plan.isNull()) faults::useFaultBackend({c.plan, "ok"});
  QStringList shown[3], chosen;
  dialogs.onModal = [&](QDialog& d) {
    if (c.plan.isNull() || c.plan.startsWith("geometry")) selectRow(d, kTest0Feeder);
    int i = 0;
    for (const char* box : {"resolutionBox", "modeBox", "pageSizeBox"}) {
      shown[i++] = items(d, box);
      if (shown[i - 1] != QStringList{"hidden"}) chosen << current(d, box);
    }
    return click(d, "cancelButton");
  };
  TWAIN_SelectImageSource(0);
  EXPECT_EQ(shown[0], c.resolutions);
  EXPECT_EQ(shown[1], c.modes);
  EXPECT_EQ(shown[2], c.pages);
  EXPECT_EQ(chosen, c.chosen);
}

const QStringList kAllSteps = {"75 dpi", "100 dpi", "150 dpi", "200 dpi", "300 dpi", "400 dpi", "600 dpi", "1200 dpi"};
const QStringList kOwnSteps = {"75 dpi", "150 dpi", "300 dpi", "600 dpi", "1200 dpi"};
const QStringList kModes = {"Color", "Gray", "Lineart"};
const QStringList kPapers = {"A4", "A5", "US Letter", "US Legal", "Whole area"};

INSTANTIATE_TEST_SUITE_P(
    Devices, DeviceOffer,
    ::testing::Values(
        // Line art as one-bit grey; an area of 200 x 200 mm takes no paper size.
        OfferCase{"TestBackend", QString(), kAllSteps, kModes, {"Whole area"}, {"300 dpi", "Color", "Whole area"}},
        OfferCase{"TestBackendLegalArea", "geometry_max 355.6", kAllSteps, kModes, kPapers, {"300 dpi", "Color", "A4"}},
        OfferCase{"AllOptions", "device options", kOwnSteps, kModes, kPapers, {"300 dpi", "Color", "A4"}},
        OfferCase{"NoModeOption", "device options no-mode", kOwnSteps, {"hidden"}, kPapers, {"300 dpi", "A4"}},
        OfferCase{"NoOptions", "device plain", {"hidden"}, {"hidden"}, {"hidden"}, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ScanSettings, ChosenSettingsAreKeptPerDeviceAndSurviveARestart) {
  dialogs.onModal = [&](QDialog& d) {
    selectRow(d, kTest0Feeder);
    pick(d, "resolutionBox", "75 dpi");
    // Each device keeps its own settings while the dialog runs.
    selectRow(d, kTest1Feeder);
    EXPECT_EQ(current(d, "resolutionBox"), "300 dpi");
    selectRow(d, kTest0Feeder);
    EXPECT_EQ(current(d, "resolutionBox"), "75 dpi");
    selectRow(d, kTest1Feeder);
    pick(d, "resolutionBox", "150 dpi");
    pick(d, "modeBox", "Gray");
    return click(d, "selectButton");
  };
  ASSERT_EQ(TWAIN_SelectImageSource(0), 1);
  EXPECT_TRUE(iniText().contains("[Device test%3A1]\nresolution=150\nmode=Gray\npage=Whole area\n"))
      << iniText().toStdString();
  EXPECT_FALSE(iniText().contains("test%3A0"));  // only the chosen device's settings are stored

  useTestBackend();  // SANE and the device start afresh, as at the next program start
  ASSERT_EQ(TWAIN_OpenDefaultSource(), 1);
  EXPECT_EQ(scan::openSource()->stringOption("mode"), "Gray");
  EXPECT_EQ(scan::openSource()->numberOption("resolution"), 150.0);
  TWAIN_CloseSource();

  QStringList shown;
  dialogs.onModal = [&](QDialog& d) {
    shown << current(d, "resolutionBox") << current(d, "modeBox");
    return click(d, "cancelButton");
  };
  TWAIN_SelectImageSource(0);
  EXPECT_EQ(shown, (QStringList{"150 dpi", "Gray"}));
}

TEST_F(ScanSettings, FlatbedPromptShowsTheSettingsAndChangesThemForTheNextPage) {
  ASSERT_TRUE(scan::storeChoice({"test:0", "Flatbed"}));
  ASSERT_TRUE(scan::storeSettings("test:0", {600, ColourMode::Gray, "Whole area"}));
  ASSERT_EQ(TWAIN_OpenDefaultSource(), 1);
  QStringList shown;
  dialogs.onModal = [&](QDialog& d) {
    shown << current(d, "resolutionBox") + ", " + current(d, "modeBox");
    if (dialogs.modalCount == 2) return click(d, "doneButton");
    pick(d, "resolutionBox", "75 dpi");
    pick(d, "modeBox", "Lineart");
    return click(d, "scanButton");
  };
  const QString page = testing_support::freshDir("flatbed") + "/a.bmp";
  ASSERT_EQ(TWAIN_AcquireToFilename(0, page.toLocal8Bit()), 0);
  EXPECT_EQ(TWAIN_AcquireToFilename(0, "b.bmp"), static_cast<int>(scan::Acquire::Cancelled));
  EXPECT_EQ(shown, (QStringList{"600 dpi, Gray", "75 dpi, Lineart"}));
  const QImage image(page);
  EXPECT_EQ(image.format(), QImage::Format_Mono);
  EXPECT_EQ(image.size(), QSize(590, 590));  // 200 mm at 75 dpi
  EXPECT_EQ(scan::storedSettings("test:0"), (scan::ScanSettings{75, ColourMode::Lineart, "Whole area"}));
}

TEST_F(ScanSettings, StoredValuesThatMakeNoSenseReadAsTheFirstUseDefaults) {
  const scan::ScanSettings defaults{300, ColourMode::Color, "A4"};
  EXPECT_EQ(scan::storedSettings("test:0"), defaults);
  const QString section = QString::fromStdString(scan::settingsSection("test:0"));
  for (const auto& [resolution, mode, page] : {std::tuple{"abc", "Purple", "B5"}, {"-300", "color", ""},
                                               {"99999999999", "Lineart ", "a4"}, {"0", "", "Whole"}}) {
    ASSERT_TRUE(rt::SaveSetting("scanner", section, "resolution", resolution));
    ASSERT_TRUE(rt::SaveSetting("scanner", section, "mode", mode));
    ASSERT_TRUE(rt::SaveSetting("scanner", section, "page", page));
    EXPECT_EQ(scan::storedSettings("test:0"), defaults) << resolution << " " << mode << " " << page;
  }
  ASSERT_TRUE(rt::SaveSetting("scanner", section, "page", "US Legal"));
  EXPECT_EQ(scan::storedSettings("test:0").pageSize, "US Legal");
}

}  // namespace
