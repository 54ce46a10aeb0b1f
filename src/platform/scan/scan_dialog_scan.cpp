#include "platform/scan/scan_dialog_scan.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace scan {

ScanPromptDialog::ScanPromptDialog(QWidget* parent, const QString& title, const QString& source)
    : QDialog(parent) {
  setWindowTitle(title);
  setObjectName("scanPromptDialog");
  auto* layout = new QVBoxLayout(this);
  auto* label =
      new QLabel("Place the next page on " + source + ", then choose Scan.\nChoose Done when finished.", this);
  label->setObjectName("promptLabel");
  layout->addWidget(label);

  auto* buttons = new QDialogButtonBox(this);
  QPushButton* scan = buttons->addButton("Scan", QDialogButtonBox::AcceptRole);
  scan->setObjectName("scanButton");
  scan->setDefault(true);
  QPushButton* done = buttons->addButton("Done", QDialogButtonBox::RejectRole);
  done->setObjectName("doneButton");
  layout->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

}  // namespace scan
