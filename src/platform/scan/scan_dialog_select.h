#pragma once
// The dialog in which the user picks the default scanner and source.

#include <QDialog>
#include <optional>
#include <vector>

#include "platform/scan/scanner_choice.h"

class QListWidget;
class QPushButton;

namespace scan {

// Object names: "sourceList" (one row per device and source), "selectButton",
// "cancelButton".
class SelectSourceDialog : public QDialog {
 public:
  SelectSourceDialog(QWidget* parent, const QString& title, std::vector<SourceEntry> entries,
                     const std::optional<SourceChoice>& current);

  // The entry selected now, if any.
  std::optional<SourceChoice> selected() const;

 private:
  std::vector<SourceEntry> entries_;
  QListWidget* list_;
  QPushButton* select_;
};

// "Flatbed on Maker Model (test:0)"; "Maker Model (test:0)" for a device
// without sources.
QString describe(const SourceEntry& entry);

}  // namespace scan
