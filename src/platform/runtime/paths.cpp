#include "platform/runtime/paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <cerrno>
#include <climits>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "platform/files/atomic_file.h"

namespace rt {

QString PicturesFolder() {
  QString folder = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
  if (folder.isEmpty()) folder = QDir::homePath() + "/Pictures";
  return folder;
}

QString DefaultPicturePath(const QString& fileName) { return PicturesFolder() + '/' + fileName; }

void EnsurePicturesFolderFor(const QString& path) {
  const QString folder = QFileInfo(path).absolutePath();
  if (QDir::cleanPath(folder) == QDir::cleanPath(PicturesFolder()) && !QFileInfo::exists(folder))
    QDir().mkpath(folder);
}

std::optional<long long> FileLen(const QString& path) {
  if (path.isEmpty() || path.contains(QChar(0))) return std::nullopt;
  struct stat st {};
  if (::stat(QFile::encodeName(path).constData(), &st) != 0 || S_ISDIR(st.st_mode)) return std::nullopt;
  return static_cast<long long>(st.st_size);
}

long NameMax(const QString& folder) {
  QString at = folder.isEmpty() ? QStringLiteral(".") : folder;
  for (int up = 0; up < 256; ++up) {
    errno = 0;
    const long limit = ::pathconf(QFile::encodeName(at).constData(), _PC_NAME_MAX);
    if (limit > 0) return limit;
    if (errno != ENOENT && errno != ENOTDIR) break;
    const QString parent = QFileInfo(at).path();
    if (parent == at) break;
    at = parent;
  }
  return NAME_MAX;
}

bool Name(const QString& from, const QString& to) {
  if (from.isEmpty() || to.isEmpty()) return false;
  return files::renameNoReplace(QFile::encodeName(from).toStdString(), QFile::encodeName(to).toStdString());
}

QString SystemReason(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

QByteArray Ansi(const QString& text) { return text.toLocal8Bit(); }

}  // namespace rt
