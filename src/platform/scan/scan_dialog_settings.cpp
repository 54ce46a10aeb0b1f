#include "platform/scan/scan_dialog_settings.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLabel>

namespace scan {

namespace {

QComboBox* box(QWidget* parent, const char* name) {
  auto* combo = new QComboBox(parent);
  combo->setObjectName(name);
  return combo;
}

void showRow(QLabel* label, QComboBox* combo, bool shown) {
  label->setVisible(shown);
  combo->setVisible(shown);
}

}  // namespace

ScanSettingsPanel::ScanSettingsPanel(QWidget* parent) : QWidget(parent) {
  setObjectName("scanSettings");
  auto* layout = new QFormLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  resolution_ = box(this, "resolutionBox");
  mode_ = box(this, "modeBox");
  page_ = box(this, "pageSizeBox");
  resolutionLabel_ = new QLabel("&Resolution:", this);
  modeLabel_ = new QLabel("&Mode:", this);
  pageLabel_ = new QLabel("&Page size:", this);
  layout->addRow(resolutionLabel_, resolution_);
  layout->addRow(modeLabel_, mode_);
  layout->addRow(pageLabel_, page_);
  for (auto [label, combo] : {std::pair{resolutionLabel_, resolution_}, {modeLabel_, mode_}, {pageLabel_, page_}})
    label->setBuddy(combo);
}

void ScanSettingsPanel::setOffer(const ScanOffer& offer, const ScanSettings& settings) {
  offer_ = offer;
  given_ = settings;
  resolution_->clear();
  for (int dpi : offer.resolutions) {
    resolution_->addItem(QString("%1 dpi").arg(dpi), dpi);
    if (dpi == settings.resolution) resolution_->setCurrentIndex(resolution_->count() - 1);
  }
  mode_->clear();
  for (const ModeOffer& m : offer.modes) {
    // One-bit grey scanned as line art goes by the common name.
    mode_->addItem(QString::fromStdString(m.depth == 1 ? modeName(m.mode) : m.deviceMode), static_cast<int>(m.mode));
    if (m.mode == settings.mode) mode_->setCurrentIndex(mode_->count() - 1);
  }
  page_->clear();
  for (const std::string& name : offer.pageSizes) {
    page_->addItem(QString::fromStdString(name));
    if (name == settings.pageSize) page_->setCurrentIndex(page_->count() - 1);
  }
  showRow(resolutionLabel_, resolution_, !offer.resolutions.empty());
  showRow(modeLabel_, mode_, !offer.modes.empty());
  showRow(pageLabel_, page_, !offer.pageSizes.empty());
}

ScanSettings ScanSettingsPanel::settings() const {
  ScanSettings out = given_;
  if (resolution_->currentIndex() >= 0) out.resolution = resolution_->currentData().toInt();
  if (mode_->currentIndex() >= 0) out.mode = static_cast<ColourMode>(mode_->currentData().toInt());
  if (page_->currentIndex() >= 0) out.pageSize = page_->currentText().toStdString();
  return out;
}

}  // namespace scan
