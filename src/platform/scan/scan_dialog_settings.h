#pragma once
// The resolution, mode and page size controls shared by the selection
// dialog and the Scan/Done prompt. A control is shown only when the device
// offers that choice.

#include <QWidget>

#include "platform/scan/scan_settings.h"

class QComboBox;
class QLabel;

namespace scan {

// Object names: "resolutionBox" ("300 dpi"), "modeBox" (the device's mode
// names), "pageSizeBox" ("A4", ..., "Whole area").
class ScanSettingsPanel : public QWidget {
 public:
  explicit ScanSettingsPanel(QWidget* parent);

  void setOffer(const ScanOffer& offer, const ScanSettings& settings);
  // The settings as chosen now; values without a control stay as given.
  ScanSettings settings() const;

 private:
  ScanOffer offer_;
  ScanSettings given_;
  QLabel* resolutionLabel_;
  QComboBox* resolution_;
  QLabel* modeLabel_;
  QComboBox* mode_;
  QLabel* pageLabel_;
  QComboBox* page_;
};

}  // namespace scan
