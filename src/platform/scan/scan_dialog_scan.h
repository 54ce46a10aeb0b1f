#pragma once
// Asks before each page from a source that does not feed pages by itself:
// "Scan" takes the page, "Done" (or closing the dialog) ends.

#include <QDialog>

namespace scan {

// Object names: "scanPromptDialog", "promptLabel", "scanButton", "doneButton".
class ScanPromptDialog : public QDialog {
 public:
  ScanPromptDialog(QWidget* parent, const QString& title, const QString& source);
};

}  // namespace scan
