#include "platform/scan/scanner.h"

#include <sane/saneopts.h>
#include <sys/stat.h>

#include <QPointer>
#include <QWidget>
#include <memory>
#include <string>
#include <utility>

#include "platform/files/atomic_file.h"
#include "platform/runtime/dialogs.h"
#include "platform/runtime/paths.h"
#include "platform/scan/image_files.h"
#include "platform/scan/sane_device.h"
#include "platform/scan/sane_library.h"
#include "platform/scan/sane_options.h"
#include "platform/scan/sane_page.h"
#include "platform/scan/scan_dialog_progress.h"
#include "platform/scan/scan_dialog_scan.h"
#include "platform/scan/scan_dialog_select.h"
#include "platform/scan/scanner_choice.h"
#include "platform/pictures/picture_store.h"

namespace scan {

namespace {

struct Session {
  Session() { sane::anchor(); }
  ~Session() { device.reset(); }

  QString title = "Scanner";
  bool suppressMessages = false;
  bool multiTransfer = false;
  std::unique_ptr<SaneDevice> device;
  QString sourceText;  // what the prompt calls the open source
  ScanOffer offer;     // what the open source offers
  ScanSettings settings;  // and what it is set to
  bool feeder = false;
  bool busy = false;
  bool closeRequested = false;
  ScanProgress* reading = nullptr;
  // One progress window for the pages of a feeder; one per page otherwise.
  std::unique_ptr<ScanProgress> progress;
  int pagesStarted = 0;  // since the source was opened
  PageMemory memory;     // the buffers of the open source's pages
  Failure failure;
};

Session& session() {
  static Session s;
  return s;
}

// Every failure is kept for lastFailure(), shown or not.
void report(const QString& text, bool pageLost = false) {
  session().failure = {text, pageLost};
  if (!session().suppressMessages) rt::MsgBox(text, rt::vbOKOnly | rt::vbInformation, session().title);
}

QWidget* ownerWindow(win::HWND owner) {
  QWidget* widget = win::widgetOf(owner);
  return widget ? widget->window() : nullptr;
}

bool nameTaken(const char* path) {
  struct stat st;
  return ::lstat(path, &st) == 0;
}

// A dialog with an owner window, which a handler running meanwhile may
// close, taking the dialog with it.
template <class Dialog>
class Owned {
 public:
  explicit Owned(Dialog* dialog) : dialog_(dialog) {}
  ~Owned() { delete dialog_.data(); }
  Owned(const Owned&) = delete;
  Owned& operator=(const Owned&) = delete;
  int run() {
    const bool accepted = dialog_ && rt::RunModal(*dialog_) == QDialog::Accepted;
    return accepted && dialog_ ? QDialog::Accepted : QDialog::Rejected;
  }
  Dialog* get() const { return dialog_.data(); }

 private:
  QPointer<Dialog> dialog_;
};

void closeDevice() {
  session().progress.reset();
  session().pagesStarted = 0;
  session().device.reset();
  session().memory = {};
  session().closeRequested = false;
}

// Marks the session busy for one page, and honours a close that was asked
// for while the page was read.
class BusyGuard {
 public:
  BusyGuard() { session().busy = true; }
  ~BusyGuard() {
    session().busy = false;
    session().reading = nullptr;
    if (session().closeRequested || !session().multiTransfer) closeDevice();
  }
  BusyGuard(const BusyGuard&) = delete;
  BusyGuard& operator=(const BusyGuard&) = delete;
};

Acquire failure(const PageResult& page) {
  switch (page.outcome) {
    case PageOutcome::NoDocuments: return Acquire::NoDocuments;
    case PageOutcome::Cancelled:
      session().failure.cancelled = true;
      return Acquire::Cancelled;
    case PageOutcome::BadData:
      report("The scanner sent an incomplete page; it was not saved.", true);
      return Acquire::BadPage;
    default:
      report(QString::fromStdString(sane::statusText(page.status)));
      return Acquire::DeviceError;
  }
}

// Selects the chosen source and the device's settings; false (with the
// reason told) when the source cannot be selected.
bool configure(SaneDevice& device, const SourceChoice& choice) {
  if (!choice.source.empty()) {
    const SANE_Status status = device.setStringOption(SANE_NAME_SCAN_SOURCE, choice.source);
    if (status != SANE_STATUS_GOOD) {
      report(QString::fromStdString("Cannot select " + choice.source + " on " + choice.device + ": " +
                                    sane::statusText(status)));
      return false;
    }
  }
  Session& s = session();
  s.offer = readOffer(device);
  s.settings = fitSettings(storedSettings(choice.device), s.offer);
  // Every value comes from the device's own constraints; one it still turns
  // down leaves its own, which the page then records.
  applySettings(device, s.offer, s.settings);
  return true;
}

// Settings changed before a flatbed page apply from that page on, and are
// kept for the device.
void changeSettings(const ScanSettings& chosen) {
  Session& s = session();
  if (chosen == s.settings) return;
  s.settings = chosen;
  applySettings(*s.device, s.offer, chosen);
  storeSettings(s.device->name(), chosen);
}

bool lineartChosen() {
  const Session& s = session();
  return s.settings.mode == ColourMode::Lineart && findMode(s.offer, ColourMode::Lineart);
}

// Line art is kept as black and white, whichever depth the device sent it in.
void markLineart(Image& image) {
  if (image.channels == 1 && lineartChosen()) image.bilevel = true;
}

QString cannotWrite(const char* path, int error) {
  return "Cannot write " + QString::fromLocal8Bit(path) + (error != 0 ? ": " + rt::SystemReason(error) : QString()) +
         ".";
}

// The page read from the device, or its failure; the progress window stays
// up for the next page of a feeder.
PageResult readNextPage(QPointer<QWidget> owner, pictures::PageStream* stream) {
  Session& s = session();
  if (!s.progress) s.progress = std::make_unique<ScanProgress>(owner.data(), s.title);
  s.progress->startPage(++s.pagesStarted);
  const auto [xDpi, yDpi] = resolutionOf(*s.device);
  s.reading = s.progress.get();
  PageResult page = readPage(*s.device, *s.progress, xDpi, yDpi, &s.memory, stream);
  s.reading = nullptr;
  if (page.outcome != PageOutcome::Scanned || !s.feeder) s.progress.reset();
  return page;
}

// A page read into memory, or why none was.
AcquiredPage acquireToMemory(QPointer<QWidget> owner, pictures::PageStream* stream) {
  Session& s = session();
  if (!s.device) {
    report("No scanner is open.");
    return {Acquire::NoSource, std::nullopt};
  }
  BusyGuard guard;
  if (!s.feeder) {
    Owned<ScanPromptDialog> prompt(new ScanPromptDialog(owner, s.title, s.sourceText, s.offer, s.settings));
    if (prompt.run() != QDialog::Accepted || s.closeRequested || !prompt.get()) return {Acquire::Cancelled, std::nullopt};
    changeSettings(prompt.get()->settings());
  }
  // Line art is made black and white from the whole page.
  PageResult page = readNextPage(owner, lineartChosen() ? nullptr : stream);
  if (page.outcome != PageOutcome::Scanned) return {failure(page), std::nullopt};
  if (!s.feeder) s.device->cancel();  // ends this acquisition; the next page starts a new one
  if (s.closeRequested) return {Acquire::Cancelled, std::nullopt};
  if (page.streamed) return {Acquire::Acquired, std::nullopt, true};
  markLineart(*page.image);
  return {Acquire::Acquired, std::move(page.image)};
}

Acquire acquire(QPointer<QWidget> owner, const char* path) {
  if (session().device && nameTaken(path)) {
    report(QString::fromLocal8Bit(path) + " exists already; it was left as it is.");
    return Acquire::NameExists;
  }
  AcquiredPage page = acquireToMemory(owner, nullptr);
  if (!page.image) return page.result;
  const pictures::StoreResult stored = pictures::storePicture(pageOf(std::move(*page.image)), path, pictures::Format::Bmp);
  if (stored.saved()) return Acquire::Acquired;
  if (stored.failure == files::Failure{files::Step::Claim, EEXIST}) {
    report(QString::fromLocal8Bit(path) + " exists already; it was left as it is.", true);
    return Acquire::NameExists;
  }
  report(cannotWrite(path, stored.failure.error), true);
  return Acquire::WriteFailed;
}

}  // namespace

bool shutdownScanner() {
  if (session().busy) return false;
  closeDevice();
  sane::shutdown();
  return true;
}

SaneDevice* openSource() { return session().device.get(); }

bool feederOpen() { return session().device && session().feeder; }

Failure lastFailure() { return session().failure; }

}  // namespace scan

using scan::session;

std::int32_t TWAIN_SetAppTitle(const char* title) {
  session().title = title ? QString::fromLocal8Bit(title) : QString();
  return 1;
}

std::int32_t TWAIN_SelectImageSource(win::HWND owner) {
  scan::Session& s = session();
  if (s.busy) return 0;
  scan::Owned<scan::SelectSourceDialog> dialog(new scan::SelectSourceDialog(
      scan::ownerWindow(owner), s.title, scan::listSources(s.device.get()), scan::defaultChoice()));
  if (dialog.run() != QDialog::Accepted) return 0;
  const auto chosen = dialog.get()->selected();
  if (!chosen) return 0;
  if (!scan::storeChoice(*chosen) || !scan::storeSettings(chosen->device, dialog.get()->selectedSettings())) {
    scan::report("The choice of scanner could not be saved.");
    return 0;
  }
  return 1;
}

std::int32_t TWAIN_OpenDefaultSource() {
  scan::Session& s = session();
  if (s.busy) return 0;
  s.failure = {};
  scan::closeDevice();
  const auto choice = scan::defaultChoice();
  if (!choice) {
    scan::report("No scanner was found.");
    return 0;
  }
  SANE_Status status = SANE_STATUS_GOOD;
  auto device = scan::SaneDevice::open(choice->device, status);
  if (!device) {
    scan::report(QString::fromStdString("Cannot open " + choice->device + ": " + scan::sane::statusText(status)));
    return 0;
  }
  if (!scan::configure(*device, *choice)) return 0;
  const std::string source = device->stringOption(SANE_NAME_SCAN_SOURCE).value_or("");
  s.feeder = scan::isFeederSource(source);
  // Only the prompt before each page names the source; a feeder has none.
  if (!s.feeder) {
    scan::SourceEntry entry;
    entry.choice = {choice->device, source};
    entry.description = scan::deviceDescription(choice->device);
    s.sourceText = scan::describe(entry);
  }
  s.device = std::move(device);
  return 1;
}

std::int32_t TWAIN_AcquireToFilename(win::HWND owner, const char* path) {
  if (session().busy) return static_cast<std::int32_t>(scan::Acquire::Busy);
  session().failure = {};
  const scan::Acquire result = path && *path ? scan::acquire(scan::ownerWindow(owner), path) : scan::Acquire::BadPath;
  return static_cast<std::int32_t>(result);
}

scan::AcquiredPage scan::acquirePage(win::HWND owner, pictures::PageStream* stream) {
  if (session().busy) return {Acquire::Busy, std::nullopt};
  session().failure = {};
  return acquireToMemory(ownerWindow(owner), stream);
}

std::int32_t TWAIN_SuppressErrorMessages(std::int32_t suppress) {
  const bool previous = std::exchange(session().suppressMessages, suppress != 0);
  return previous ? 1 : 0;
}

std::int32_t TWAIN_SetMultiTransfer(std::int32_t on) {
  const bool previous = std::exchange(session().multiTransfer, on != 0);
  return previous ? 1 : 0;
}

std::int32_t TWAIN_CloseSource() {
  scan::Session& s = session();
  const bool open = s.device != nullptr;
  if (s.busy) {
    s.closeRequested = true;
    if (s.reading) s.reading->requestCancel();
  } else {
    scan::closeDevice();
  }
  return open ? 1 : 0;
}
