#pragma once
// Writes a file so that no reader ever sees it half-written: the bytes go to
// a temporary file in the target's folder (new_file.h), are flushed to disk,
// and only then take the final name. A failure at any step leaves nothing
// behind.
//
// This is the writer of the settings files, the one place where a name is
// followed: a settings file that is a symbolic link (the dotfile case) is
// written through, the link stays and its target gets the new content, in
// its mode (Commit::Replace; for Commit::NoReplace a link is a taken name).
// Pictures go through the picture store, which follows no name.

#include <cstddef>
#include <memory>
#include <string>

#include "platform/files/new_file.h"

namespace files {

enum class Commit {
  Replace,    // an existing file of that name is replaced in one step
  NoReplace,  // the commit fails when the name already exists
};

enum class Flush {
  Now,    // the file and its name are on disk when the commit returns
  Later,  // the file takes its name complete but may still be in memory only
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
  int error() const { return failure_.error; }  // errno of the first failure, 0 if none
  const Failure& failure() const { return failure_; }

 private:
  bool note(const Failure& failure);
  std::string path_;
  std::string target_;  // path_ with symbolic links followed
  std::unique_ptr<Folder> folder_;
  std::unique_ptr<NewFile> file_;
  Failure failure_;
};

// Writes a whole buffer in one go.
bool writeFileAtomically(const std::string& path, const void* data, std::size_t size, Commit mode,
                         Flush flush = Flush::Now);

// Renames without ever replacing: fails, with errno set, when `from` is
// missing or `to` exists.
bool renameNoReplace(const std::string& from, const std::string& to);

}  // namespace files
