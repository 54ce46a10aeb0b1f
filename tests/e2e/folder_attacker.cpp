// The other member of a shared picture folder's group, as the shared-folder
// tests run it (as a user of its own): it watches the folder with inotify
// and acts on every entry the instant it appears.
//
//   folder_attacker symlink <folder> <target>    every second temporary of the
//       writer is replaced by a symbolic link to <target>, and once a numbered
//       name appears, the next number is taken by such a link
//   folder_attacker hardlink <folder> <baits>    the same with hard links: each
//       swap moves in one of the files of the folder <baits>
//   folder_attacker read <folder>                every new entry is opened for
//       reading
//
// It prints "ready" once it watches, runs until its standard input closes,
// then prints what it did: "swapped N planted N refused N opened N".
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

struct Attacker {
  std::string mode, target;
  int dir = -1, baitDir = -1;
  std::vector<std::string> baits;
  int swapped = 0, planted = 0, refused = 0, opened = 0, temporaries = 0, own = 0;

  // A fresh entry of ours for `name`: a symbolic link or the next bait.
  bool putLinkAt(const char* name) {
    if (mode == "hardlink") return moveBait(name, true);
    const std::string link = ".atk-" + std::to_string(++own);
    if (::symlinkat(target.c_str(), dir, link.c_str()) != 0) return false;
    if (::renameat(dir, link.c_str(), dir, name) == 0) return true;
    ::unlinkat(dir, link.c_str(), 0);
    return false;
  }

  // Moves the next bait to `name`; over what is there only with `replace`.
  bool moveBait(const char* name, bool replace) {
    if (baits.empty() || ::renameat2(baitDir, baits.back().c_str(), dir, name, replace ? 0 : RENAME_NOREPLACE) != 0)
      return false;
    baits.pop_back();
    return true;
  }

  bool isOurs(const char* name) {
    struct stat st {};
    return std::strncmp(name, ".atk-", 5) == 0 ||
           (::fstatat(dir, name, &st, AT_SYMLINK_NOFOLLOW) == 0 && (S_ISLNK(st.st_mode) || st.st_nlink > 1));
  }

  // "MOR0007.jpg" gives "MOR0008.jpg"; empty for a name without a counter.
  static std::string nextNumber(const std::string& name) {
    const std::size_t dot = name.rfind('.');
    if (name[0] == '.' || dot == std::string::npos) return {};
    std::size_t first = dot;
    while (first > 0 && name[first - 1] >= '0' && name[first - 1] <= '9') --first;
    if (first == dot) return {};
    std::string digits = std::to_string(std::stol(name.substr(first, dot - first)) + 1);
    if (digits.size() < dot - first) digits.insert(0, dot - first - digits.size(), '0');
    return name.substr(0, first) + digits + name.substr(dot);
  }

  void onEntry(const char* name) {
    if (mode == "read") {
      const int fd = ::openat(dir, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
      if (fd >= 0) {
        ++opened;
        std::fprintf(stderr, "opened %s\n", name);
        ::close(fd);
      } else if (errno == EACCES) {
        ++refused;
      }
      return;
    }
    if (isOurs(name)) return;
    if (std::strncmp(name, ".vic-", 5) == 0) {
      // Every second one only, so that some captures get through and their
      // next names can be taken too.
      if (++temporaries % 2 == 0) return;
      if (putLinkAt(name)) ++swapped;
      else ++refused;
      return;
    }
    const std::string next = nextNumber(name);
    struct stat st {};
    if (!next.empty() && ::fstatat(dir, next.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
      // Taken without replacing: a name the writer is about to claim.
      if (mode == "symlink" ? ::symlinkat(target.c_str(), dir, next.c_str()) == 0 : moveBait(next.c_str(), false))
        ++planted;
      else
        ++refused;
    }
  }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  Attacker a;
  a.mode = argv[1];
  a.dir = ::open(argv[2], O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (argc > 3) a.target = argv[3];
  if (a.dir < 0) return 1;
  if (a.mode == "hardlink") {
    a.baitDir = ::open(argv[3], O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* baits = ::opendir(argv[3]);
    if (a.baitDir < 0 || baits == nullptr) return 1;
    while (const dirent* e = ::readdir(baits))
      if (e->d_name[0] != '.') a.baits.emplace_back(e->d_name);
    ::closedir(baits);
  }
  const int watch = ::inotify_init1(IN_CLOEXEC);
  if (watch < 0 || ::inotify_add_watch(watch, argv[2], IN_CREATE | IN_MOVED_TO) < 0) return 1;
  std::printf("ready\n");
  std::fflush(stdout);

  alignas(inotify_event) char buffer[64 * 1024];
  pollfd fds[2] = {{watch, POLLIN, 0}, {0, POLLIN, 0}};
  while (::poll(fds, 2, -1) >= 0 && !(fds[1].revents & (POLLIN | POLLHUP))) {
    const ssize_t n = ::read(watch, buffer, sizeof buffer);
    for (ssize_t at = 0; at < n;) {
      const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
      if (event->len > 0) a.onEntry(event->name);
      at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
    }
  }
  std::printf("swapped %d planted %d refused %d opened %d\n", a.swapped, a.planted, a.refused, a.opened);
  return 0;
}
