#pragma once
// Asks before each page from a source that does not feed pages by itself:
// "Scan" takes the page, "Done" (or closing the dialog) ends.

#include <QDialog>

#include "platform/scan/scan_settings.h"

namespace scan {

class ScanSettingsPanel;

// Object names: "scanPromptDialog", "promptLabel", "scanButton", "doneButton",
// and the settings for the next page (see ScanSettingsPanel).
class ScanPromptDialog : public QDialog {
 public:
  // `source` as the selection dialog names it ("Flatbed on Maker Model (test:0)").
  ScanPromptDialog(QWidget* parent, const QString& title, const QString& source, const ScanOffer& offer,
                   const ScanSettings& settings);
  ScanSettings settings() const;

 private:
  ScanSettingsPanel* settings_;
};

}  // namespace scan
