#pragma once
// The dialog in which the user picks the default scanner and source.

#include <QDialog>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/scan/scanner_choice.h"

class QListWidget;
class QPushButton;

namespace scan {

class ScanSettingsPanel;

// Object names: "sourceList" (one row per device and source), "selectButton",
// "cancelButton", and the settings of the selected device (see
// ScanSettingsPanel).
class SelectSourceDialog : public QDialog {
 public:
  SelectSourceDialog(QWidget* parent, const QString& title, std::vector<SourceEntry> entries,
                     const std::optional<SourceChoice>& current);

  // The entry selected now, if any.
  std::optional<SourceChoice> selected() const;
  // The settings chosen for the selected device.
  ScanSettings selectedSettings() const;

 private:
  void showSettingsOf(int row);

  std::vector<SourceEntry> entries_;
  std::map<std::string, ScanSettings> chosen_;  // per device, as changed in this dialog
  int shownRow_ = -1;
  QListWidget* list_;
  ScanSettingsPanel* settings_;
  QPushButton* select_;
};

// "Flatbed on Maker Model (test:0)"; "Maker Model (test:0)" for a device
// without sources.
QString describe(const SourceEntry& entry);

}  // namespace scan
