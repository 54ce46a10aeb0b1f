#include "platform/files/atomic_file.h"

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/files/folder_of.h"
#include "platform/files/move_no_replace.h"
#include "platform/files/stale_temps.h"

namespace files {

namespace {

constexpr int kMaxLinkHops = 40;  // the kernel's own limit

// The file a chain of symbolic links ends at (which may not exist yet); the
// path itself when it is no link, or when the chain loops.
std::string followLinks(const std::string& path) {
  std::string at = path;
  for (int hop = 0; hop < kMaxLinkHops; ++hop) {
    char buffer[PATH_MAX];
    const ssize_t n = ::readlink(at.c_str(), buffer, sizeof buffer);
    if (n < 0) return at;
    if (static_cast<std::size_t>(n) == sizeof buffer) return path;
    const std::string link(buffer, static_cast<std::size_t>(n));
    at = link.front() == '/' ? link : folderOf(at) + "/" + link;
  }
  return path;
}

std::string nameOf(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

AtomicFile::AtomicFile(std::string path) : path_(std::move(path)) {}

AtomicFile::~AtomicFile() = default;

bool AtomicFile::note(const Failure& failure) {
  if (!failure_.failed()) failure_ = failure;
  file_.reset();
  return false;
}

bool AtomicFile::open() {
  if (path_.empty()) return note({Step::OpenFolder, ENOENT});
  target_ = followLinks(path_);
  const std::string folder = folderOf(target_);
  removeStaleTemps(folder);
  folder_ = std::make_unique<Folder>(folder);
  file_ = std::make_unique<NewFile>(*folder_);
  if (file_->failure().failed()) return note(file_->failure());
  // A rewritten settings file keeps its mode.
  struct stat existing {};
  if (::fstatat(folder_->fd(), nameOf(target_).c_str(), &existing, AT_SYMLINK_NOFOLLOW) == 0 &&
      S_ISREG(existing.st_mode))
    ::fchmod(file_->fd(), existing.st_mode & 07777);
  return true;
}

bool AtomicFile::write(const void* data, std::size_t size) {
  if (!file_) return false;
  return file_->write(data, size) || note(file_->failure());
}

bool AtomicFile::commit(Commit mode, Flush flush) {
  if (!file_) return false;
  if (mode == Commit::NoReplace && target_ != path_) return note({Step::Claim, EEXIST});
  // A link under the name takes the name for a no-replace commit; the
  // replacing one goes to the link's target.
  const Claimed done =
      mode == Commit::Replace ? file_->replace(nameOf(target_), flush == Flush::Now) : file_->claim(nameOf(path_));
  if (!done.stands) return note(done.failure);
  file_.reset();
  if (done.failure.failed()) failure_ = done.failure;
  return !done.failure.failed();
}

bool writeFileAtomically(const std::string& path, const void* data, std::size_t size, Commit mode, Flush flush) {
  AtomicFile file(path);
  return file.open() && file.write(data, size) && file.commit(mode, flush);
}

bool renameNoReplace(const std::string& from, const std::string& to) {
  return moveNoReplace(AT_FDCWD, from.c_str(), to.c_str());
}

}  // namespace files
