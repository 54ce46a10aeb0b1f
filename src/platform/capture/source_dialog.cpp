#include "platform/capture/source_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QSpinBox>
#include <QVBoxLayout>

namespace capture {

SourceDialog::SourceDialog(const std::vector<DeviceInfo>& devices, const QString& currentKey,
                           const std::vector<Control>& controls, QWidget* parent)
    : QDialog(parent), device_(new QComboBox(this)), controls_(new QGroupBox(tr("Picture"), this)) {
  setWindowTitle(tr("Video Source"));
  device_->setObjectName("device");
  controls_->setObjectName("controls");
  for (const DeviceInfo& d : devices) device_->addItem(d.name, d.key);
  device_->setCurrentIndex(std::max(device_->findData(currentKey), 0));

  auto* form = new QFormLayout(controls_);
  for (const Control& c : controls) {
    QWidget* widget = nullptr;
    switch (c.kind) {
      case Control::Kind::Integer: {
        auto* spin = new QSpinBox(controls_);
        spin->setRange(c.minimum, c.maximum);
        spin->setSingleStep(c.step);
        spin->setValue(c.value);
        widget = spin;
        break;
      }
      case Control::Kind::Boolean: {
        auto* box = new QCheckBox(controls_);
        box->setChecked(c.value != 0);
        widget = box;
        break;
      }
      case Control::Kind::Menu: {
        auto* menu = new QComboBox(controls_);
        for (int i = 0; i < c.items.size(); ++i)
          if (!c.items[i].isEmpty()) menu->addItem(c.items[i], c.minimum + i);
        menu->setCurrentIndex(std::max(menu->findData(c.value), 0));
        widget = menu;
        break;
      }
    }
    widget->setObjectName("control:" + c.name);
    form->addRow(c.name + ':', widget);
    entries_.push_back({c, widget});
  }
  controls_->setVisible(!controls.empty());

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->setObjectName("buttons");
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(device_);
  layout->addWidget(controls_);
  layout->addWidget(buttons);

  connect(device_, &QComboBox::currentIndexChanged, this,
          [this, currentKey] { controls_->setEnabled(chosenDevice() == currentKey); });
}

QString SourceDialog::chosenDevice() const { return device_->currentData().toString(); }

int SourceDialog::valueOf(const Entry& entry) const {
  if (auto* spin = qobject_cast<QSpinBox*>(entry.widget)) return spin->value();
  if (auto* box = qobject_cast<QCheckBox*>(entry.widget)) return box->isChecked() ? 1 : 0;
  if (auto* menu = qobject_cast<QComboBox*>(entry.widget))
    return menu->currentIndex() < 0 ? entry.control.value : menu->currentData().toInt();
  return entry.control.value;
}

std::vector<std::pair<std::uint32_t, int>> SourceDialog::changedControls() const {
  std::vector<std::pair<std::uint32_t, int>> changed;
  for (const Entry& e : entries_) {
    const int value = valueOf(e);
    if (value != e.control.value) changed.emplace_back(e.control.id, value);
  }
  return changed;
}

}  // namespace capture
