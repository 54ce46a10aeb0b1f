#include "platform/files/stale_temps.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <map>

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
  static std::map<std::string, std::chrono::steady_clock::time_point> lastLook;
  const auto now = std::chrono::steady_clock::now();
  const auto last = lastLook.find(folder);
  if (last != lastLook.end() && now - last->second < kStaleAfter) return;
  lastLook[folder] = now;
  removeStaleTempsNow(folder);
}

}  // namespace files
