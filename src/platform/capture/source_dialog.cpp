#include "platform/capture/source_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>
#include <algorithm>

namespace capture {

namespace {

std::int64_t span(const Control& c) { return std::int64_t(c.maximum) - c.minimum; }

// The value distance between two slider positions.
std::int64_t positionStep(const Control& c) {
  const std::int64_t step = std::max(c.step, 1);
  const std::int64_t steps = span(c) / step;
  return steps <= kMaxSliderPositions ? step : (span(c) + kMaxSliderPositions - 1) / kMaxSliderPositions;
}

const Control* controlById(const std::vector<Control>& controls, std::uint32_t id) {
  const auto it = std::find_if(controls.begin(), controls.end(), [&](const Control& c) { return c.id == id; });
  return it == controls.end() ? nullptr : &*it;
}

}  // namespace

int sliderPositions(const Control& c) { return int(span(c) / positionStep(c)); }

int sliderPosition(const Control& c, int value) {
  const std::int64_t v = std::clamp<std::int64_t>(value, c.minimum, c.maximum);
  return int((v - c.minimum + positionStep(c) / 2) / positionStep(c));
}

int valueAtPosition(const Control& c, int position) {
  const std::int64_t p = std::clamp(position, 0, sliderPositions(c));
  return int(std::min<std::int64_t>(c.minimum + p * positionStep(c), c.maximum));
}

ControlValues defaultValues(const std::vector<Control>& controls) {
  ControlValues values;
  for (const Control& c : controls)
    if (c.value != c.defaultValue) values.emplace_back(c.id, c.defaultValue);
  return values;
}

ControlValues valuesToRestore(const std::vector<Control>& opened, const std::vector<Control>& now) {
  ControlValues values;
  for (const Control& was : opened) {
    const Control* is = controlById(now, was.id);
    if (!was.inactive && is && is->value != was.value) values.emplace_back(was.id, was.value);
  }
  return values;
}

SourceDialog::SourceDialog(const std::vector<DeviceInfo>& devices, const QString& currentKey,
                           const std::vector<Control>& controls, ControlAccess access, QWidget* parent)
    : QDialog(parent),
      access_(std::move(access)),
      device_(new QComboBox(this)),
      controls_(new QGroupBox(tr("Picture"), this)) {
  setWindowTitle(tr("Video Source"));
  device_->setObjectName("device");
  controls_->setObjectName("controls");
  for (const DeviceInfo& d : devices) device_->addItem(d.name, d.key);
  device_->setCurrentIndex(std::max(device_->findData(currentKey), 0));

  auto* form = new QFormLayout(controls_);
  entries_.reserve(controls.size());
  for (const Control& c : controls) {
    Entry& entry = entries_.emplace_back(Entry{c, nullptr});
    QWidget* widget = entry.widget = makeWidget(entry);
    widget->setObjectName("control:" + c.name);
    if (entry.valueLabel) {
      auto* row = new QHBoxLayout;
      row->addWidget(widget, 1);
      row->addWidget(entry.valueLabel);
      form->addRow(c.name + ':', row);
    } else {
      form->addRow(c.name + ':', widget);
    }
    display(entry, c);
  }
  controls_->setVisible(!controls.empty());

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->setObjectName("buttons");
  QPushButton* defaults = buttons->addButton(tr("Defaults"), QDialogButtonBox::ResetRole);
  defaults->setObjectName("defaults");
  defaults->setEnabled(!controls.empty());
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(defaults, &QPushButton::clicked, this, [this] { setDefaults(); });

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(device_);
  layout->addWidget(controls_);
  layout->addWidget(buttons);

  connect(device_, &QComboBox::currentIndexChanged, this, [this, currentKey, defaults] {
    const bool own = chosenDevice() == currentKey;
    controls_->setEnabled(own);
    defaults->setEnabled(own && !entries_.empty());
  });
}

QWidget* SourceDialog::makeWidget(Entry& entry) {
  const Control& c = entry.control;
  const std::uint32_t id = c.id;
  auto onChange = [this, id](int value) {
    for (const Entry& e : entries_)
      if (e.control.id == id) changed(e, value);
  };
  switch (c.kind) {
    case Control::Kind::Integer: {
      auto* slider = new QSlider(Qt::Horizontal, controls_);
      slider->setRange(0, sliderPositions(c));
      slider->setPageStep(std::max(sliderPositions(c) / 10, 1));
      entry.valueLabel = new QLabel(controls_);
      entry.valueLabel->setObjectName("value:" + c.name);
      // Wide enough for the longest value, so that the slider does not move.
      const QFontMetrics metrics(entry.valueLabel->font());
      entry.valueLabel->setMinimumWidth(std::max(metrics.horizontalAdvance(QString::number(c.minimum)),
                                                 metrics.horizontalAdvance(QString::number(c.maximum))));
      entry.valueLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
      const Control range = c;
      connect(slider, &QSlider::valueChanged, this,
              [onChange, range](int position) { onChange(valueAtPosition(range, position)); });
      return slider;
    }
    case Control::Kind::Boolean: {
      auto* box = new QCheckBox(controls_);
      connect(box, &QCheckBox::toggled, this, [onChange](bool on) { onChange(on ? 1 : 0); });
      return box;
    }
    case Control::Kind::Menu: {
      auto* menu = new QComboBox(controls_);
      for (int i = 0; i < c.items.size(); ++i)
        if (!c.items[i].isEmpty()) menu->addItem(c.items[i], c.minimum + i);
      connect(menu, &QComboBox::currentIndexChanged, this, [onChange, menu](int at) {
        if (at >= 0) onChange(menu->itemData(at).toInt());
      });
      return menu;
    }
  }
  return nullptr;
}

void SourceDialog::display(Entry& entry, const Control& now) {
  entry.control.value = now.value;
  entry.control.inactive = now.inactive;
  const QSignalBlocker quiet(entry.widget);
  if (auto* slider = qobject_cast<QSlider*>(entry.widget)) slider->setValue(sliderPosition(entry.control, now.value));
  if (auto* box = qobject_cast<QCheckBox*>(entry.widget)) box->setChecked(now.value != 0);
  if (auto* menu = qobject_cast<QComboBox*>(entry.widget)) menu->setCurrentIndex(menu->findData(now.value));
  if (entry.valueLabel) {
    entry.valueLabel->setText(QString::number(now.value));
    entry.valueLabel->setEnabled(!now.inactive);
  }
  entry.widget->setEnabled(!now.inactive);
}

void SourceDialog::changed(const Entry& entry, int value) {
  if (value != entry.control.value && access_.set) access_.set(entry.control.id, value);
  // A refused value goes back to the device's, and a mode switched on or
  // off enables or disables the controls it governs.
  refresh();
}

void SourceDialog::refresh() {
  if (!access_.read) return;
  const std::vector<Control> now = access_.read();
  for (Entry& e : entries_)
    if (const Control* c = controlById(now, e.control.id)) display(e, *c);
}

void SourceDialog::setDefaults() {
  if (!access_.read || !access_.set) return;
  applyControlValues(access_.set, defaultValues(access_.read()));
  refresh();
}

QString SourceDialog::chosenDevice() const { return device_->currentData().toString(); }

}  // namespace capture
