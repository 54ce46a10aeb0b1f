#pragma once
// New files in a folder, made so that no name in the folder is ever
// followed: the folder is held open and every name is looked up relative to
// it, the file is written under an exclusive temporary name of ours and
// takes its final name only with a rename that never replaces. A link
// planted under a name takes that name like any file, and nothing is
// written through it.
//
// New files get the mode the kernel gives 0666 under the user's umask (or
// the folder's default ACL), never another file's mode. Every step is
// checked, and a failure tells the step and the system's reason.

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/files/unique_fd.h"

namespace files {

enum class Step {
  None,
  OpenFolder,   // the folder cannot be opened
  Create,       // the temporary file cannot be created
  Write,
  Flush,        // the file's data did not reach the medium
  Claim,        // the final name cannot be taken (EEXIST: it is taken)
  Close,
  FlushFolder,  // the folder entry of the new name did not reach the medium
};

struct Failure {
  Step step = Step::None;
  int error = 0;  // errno
  bool failed() const { return step != Step::None; }
  bool operator==(const Failure&) const = default;
};

// What claiming a name left: `stands` when the whole file is under its name,
// `durable` when its data and its folder entry are on the medium too.
struct Claimed {
  bool stands = false;
  bool durable = false;
  Failure failure;
};

// A folder held open for the files made in it. The path itself is followed
// as the user gave it; only the names in it are not.
class Folder {
 public:
  explicit Folder(std::string path);
  bool isOpen() const { return fd_.get() >= 0; }
  int error() const { return error_; }
  int fd() const { return fd_.get(); }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
  UniqueFd fd_;
  int error_ = 0;
};

// The block every direct write is made of (a multiple of any device's).
constexpr std::size_t kDirectBlock = 4096;

class NewFile {
 public:
  // Creates the temporary file; failure() tells when it could not.
  explicit NewFile(const Folder& folder);
  ~NewFile();  // removes the temporary file unless it took a name
  NewFile(const NewFile&) = delete;
  NewFile& operator=(const NewFile&) = delete;

  const Failure& failure() const { return failure_; }
  bool write(const void* data, std::size_t size);
  // Writes at `offset` from the file's start; later writes go on from there.
  bool writeAt(std::int64_t offset, const void* data, std::size_t size);
  // The same as write(), but the whole kDirectBlock blocks of `data` go
  // straight to the device (O_DIRECT), not through the page cache, when
  // `data` and the file's offset lie on such a block and the file system
  // takes it; the rest is written as write() does. For megabytes written
  // once and flushed: the copy into fresh page-cache memory costs more
  // processor time than the device's own transfer.
  bool writeDirect(const void* data, std::size_t size);
  // Starts putting what was written on the medium without waiting, so that
  // the flush at the claim finds it done (a hint: not checked).
  void startWriteBack();
  // Flushes the data, takes `name` (a plain name in the folder) without
  // replacing anything, closes and flushes the folder. When the name is
  // taken (Step::Claim, EEXIST) the file stays ready to claim another.
  Claimed claim(const std::string& name);
  // For a name that is replaced in one step (settings files, which are
  // rewritten, never numbered). Without `durable` neither the data nor the
  // folder is flushed: the file takes its name whole but may still be in
  // memory only.
  Claimed replace(const std::string& name, bool durable = true);
  int fd() const { return fd_.get(); }

 private:
  bool flush();
  bool move(const std::string& name);
  Claimed finish(bool flushFolder);
  bool fail(Step step, int error);
  void discard();

  const Folder& folder_;
  UniqueFd fd_;
  std::string temp_;
  std::string created_;  // temp_ as made; the claim may rename it on the way
  Failure failure_;
  bool flushed_ = false;
};

// A temporary of ours that is on its way to the name after its dot:
// ".vic-XXXXXX.MOR0001.jpg" for "MOR0001.jpg"; the claim on a file system
// without no-replace renames and links renames the temporary so first, so
// that a crash before the end leaves a picture the next write can finish.
// Empty when `entry` is no such name.
std::string pendingTarget(const std::string& entry);

}  // namespace files
