#pragma once
// Ways to make the file system fail on purpose, and to see what a failure
// left behind.

#include <sys/resource.h>

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QStringList>
#include <cstddef>
#include <map>

#include "platform/files/write_call.h"

namespace faults {

// Files may grow no larger than `bytes` while this lives: a write that
// reaches the limit stops part-way and fails with EFBIG (SIGXFSZ is ignored),
// as a write to a full disk would. Applies to the whole process.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes);
  ~FileSizeLimit();
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit saved_{};
  void (*savedHandler_)(int) = nullptr;
};

// The disk takes only `bytesLeft` more bytes of the program's files while
// this lives: the file write call stops short there and then fails with
// ENOSPC, as on a full disk. Other writers (SANE, Qt) are not affected.
class DiskFull {
 public:
  explicit DiskFull(std::size_t bytesLeft);
  ~DiskFull();
  DiskFull(const DiskFull&) = delete;
  DiskFull& operator=(const DiskFull&) = delete;

 private:
  files::WriteCall saved_;
};

// Permissions apply to the calling thread while this lives, even for root:
// the capabilities that override them are taken out of the thread's
// effective set and put back afterwards.
class PermissionsApply {
 public:
  PermissionsApply();
  ~PermissionsApply();
  PermissionsApply(const PermissionsApply&) = delete;
  PermissionsApply& operator=(const PermissionsApply&) = delete;

 private:
  unsigned saved_[2] = {0, 0};
  bool changed_ = false;
};

// True when a file can be created in `folder` by this thread now.
bool canCreateIn(const QString& folder);

// What a folder holds, one level deep: files by size and a hash of their
// content, folders and links marked as such. Hidden names included.
using Snapshot = std::map<QString, QByteArray>;
Snapshot snapshot(const QString& folder);

// Temporary files of interrupted atomic writes.
QStringList leftoverTemps(const QString& folder);

QByteArray contentOf(const QString& path);
bool writeFile(const QString& path, const QByteArray& bytes);

// The format Qt's decoders find in the content ("bmp", "jpeg"; empty when
// none reads it).
QString formatOf(const QString& path);
// The picture as Qt decodes it, in one format for comparisons.
QImage decoded(const QString& path);
// qpdf's structural check passes and the document has one page.
bool isOnePagePdf(const QString& path);

// A picture with detail in every row, so encoders cannot make it tiny.
QImage busyPicture(int width, int height, int seed);

}  // namespace faults
