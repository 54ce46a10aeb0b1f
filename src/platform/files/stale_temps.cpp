#include "platform/files/stale_temps.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <mutex>
#include <vector>

#include "platform/files/file_calls.h"
#include "platform/files/move_no_replace.h"
#include "platform/files/new_file.h"
#include "platform/files/unique_fd.h"

namespace files {

namespace {

constexpr std::string_view kPrefix = ".vic-";
constexpr std::size_t kSuffixLength = 6;
constexpr auto kStaleAfter = std::chrono::minutes(1);

bool isStale(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  const auto changed = std::chrono::system_clock::from_time_t(st.st_mtim.tv_sec);
  return std::chrono::system_clock::now() - changed > kStaleAfter;
}

void removeIfUnlocked(const std::string& path) {
  const UniqueFd fd(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  if (fd.get() < 0 || ::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) return;
  ::unlink(path.c_str());
}

// Once a minute per folder and kind of look. A scanner run's pages are
// written on a thread of their own, so the record is shared.
bool dueFor(const std::string& key) {
  static std::mutex guard;
  static std::map<std::string, std::chrono::steady_clock::time_point> lastLook;
  const std::lock_guard lock(guard);
  const auto now = std::chrono::steady_clock::now();
  const auto last = lastLook.find(key);
  if (last != lastLook.end() && now - last->second < kStaleAfter) return false;
  lastLook[key] = now;
  return true;
}

std::vector<std::string> entriesOf(const Folder& folder) {
  std::vector<std::string> names;
  const int fd = ::openat(folder.fd(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return names;
  DIR* dir = ::fdopendir(fd);
  if (dir == nullptr) {
    ::close(fd);
    return names;
  }
  while (const dirent* entry = ::readdir(dir)) names.emplace_back(entry->d_name);
  ::closedir(dir);
  return names;
}

bool finishPending(const Folder& folder, const std::string& entry, const std::string& target, WholeCheck whole) {
  const int dir = folder.fd();
  const UniqueFd fd(::openat(dir, entry.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  struct stat st {};
  // Only our own: in a shared folder another user's file could otherwise be
  // given a name by us, over a placeholder of ours.
  if (fd.get() < 0 || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) return false;
  // A running writer holds its lock until the name is taken.
  if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0 || !whole(fd.get(), target)) return false;
  struct stat placeholder {};
  if (::fstatat(dir, target.c_str(), &placeholder, AT_SYMLINK_NOFOLLOW) != 0)
    return errno == ENOENT && moveOverPlaceholder(dir, entry.c_str(), target.c_str());
  if (!S_ISREG(placeholder.st_mode) || placeholder.st_size != 0 || placeholder.st_uid != ::geteuid()) return false;
  return ::renameat(dir, entry.c_str(), dir, target.c_str()) == 0;
}

}  // namespace

bool isTempName(std::string_view name) {
  return name.size() == kPrefix.size() + kSuffixLength && name.substr(0, kPrefix.size()) == kPrefix;
}

void removeStaleTempsNow(const std::string& folder) {
  std::error_code error;
  for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    const std::string name = it->path().filename().string();
    if (!isTempName(name)) continue;
    const std::string path = it->path().string();
    if (isStale(path)) removeIfUnlocked(path);
  }
}

void removeStaleTemps(const std::string& folder) {
  if (dueFor(folder)) removeStaleTempsNow(folder);
}

int recoverPending(const Folder& folder, WholeCheck whole) {
  if (!folder.isOpen()) return 0;
  int finished = 0;
  for (const std::string& entry : entriesOf(folder)) {
    const std::string target = pendingTarget(entry);
    if (!target.empty() && finishPending(folder, entry, target, whole)) ++finished;
  }
  if (finished > 0) fileCalls().folderSync(folder.fd());
  return finished;
}

void tidyFolder(const Folder& folder, WholeCheck whole) {
  if (!dueFor("\n" + folder.path())) return;
  removeStaleTemps(folder.path());
  recoverPending(folder, whole);
}

}  // namespace files
