#pragma once
// Moving a file to a name that must not exist yet. Not every file system
// offers an atomic no-replace rename or hard links (FUSE exFAT and ntfs-3g
// on camera cards, some network file systems); the move falls back step by
// step and keeps the promise on each: the name is first claimed with an
// exclusive create, and only that placeholder, which is ours, is replaced.

namespace files {

// The system calls the move is built on; each returns 0, or -1 with errno
// set. Tests replace them to play a file system that lacks some.
struct MoveCalls {
  int (*renameNoReplace)(const char* from, const char* to);
  int (*link)(const char* from, const char* to);
};
MoveCalls& moveCalls();
MoveCalls systemMoveCalls();

// False when `from` is missing, `to` exists (as anything, even a dangling
// link) or the folder refuses; errno tells why.
bool moveNoReplace(const char* from, const char* to);

}  // namespace files
