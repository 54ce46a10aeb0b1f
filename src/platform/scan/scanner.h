#pragma once
// Scanners, reached through SANE: choosing the default scanner and source,
// and acquiring pages from it to bitmap files. All calls belong on the GUI
// thread. Text arguments are 8-bit, as file names are on this system.

#include <QString>
#include <cstdint>
#include <optional>

#include "platform/scan/image_data.h"

#include "platform/window/window.h"

// Keeps the title shown as the caption of the library's windows and message
// boxes. Answers 1.
std::int32_t TWAIN_SetAppTitle(const char* title);

// Modal dialog listing every scanner and each of its sources, with the
// settings the selected one offers; the choice is stored as the default
// source, the settings as the device's. 1 when a source was chosen, 0
// otherwise.
std::int32_t TWAIN_SelectImageSource(win::HWND owner);

// Opens the default source (closing one that is open), selects its source
// and puts it into the resolution, mode and page size kept for the device.
// 1 when open, 0 otherwise.
std::int32_t TWAIN_OpenDefaultSource();

// Acquires one page to `path` as an uncompressed bitmap, never replacing an
// existing file, flushed to disk. Pages from a feeder are taken without asking; for other
// sources the user is asked to place the page first, and may change the
// settings for it. 0 when the page was
// written; otherwise one of scan::Acquire, and nothing was written.
std::int32_t TWAIN_AcquireToFilename(win::HWND owner, const char* path);

// 1: the library shows no message boxes of its own (scan::lastFailure()
// still tells what they would have said). Answers the previous value.
std::int32_t TWAIN_SuppressErrorMessages(std::int32_t suppress);

// 1: the source stays open between pages; 0: it closes after each page.
// Answers the previous value.
std::int32_t TWAIN_SetMultiTransfer(std::int32_t on);

// Cancels a page being read and closes the source. 1 when a source was open.
std::int32_t TWAIN_CloseSource();

namespace pictures {
class PageStream;
}  // namespace pictures

namespace scan {

class SaneDevice;

// The answers of TWAIN_AcquireToFilename: why a page was not written.
enum class Acquire : std::int32_t {
  Acquired = 0,
  Cancelled = 1,    // "Done", Cancel, or the source was closed meanwhile
  NoDocuments = 2,  // the feeder is empty
  DeviceError = 3,  // jammed, cover open, I/O error, ...
  BadPage = 4,      // the device sent data that does not make a whole page
  NoSource = 5,     // no source is open
  NameExists = 6,   // a file of that name exists and is kept
  WriteFailed = 7,  // the file could not be written
  Busy = 8,         // a page is being acquired already
  BadPath = 9,      // no file name
};

// One page acquired as TWAIN_AcquireToFilename does, kept in memory for
// the caller to store, or written into `stream` as it was read when the
// stream could take it (`streamed`, and no image); no image when the answer
// is not Acquired.
struct AcquiredPage {
  Acquire result = Acquire::NoSource;
  std::optional<Image> image;
  bool streamed = false;
};
AcquiredPage acquirePage(win::HWND owner, pictures::PageStream* stream = nullptr);

// Whether the open source is a feeder, which takes its pages without asking.
bool feederOpen();

// Closes any open source and the SANE library; the next call starts afresh
// (reading the backends' configuration again). False, doing nothing, while a
// page is being acquired.
bool shutdownScanner();

// The device of the open source, or nullptr; for device options beyond the
// ones this library sets.
SaneDevice* openSource();

// Why the latest TWAIN_OpenDefaultSource or TWAIN_AcquireToFilename did not
// succeed, in plain words, whether its message was shown or suppressed
// (empty after a success, an empty feeder, "Done" or Cancel); and whether a
// page had been read from the device by then, so that it is lost and must
// be scanned again. `cancelled`: the user stopped a page while it was read
// (Cancel in the progress window), as against "Done" or an empty feeder.
struct Failure {
  QString reason;
  bool pageLost = false;
  bool cancelled = false;
};
Failure lastFailure();

}  // namespace scan
