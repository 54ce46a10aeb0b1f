#include "platform/capture/stored_controls.h"

#include <QRegularExpression>
#include <algorithm>

#include "platform/runtime/settings.h"

namespace capture {

namespace {

const QString kSettingsApp = QStringLiteral("capture");
const QString kSection = QStringLiteral("controls");

QChar kindLetter(Control::Kind kind) {
  switch (kind) {
    case Control::Kind::Boolean:
      return 'b';
    case Control::Kind::Menu:
      return 'm';
    case Control::Kind::Integer:
      break;
  }
  return 'i';
}

}  // namespace

QString storedControlsText(const std::vector<StoredControl>& controls) {
  QStringList entries;
  for (const StoredControl& c : controls)
    entries << QStringLiteral("%1:%2:%3:%4:%5=%6")
                   .arg(c.id, 8, 16, QChar('0'))
                   .arg(kindLetter(c.kind))
                   .arg(c.minimum)
                   .arg(c.maximum)
                   .arg(c.step)
                   .arg(c.value);
  return entries.join(' ');
}

std::vector<StoredControl> parseStoredControls(const QString& text) {
  static const QRegularExpression entry("^([0-9a-f]{1,8}):([ibm]):(-?\\d{1,10}):(-?\\d{1,10}):(\\d{1,10})=(-?\\d{1,10})$");
  std::vector<StoredControl> controls;
  for (const QString& part : text.split(' ', Qt::SkipEmptyParts)) {
    const auto match = entry.match(part);
    if (!match.hasMatch()) continue;
    bool ok[5] = {};
    StoredControl c;
    c.id = match.captured(1).toUInt(&ok[0], 16);
    c.kind = match.captured(2) == "b"   ? Control::Kind::Boolean
             : match.captured(2) == "m" ? Control::Kind::Menu
                                        : Control::Kind::Integer;
    c.minimum = match.captured(3).toInt(&ok[1]);
    c.maximum = match.captured(4).toInt(&ok[2]);
    c.step = match.captured(5).toInt(&ok[3]);
    c.value = match.captured(6).toInt(&ok[4]);
    if (std::all_of(std::begin(ok), std::end(ok), [](bool b) { return b; })) controls.push_back(c);
  }
  return controls;
}

std::vector<StoredControl> toStore(const std::vector<Control>& controls) {
  std::vector<StoredControl> kept;
  for (const Control& c : controls)
    if (!c.inactive) kept.push_back({c.id, c.kind, c.minimum, c.maximum, c.step, c.value});
  return kept;
}

ControlValues valuesToApply(const std::vector<StoredControl>& stored, const std::vector<Control>& current) {
  ControlValues values;
  for (const StoredControl& s : stored) {
    const auto c = std::find_if(current.begin(), current.end(), [&](const Control& c) { return c.id == s.id; });
    if (c == current.end() || c->kind != s.kind || c->minimum != s.minimum || c->maximum != s.maximum ||
        c->step != s.step || s.value < c->minimum || s.value > c->maximum || c->value == s.value)
      continue;
    values.emplace_back(s.id, s.value);
  }
  return values;
}

bool applyControlValues(const std::function<bool(std::uint32_t id, int value)>& set, const ControlValues& values) {
  ControlValues refused;
  for (const auto& [id, value] : values)
    if (!set(id, value)) refused.emplace_back(id, value);
  bool all = true;
  for (const auto& [id, value] : refused) all = set(id, value) && all;
  return all;
}

bool applyControlValues(CaptureDevice& device, const ControlValues& values) {
  return applyControlValues([&](std::uint32_t id, int value) { return device.setControl(id, value); }, values);
}

std::vector<StoredControl> storedControls(const QString& deviceKey) {
  return parseStoredControls(rt::GetSetting(kSettingsApp, kSection, deviceKey, QString()));
}

bool storeControls(const QString& deviceKey, const std::vector<Control>& controls) {
  return rt::SaveSetting(kSettingsApp, kSection, deviceKey, storedControlsText(toStore(controls)));
}

void applyStoredControls(CaptureDevice& device, const QString& deviceKey) {
  const std::vector<StoredControl> stored = storedControls(deviceKey);
  if (stored.empty()) return;
  applyControlValues(device, valuesToApply(stored, device.controls()));
}

}  // namespace capture
