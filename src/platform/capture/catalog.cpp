#include "platform/capture/catalog.h"

#include <linux/videodev2.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <cerrno>

#include "platform/capture/pipewire/pw_sources.h"
#include "platform/capture/pixels.h"
#include "platform/capture/test_pattern.h"
#include "platform/capture/v4l2_camera.h"
#include "platform/runtime/settings.h"

namespace capture {

namespace {

const QString kSettingsApp = QStringLiteral("capture");
const QString kDeviceSection = QStringLiteral("device");
const QString kDeviceKey = QStringLiteral("path");
const QString kFormatSection = QStringLiteral("format");
const QString kKeepJpegSection = QStringLiteral("camera-jpeg");

DeviceCatalog* installed = nullptr;

QString sysfsName(const QString& nodeName) {
  QFile file("/sys/class/video4linux/" + nodeName + "/name");
  if (!file.open(QIODevice::ReadOnly)) return {};
  return QString::fromUtf8(file.read(256)).trimmed();
}

std::vector<QString> videoNodes(const QString& devFolder) {
  static const QRegularExpression pattern("^video(\\d+)$");
  std::vector<std::pair<int, QString>> numbered;
  const QStringList names = QDir(devFolder).entryList(QDir::Files | QDir::System | QDir::NoDotAndDotDot);
  for (const QString& name : names) {
    const auto match = pattern.match(name);
    bool ok = false;
    const int n = match.hasMatch() ? match.captured(1).toInt(&ok) : 0;
    if (ok) numbered.emplace_back(n, name);
  }
  std::sort(numbered.begin(), numbered.end());
  std::vector<QString> nodes;
  for (const auto& entry : numbered) nodes.push_back(entry.second);
  return nodes;
}

}  // namespace

SystemCatalog::SystemCatalog(QString devFolder, V4l2Opener opener, bool withPipeWire)
    : devFolder_(std::move(devFolder)),
      opener_(std::move(opener)),
      pipewire_(withPipeWire ? std::make_unique<pw::Sources>() : nullptr) {}

SystemCatalog::~SystemCatalog() = default;

std::vector<DeviceInfo> SystemCatalog::list() {
  std::vector<DeviceInfo> devices;
  for (const QString& nodeName : videoNodes(devFolder_)) {
    const QString node = devFolder_ + '/' + nodeName;
    errno = 0;
    std::unique_ptr<V4l2Port> port = opener_ ? opener_(QFile::encodeName(node).toStdString()) : nullptr;
    QString name;
    if (port) {
      v4l2_capability cap{};
      if (port->ioctl(VIDIOC_QUERYCAP, &cap) < 0) continue;
      const std::uint32_t caps = cap.capabilities & V4L2_CAP_DEVICE_CAPS ? cap.device_caps : cap.capabilities;
      if (!(caps & V4L2_CAP_VIDEO_CAPTURE) || !(caps & V4L2_CAP_STREAMING)) continue;
      const auto* card = reinterpret_cast<const char*>(cap.card);
      name = QString::fromUtf8(card, qsizetype(strnlen(card, sizeof cap.card))).trimmed();
    } else if (errno == EACCES || errno == EPERM || errno == EBUSY) {
      // Listed all the same: connecting to it says what is wrong.
      name = sysfsName(nodeName);
    } else {
      continue;
    }
    if (name.isEmpty()) name = nodeName;
    devices.push_back({stablePath(devFolder_, node), name});
  }
  // Two cameras of one model: tell them apart by their node.
  const std::vector<DeviceInfo> plain = devices;
  for (DeviceInfo& d : devices) {
    const auto same = std::count_if(plain.begin(), plain.end(), [&](const DeviceInfo& o) { return o.name == d.name; });
    if (same > 1) d.name += " (" + QFileInfo(d.key).fileName() + ')';
  }
  if (pipewire_) {
    const std::vector<DeviceInfo> sources = pipewire_->list(devices);
    devices.insert(devices.end(), sources.begin(), sources.end());
  }
  devices.push_back({kTestPatternKey, QStringLiteral("Test pattern")});
  return devices;
}

std::unique_ptr<CaptureDevice> SystemCatalog::make(const DeviceInfo& device) {
  if (device.key == kTestPatternKey) return std::make_unique<TestPattern>();
  if (device.key.startsWith(pw::kKeyPrefix)) return pipewire_ ? pipewire_->make(device) : nullptr;
  return std::make_unique<V4l2Camera>(QFile::encodeName(device.key).toStdString(), device.name, opener_);
}

QString SystemCatalog::takeNotice() { return pipewire_ ? pipewire_->takeNotice() : QString(); }

DeviceCatalog& deviceCatalog() {
  static SystemCatalog system;
  return installed ? *installed : system;
}

void setDeviceCatalog(DeviceCatalog* catalog) { installed = catalog; }

QString stablePath(const QString& devFolder, const QString& node) {
  const QString target = QFileInfo(node).canonicalFilePath();
  if (target.isEmpty()) return node;
  for (const char* sub : {"v4l/by-id", "v4l/by-path"}) {
    const QDir dir(devFolder + '/' + sub);
    QString found;
    for (const QString& link : dir.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDir::Name)) {
      if (QFileInfo(dir.filePath(link)).canonicalFilePath() != target) continue;
      if (link.endsWith("-index0")) return dir.filePath(link);
      if (found.isEmpty()) found = dir.filePath(link);
    }
    if (!found.isEmpty()) return found;
  }
  return node;
}

bool FallsBackToTestPattern(const std::vector<DeviceInfo>& listed, const DeviceInfo& chosen) {
  return chosen.key == kTestPatternKey &&
         std::all_of(listed.begin(), listed.end(), [](const DeviceInfo& d) { return d.key == kTestPatternKey; });
}

std::optional<DeviceInfo> chooseDevice(const std::vector<DeviceInfo>& listed, const QString& remembered) {
  if (remembered.isEmpty()) {
    if (listed.empty()) return std::nullopt;
    return listed.front();
  }
  for (const DeviceInfo& d : listed)
    if (d.key == remembered) return d;
  return std::nullopt;
}

QString rememberedDevice() { return rt::GetSetting(kSettingsApp, kDeviceSection, kDeviceKey, QString()); }

bool rememberDevice(const QString& key) { return rt::SaveSetting(kSettingsApp, kDeviceSection, kDeviceKey, key); }

std::optional<FormatChoice> parseFormatChoice(const QString& text) {
  static const QRegularExpression pattern("^(\\d{1,5})x(\\d{1,5}) (auto|\\S{1,4})$");
  const auto match = pattern.match(text);
  if (!match.hasMatch()) return std::nullopt;
  FormatChoice choice;
  choice.size = QSize(match.captured(1).toInt(), match.captured(2).toInt());
  if (choice.size.isEmpty()) return std::nullopt;
  if (match.captured(3) != "auto") {
    choice.fourcc = fourccFromText(match.captured(3));
    if (!canDecode(choice.fourcc)) return std::nullopt;
  }
  return choice;
}

QString formatChoiceText(const FormatChoice& choice) {
  return QStringLiteral("%1x%2 %3")
      .arg(choice.size.width())
      .arg(choice.size.height())
      .arg(choice.fourcc ? fourccText(choice.fourcc) : QStringLiteral("auto"));
}

std::optional<FormatChoice> rememberedFormat(const QString& key) {
  return parseFormatChoice(rt::GetSetting(kSettingsApp, kFormatSection, key, QString()));
}

bool rememberFormat(const QString& key, const FormatChoice& choice) {
  return rt::SaveSetting(kSettingsApp, kFormatSection, key, formatChoiceText(choice));
}

}  // namespace capture

namespace capture {

bool keepsCameraJpeg(const QString& key) {
  return rt::GetSetting(kSettingsApp, kKeepJpegSection, key, QString()) != QStringLiteral("decode");
}

bool rememberKeepsCameraJpeg(const QString& key, bool keep) {
  return rt::SaveSetting(kSettingsApp, kKeepJpegSection, key, keep ? QStringLiteral("keep") : QStringLiteral("decode"));
}

}  // namespace capture
