#include "platform/scan/scan_dialog_select.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>
#include <algorithm>

#include "platform/runtime/window_fit.h"
#include "platform/scan/scan_dialog_settings.h"

namespace scan {

namespace {
// Room around the longest entry inside the list, and around the list
// inside the dialog.
constexpr int kListPadding = 12;
constexpr int kDialogMargins = 24;
}  // namespace

QString describe(const SourceEntry& entry) {
  QString device = QString::fromStdString(entry.description);
  const QString name = QString::fromStdString(entry.choice.device);
  device = device.isEmpty() ? name : device + " (" + name + ")";
  if (entry.choice.source.empty()) return device;
  return QString::fromStdString(entry.choice.source) + " on " + device;
}

SelectSourceDialog::SelectSourceDialog(QWidget* parent, const QString& title, std::vector<SourceEntry> entries,
                                       const std::optional<SourceChoice>& current)
    : QDialog(parent), entries_(std::move(entries)) {
  setWindowTitle(title);
  setObjectName("selectSourceDialog");
  auto* layout = new QVBoxLayout(this);
  auto* label = new QLabel(entries_.empty() ? "No scanner was found." : "Scan from:", this);
  label->setObjectName("sourceLabel");
  layout->addWidget(label);

  list_ = new QListWidget(this);
  list_->setObjectName("sourceList");
  for (const SourceEntry& entry : entries_) list_->addItem(describe(entry));
  int row = entries_.empty() ? -1 : 0;
  for (std::size_t i = 0; current && i < entries_.size(); ++i)
    if (entries_[i].choice == *current) row = static_cast<int>(i);
  list_->setCurrentRow(row);
  // Wide enough for the longest entry, so that two devices can be told apart.
  const int listWidth = list_->sizeHintForColumn(0) + 2 * list_->frameWidth() +
                        list_->verticalScrollBar()->sizeHint().width() + kListPadding;
  list_->setMinimumWidth(rt::WithinScreenWidth(listWidth, *this) - kDialogMargins);
  layout->addWidget(list_);
  settings_ = new ScanSettingsPanel(this);
  layout->addWidget(settings_);
  showSettingsOf(row);

  auto* buttons = new QDialogButtonBox(this);
  select_ = buttons->addButton("Select", QDialogButtonBox::AcceptRole);
  select_->setObjectName("selectButton");
  select_->setDefault(true);
  select_->setEnabled(row >= 0);
  QPushButton* cancel = buttons->addButton(QDialogButtonBox::Cancel);
  cancel->setObjectName("cancelButton");
  layout->addWidget(buttons);

  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(list_, &QListWidget::currentRowChanged, this, [this](int r) {
    select_->setEnabled(r >= 0);
    showSettingsOf(r);
  });
  connect(list_, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
  setMinimumWidth(rt::WithinScreenWidth(std::max(sizeHint().width(), rt::TitleBarWidth(title)), *this));
}

std::optional<SourceChoice> SelectSourceDialog::selected() const {
  const int row = list_->currentRow();
  if (row < 0 || row >= static_cast<int>(entries_.size())) return std::nullopt;
  return entries_[static_cast<std::size_t>(row)].choice;
}

ScanSettings SelectSourceDialog::selectedSettings() const { return settings_->settings(); }

// The settings belong to the device; its sources may offer different ones.
void SelectSourceDialog::showSettingsOf(int row) {
  const auto count = static_cast<int>(entries_.size());
  if (shownRow_ >= 0 && shownRow_ < count) chosen_[entries_[shownRow_].choice.device] = settings_->settings();
  shownRow_ = row;
  if (row < 0 || row >= count) {
    settings_->setOffer({}, {});
    return;
  }
  const SourceEntry& entry = entries_[static_cast<std::size_t>(row)];
  const auto changed = chosen_.find(entry.choice.device);
  settings_->setOffer(entry.offer,
                      changed == chosen_.end() ? entry.settings : fitSettings(changed->second, entry.offer));
}

}  // namespace scan
