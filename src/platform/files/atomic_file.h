#pragma once
// Writes a file so that no reader ever sees it half-written: the bytes go to
// a temporary file in the target's folder, are flushed to disk, and only then
// take the final name. A failure at any step leaves nothing behind.
//
// New files get the mode the user's umask (or the folder's default ACL)
// allows for 0666; a file that is replaced keeps its mode. A name that is a
// symbolic link is written through: the link stays and its target gets the
// new content (Commit::Replace; for Commit::NoReplace a link is a taken name).

#include <cstddef>
#include <string>

namespace files {

enum class Commit {
  Replace,    // an existing file of that name is replaced in one step
  NoReplace,  // the commit fails when the name already exists
};

enum class Flush {
  Now,    // the file and its name are on disk when the commit returns
  Later,  // the file takes its name complete but may still be in memory only;
          // whoever decides it stays calls flushToDisk (durability.h)
};

class AtomicFile {
 public:
  explicit AtomicFile(std::string path);
  ~AtomicFile();  // discards the temporary file unless committed
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  bool open();  // creates the temporary file; false when the folder is not writable
  bool write(const void* data, std::size_t size);
  bool commit(Commit mode, Flush flush = Flush::Now);  // flush, close, move into place
  const std::string& path() const { return path_; }
  int error() const { return error_; }  // errno of the first failure, 0 if none

 private:
  void discard();
  std::string path_;
  std::string target_;  // path_ with symbolic links followed
  std::string tempPath_;
  int fd_ = -1;
  int error_ = 0;
};

// Writes a whole buffer in one go.
bool writeFileAtomically(const std::string& path, const void* data, std::size_t size, Commit mode,
                         Flush flush = Flush::Now);

// Renames without ever replacing: fails when `from` is missing or `to` exists.
bool renameNoReplace(const std::string& from, const std::string& to);

// The errno of the latest failure of an AtomicFile step or of
// renameNoReplace on this thread, kept until the next failure or
// clearLastError(); so a caller above an interface that answers only
// true/false can still tell the user why.
int lastError();
void clearLastError();

}  // namespace files
