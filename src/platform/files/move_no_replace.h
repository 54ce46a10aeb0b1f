#pragma once
// Moving a file to a name that must not exist yet. Not every file system
// offers an atomic no-replace rename or hard links (FUSE exFAT and ntfs-3g
// on camera cards, some network file systems); the move falls back step by
// step and keeps the promise on each: the name is first claimed with an
// exclusive create, and only that placeholder, which is ours, is replaced.
// Names are taken relative to folder descriptors and never followed: a link
// standing under the name takes the name like any file.

namespace files {

// The system calls the move is built on; each returns 0, or -1 with errno
// set. Tests replace them to play a file system that lacks some.
struct MoveCalls {
  int (*renameNoReplace)(int fromDir, const char* from, int toDir, const char* to);
  int (*link)(int fromDir, const char* from, int toDir, const char* to);
};
MoveCalls& moveCalls();
MoveCalls systemMoveCalls();

// The answers of a file system (or kernel) that lacks a call, as opposed to
// one that refused this particular move.
bool unsupported(int error);

// False when `from` is missing, `to` exists (as anything, even a dangling
// link) or the folder refuses; errno tells why. Both in the folder `dir`
// (AT_FDCWD for paths).
bool moveNoReplace(int dir, const char* from, const char* to);

// Only the last resort of moveNoReplace, for a caller that goes through the
// other steps itself.
bool moveOverPlaceholder(int dir, const char* from, const char* to);

}  // namespace files
