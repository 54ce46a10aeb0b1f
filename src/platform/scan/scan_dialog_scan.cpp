#include "platform/scan/scan_dialog_scan.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/scan/scan_dialog_settings.h"

namespace scan {

ScanPromptDialog::ScanPromptDialog(QWidget* parent, const QString& title, const QString& source,
                                   const ScanOffer& offer, const ScanSettings& settings)
    : QDialog(parent) {
  setWindowTitle(title);
  setObjectName("scanPromptDialog");
  auto* layout = new QVBoxLayout(this);
  auto* label = new QLabel(source + "\nPlace the next page, then choose Scan.\nChoose Done when finished.", this);
  label->setObjectName("promptLabel");
  layout->addWidget(label);
  settings_ = new ScanSettingsPanel(this);
  settings_->setOffer(offer, settings);
  layout->addWidget(settings_);

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

ScanSettings ScanPromptDialog::settings() const { return settings_->settings(); }

}  // namespace scan
