#pragma once
// The video-source dialog: which device to show and its picture controls,
// which take effect as they are changed.
// Widgets: QComboBox "device", QGroupBox "controls" holding one widget per
// control named "control:<name>" (QSlider with a QLabel "value:<name>"
// beside it, QCheckBox or QComboBox), QDialogButtonBox "buttons" with a
// "Defaults" button "defaults". A control that an automatic mode governs is
// disabled while it is inactive. The controls belong to the current device
// and are disabled while another device is picked.

#include <QDialog>
#include <functional>
#include <vector>

#include "platform/capture/catalog.h"
#include "platform/capture/device.h"
#include "platform/capture/stored_controls.h"

class QComboBox;
class QGroupBox;
class QLabel;

namespace capture {

// How the dialog reaches the current device's controls.
struct ControlAccess {
  std::function<bool(std::uint32_t id, int value)> set;
  std::function<std::vector<Control>()> read;
};

// Slider positions for an integer control: one per step from the minimum,
// at most kMaxSliderPositions (larger ranges move in coarser steps).
constexpr int kMaxSliderPositions = 100000;
int sliderPositions(const Control& control);
int sliderPosition(const Control& control, int value);
int valueAtPosition(const Control& control, int position);

// The values to set for every control to be at the device's default.
ControlValues defaultValues(const std::vector<Control>& controls);
// The values to set to return to `opened`: those that changed since, except
// the ones an automatic mode governed then (their mode brings them back).
ControlValues valuesToRestore(const std::vector<Control>& opened, const std::vector<Control>& now);

class SourceDialog : public QDialog {
  Q_OBJECT
 public:
  SourceDialog(const std::vector<DeviceInfo>& devices, const QString& currentKey, const std::vector<Control>& controls,
               ControlAccess access, QWidget* parent = nullptr);

  QString chosenDevice() const;
  // Shows the device's values and flags as they are now.
  void refresh();

 private:
  struct Entry {
    Control control;
    QWidget* widget;
    QLabel* valueLabel = nullptr;
  };
  QWidget* makeWidget(Entry& entry);
  void display(Entry& entry, const Control& now);
  void changed(const Entry& entry, int value);
  void setDefaults();

  ControlAccess access_;
  QComboBox* device_;
  QGroupBox* controls_;
  std::vector<Entry> entries_;
};

}  // namespace capture
