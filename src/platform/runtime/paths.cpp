#include "platform/runtime/paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <cerrno>
#include <climits>
#include <dirent.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <memory>
#include <vector>

#include "platform/files/atomic_file.h"

namespace rt {

QString PicturesFolder() {
  QString folder = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
  if (folder.isEmpty()) folder = QDir::homePath() + "/Pictures";
  return folder;
}

QString DefaultPicturePath(const QString& fileName) { return PicturesFolder() + '/' + fileName; }

void SettleHome() {
  const QByteArray home = qgetenv("HOME");
  if (!home.isEmpty() && home.startsWith('/')) return;
  const long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(static_cast<std::size_t>(size > 0 ? size : 16384));
  passwd entry{};
  passwd* found = nullptr;
  if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_dir &&
      found->pw_dir[0] == '/')
    ::setenv("HOME", found->pw_dir, 1);
}

int EnsurePicturesFolderFor(const QString& path) {
  const QString folder = QDir::cleanPath(QFileInfo(path).absolutePath());
  if (folder != QDir::cleanPath(PicturesFolder()) || QFileInfo::exists(folder)) return 0;
  if (folder.contains(QChar::ReplacementCharacter)) return EILSEQ;
  // Each missing folder from the top down, so that the one that fails names
  // the real cause (mkpath only answers false).
  QStringList missing;
  for (QString at = folder; !QFileInfo::exists(at) && at != QFileInfo(at).path(); at = QFileInfo(at).path())
    missing.prepend(at);
  for (const QString& at : missing)
    if (::mkdir(QFile::encodeName(at).constData(), 0777) != 0 && errno != EEXIST) return errno;
  return 0;
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

std::optional<std::unordered_set<std::string>> FolderEntries(const QString& folder) {
  const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(QFile::encodeName(folder).constData()), ::closedir);
  if (!dir) return std::nullopt;
  std::unordered_set<std::string> names;
  errno = 0;
  while (const dirent* entry = ::readdir(dir.get())) names.emplace(entry->d_name);
  if (errno != 0) return std::nullopt;
  return names;
}

bool Name(const QString& from, const QString& to) {
  if (from.isEmpty() || to.isEmpty()) return false;
  return files::renameNoReplace(QFile::encodeName(from).toStdString(), QFile::encodeName(to).toStdString());
}

QString SystemReason(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

QByteArray Ansi(const QString& text) { return text.toLocal8Bit(); }

}  // namespace rt
