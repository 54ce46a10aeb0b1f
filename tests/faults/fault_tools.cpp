#include "fault_tools.h"

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QProcess>
#include <algorithm>
#include <cerrno>
#include <csignal>

namespace faults {

FileSizeLimit::FileSizeLimit(rlim_t bytes) {
  savedHandler_ = std::signal(SIGXFSZ, SIG_IGN);
  getrlimit(RLIMIT_FSIZE, &saved_);
  rlimit limit = saved_;
  limit.rlim_cur = bytes;
  setrlimit(RLIMIT_FSIZE, &limit);
}

FileSizeLimit::~FileSizeLimit() {
  setrlimit(RLIMIT_FSIZE, &saved_);
  std::signal(SIGXFSZ, savedHandler_);
}

namespace {

std::size_t diskLeft = 0;

ssize_t writeToFullDisk(int fd, const void* data, std::size_t size) {
  if (diskLeft == 0) {
    errno = ENOSPC;
    return -1;
  }
  const ssize_t written = files::systemWriteCall()(fd, data, std::min(size, diskLeft));
  if (written > 0) diskLeft -= static_cast<std::size_t>(written);
  return written;
}

}  // namespace

DiskFull::DiskFull(std::size_t bytesLeft) : saved_(files::writeCall()) {
  diskLeft = bytesLeft;
  files::writeCall() = writeToFullDisk;
}

DiskFull::~DiskFull() { files::writeCall() = saved_; }

namespace {

constexpr unsigned kOverrides =
    (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH) | (1u << CAP_FOWNER) | (1u << CAP_LINUX_IMMUTABLE);

bool capabilities(__user_cap_data_struct (&data)[2]) {
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  return ::syscall(SYS_capget, &header, data) == 0;
}

bool setCapabilities(__user_cap_data_struct (&data)[2]) {
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  return ::syscall(SYS_capset, &header, data) == 0;
}

}  // namespace

PermissionsApply::PermissionsApply() {
  __user_cap_data_struct data[2]{};
  if (!capabilities(data)) return;
  saved_[0] = data[0].effective;
  saved_[1] = data[1].effective;
  data[0].effective &= ~kOverrides;
  changed_ = setCapabilities(data);
}

PermissionsApply::~PermissionsApply() {
  if (!changed_) return;
  __user_cap_data_struct data[2]{};
  if (!capabilities(data)) return;
  data[0].effective = saved_[0];
  data[1].effective = saved_[1];
  setCapabilities(data);
}

bool canCreateIn(const QString& folder) {
  QFile probe(folder + "/.probe");
  if (!probe.open(QIODevice::WriteOnly)) return false;
  probe.remove();
  return true;
}

Snapshot snapshot(const QString& folder) {
  Snapshot all;
  const QDir dir(folder);
  for (const QFileInfo& entry :
       dir.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System)) {
    if (entry.isSymLink())
      all[entry.fileName()] = "link to " + entry.symLinkTarget().toUtf8();
    else if (entry.isDir())
      all[entry.fileName()] = "folder";
    else
      all[entry.fileName()] = "file of " + QByteArray::number(entry.size()) + " bytes, " +
                              QCryptographicHash::hash(contentOf(entry.filePath()), QCryptographicHash::Sha256).toHex();
  }
  return all;
}

QStringList leftoverTemps(const QString& folder) {
  return QDir(folder).entryList({".vic-*"}, QDir::AllEntries | QDir::Hidden | QDir::System);
}

QByteArray contentOf(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

QString formatOf(const QString& path) {
  QImageReader reader(path);
  reader.setDecideFormatFromContent(true);
  return reader.canRead() ? QString::fromLatin1(reader.format()) : QString();
}

QImage decoded(const QString& path) {
  QImageReader reader(path);
  reader.setDecideFormatFromContent(true);
  return reader.read().convertToFormat(QImage::Format_RGB32);
}

bool isOnePagePdf(const QString& path) {
  QProcess check;
  check.start("qpdf", {"--check", path});
  if (!check.waitForFinished(30000) || check.exitCode() != 0) return false;
  QProcess pages;
  pages.start("qpdf", {"--show-npages", path});
  return pages.waitForFinished(30000) && pages.exitCode() == 0 && pages.readAllStandardOutput().trimmed() == "1";
}

QImage busyPicture(int width, int height, int seed) {
  QImage image(width, height, QImage::Format_RGB32);
  std::uint32_t state = 2463534242u + static_cast<std::uint32_t>(seed);
  for (int y = 0; y < height; ++y) {
    auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < width; ++x) {
      state ^= state << 13;
      state ^= state >> 17;
      state ^= state << 5;
      row[x] = qRgb(x * 255 / width, y * 255 / height, static_cast<int>(state & 0xff));
    }
  }
  return image;
}

}  // namespace faults
