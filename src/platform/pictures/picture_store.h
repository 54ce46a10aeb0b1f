#pragma once
// The one way a picture reaches the disk: encoded once from its own pixels
// in its final format, written to a temporary file in the target folder,
// flushed, and only then given its numbered name, never replacing anything
// and never following a name in the folder (files/new_file.h). A crash at
// any moment leaves nothing or the whole file under the name.
//
// What the caller gets back says what stands on disk: the final path, the
// format, whether the file is durable, and on failure the step and the
// system's reason.

#include <QImage>
#include <QString>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <string>

#include "platform/files/new_file.h"
#include "platform/pictures/picture.h"

namespace pictures {

struct StoreResult {
  std::string path;      // where the picture went, or was meant to go
  Format format = Format::Bmp;
  bool stands = false;   // the whole file is under `path`
  bool durable = false;  // and its data and name reached the medium
  bool refused = false;  // the picture could not be encoded (nothing written)
  QString refusal;       // why, when the picture's maker knows better than the store
  files::Failure failure;
  QImage picture;        // the picture for the viewer, sharing the frame's pixels
  bool saved() const { return stands && durable; }
};

// Another free numbered name in the same folder when the one tried is
// taken; nothing to give up.
using NextName = std::function<std::optional<std::string>()>;

// A picture encoded and written to its temporary file, its write-back under
// way; it takes its name with finish(). Lets a scanner run read the next
// page while this one reaches the medium.
class PendingPicture {
  friend class PageStream;

 public:
  // Where the encode and the write run: here, before the constructor
  // returns, or on a thread of their own while the caller goes on (a
  // feeder's next page is read meanwhile). finish() waits for that
  // thread; the temporary file is made here either way.
  enum class Prepare { Here, Aside };
  PendingPicture(Picture picture, const std::string& folder, Format format, Prepare where = Prepare::Here);
  ~PendingPicture();
  PendingPicture(const PendingPicture&) = delete;
  PendingPicture& operator=(const PendingPicture&) = delete;

  // Flushes and names the file `path` (in the folder given above); when it
  // is taken, the names `next` gives, up to a limit. Once only.
  StoreResult finish(const std::string& path, const NextName& next = {});
  // Known to have failed already, without waiting: making the temporary,
  // and with Prepare::Here encoding and writing too; finish() tells how.
  bool failed() const;

 private:
  // The temporary made in the folder, nothing written yet.
  PendingPicture(const std::string& folder, Format format);
  void prepare(Picture picture);
  void wait();

  std::future<void> prepared_;
  std::unique_ptr<files::Folder> folder_;
  std::unique_ptr<files::NewFile> file_;
  Format format_;
  QImage picture_;
  bool refused_ = false;
};

// Writes the picture to `path` in `format`, durable before it returns.
StoreResult storePicture(Picture picture, const std::string& path, Format format, const NextName& next = {});

// The answer for a picture that cannot be stored at all, for `why`:
// nothing is written.
StoreResult refusedPicture(const std::string& path, Format format, const QString& why);

// Encodes the rows in `format` into the file; false when they are refused
// or a write failed (`file.failure()` tells).
bool writeRows(const Rows& rows, Format format, files::NewFile& file);

// Whether the open file is whole by the structure of the format its target
// name's extension asks for: a bitmap as long as its header says, a JPEG
// ending in its end marker, a PDF with its cross-reference table and end
// mark. What a crash left is finished only when it is (files::tidyFolder).
bool isWholePicture(int fd, const std::string& target);

}  // namespace pictures
