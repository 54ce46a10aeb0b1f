#pragma once
// The system calls that end a file's write: the flush of its data, the
// flush of its folder and its close. Tests replace them to play a medium
// that fails part-way (a failing USB stick, a share that lost its server),
// which no unprivileged test can make a real file system do.

namespace files {

// Each returns 0, or -1 with errno set.
struct FileCalls {
  int (*dataSync)(int fd);
  int (*folderSync)(int fd);
  int (*close)(int fd);
};
FileCalls& fileCalls();
FileCalls systemFileCalls();

}  // namespace files
