#pragma once
// The video-source dialog: which device to show and its picture controls.
// Widgets: QComboBox "device", QGroupBox "controls" holding one widget per
// control named "control:<name>" (QSpinBox, QCheckBox or QComboBox),
// QDialogButtonBox "buttons". The controls belong to the current device and
// are disabled while another device is picked.

#include <QDialog>
#include <utility>
#include <vector>

#include "platform/capture/catalog.h"
#include "platform/capture/device.h"

class QComboBox;
class QGroupBox;

namespace capture {

class SourceDialog : public QDialog {
  Q_OBJECT
 public:
  SourceDialog(const std::vector<DeviceInfo>& devices, const QString& currentKey, const std::vector<Control>& controls,
               QWidget* parent = nullptr);

  QString chosenDevice() const;
  // The controls whose value the user changed, with the new value.
  std::vector<std::pair<std::uint32_t, int>> changedControls() const;

 private:
  struct Entry {
    Control control;
    QWidget* widget;
  };
  int valueOf(const Entry& entry) const;

  QComboBox* device_;
  QGroupBox* controls_;
  std::vector<Entry> entries_;
};

}  // namespace capture
