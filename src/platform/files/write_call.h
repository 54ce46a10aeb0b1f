#pragma once
// The system call that puts a file's bytes on disk. Tests replace it to play
// a disk that fills up part-way through a file, which no unprivileged test
// can make a real file system do.

#include <sys/types.h>

#include <cstddef>

namespace files {

// Answers the bytes written, or -1 with errno set.
using WriteCall = ssize_t (*)(int fd, const void* data, std::size_t size);
WriteCall& writeCall();
WriteCall systemWriteCall();

}  // namespace files
