#include "twain/Form2.h"

#include <QCloseEvent>
#include <QFileInfo>

#include "app/Public.h"
#include "app/forms.h"
#include "app/settings_values.h"
#include "devices/EZTwain.h"
#include "platform/files/folder_of.h"
#include "platform/pictures/page_stream.h"
#include "platform/pictures/picture_store.h"
#include "platform/runtime/dialogs.h"
#include "platform/runtime/paths.h"
#include "platform/runtime/program.h"
#include "platform/runtime/settings.h"
#include "platform/runtime/vb.h"
#include "stills/next_name.h"
#include "stills/numbered_name.h"
#include "stills/saved.h"
#include "stills/still_format.h"
#include "stills/viewer.h"
#include "twain/run_outcome.h"
#include "twain/run_report.h"
#include "twain/twain_names.h"

namespace twain {

using app::AppState;

namespace {
// Names skipped in one pass because earlier files hold them; beyond this the
// run stops rather than search on.
constexpr int kMaxNamesTried = 100000;
}  // namespace

// The window's commands are off while a run is under way, and back on however
// the run is left.
class RunScope {
 public:
  explicit RunScope(Form2& form) : form_(form) {
    form_.running_ = true;
    form_.setCommandsEnabled(false);
  }
  ~RunScope() {
    form_.running_ = false;
    form_.setCommandsEnabled(true);
  }
  RunScope(const RunScope&) = delete;
  RunScope& operator=(const RunScope&) = delete;

 private:
  Form2& form_;
};

void Form2::Form_Load() {
  Filename0 = stills::WithRoomForNextName(
      app::TwainPathFromSetting(app::StoredPathSetting()),
      app::DefaultTwainPath());
  loadedPath_ = Filename0;
  stills::SetViewerLabelToPath(Filename0);
}

void Form2::Form_Unload(std::int16_t& Cancel) {
  if (running_) {
    Cancel = rt::True;
    return;
  }
  // Without it the live window would go on from an older number.
  if (const rt::SettingSaved saved = StorePath(); !saved) app::TellPathNotStored(saved);
  // Only the user's close box asks for the live window here; the
  // controller's own switch unloads this window too.
  if (closingByFrame_) AppState.ScreenMode = 1;
}

rt::SettingSaved Form2::StorePath(rt::Durability durability) const {
  return app::StorePath(PathToStore(loadedPath_, lastImage_, runEnded_ || lastImage_.has_value(), AppState.FileExt),
                        durability);
}

void Form2::RequestEnd() {
  if (running_) endRequested_ = true;
  else mnuExit_Click();
}

void Form2::closeEvent(QCloseEvent* event) {
  closingByFrame_ = true;
  app::Form2Design::closeEvent(event);
  closingByFrame_ = false;
}

void Form2::mnuSelectDevice_Click() {
  if (running_) return;
  TWAIN_SetAppTitle(rt::Ansi(app::kTwainAppTitle).constData());
  TWAIN_SelectImageSource(hWnd());
}

void Form2::mnuCapture_Click() {
  if (running_) return;
  AcquireRun();
}

void Form2::mnuLive_Click() {
  if (running_) return;
  AppState.ScreenMode = 1;
}

void Form2::mnuExit_Click() {
  if (running_) return;
  app::frmControl.Unload();
  app::Form2.Unload();
  rt::End();
}

void Form2::mnuAbout_Click() {
  if (running_) return;
  app::frmAbout.Show();
}

void Form2::AcquireRun() {
  {
    RunScope scope(*this);
    RunReport report;
    stills::ShowViewer();
    showAgain();
    TWAIN_SetAppTitle(rt::Ansi(app::kTwainAppTitle).constData());
    const bool sourceOpen = TWAIN_OpenDefaultSource() != 0;
    const scan::Failure opening = scan::lastFailure();
    const std::int32_t wasSuppressed = TWAIN_SuppressErrorMessages(1);
    TWAIN_SetMultiTransfer(1);
    outcome_ = {};
    if (!sourceOpen) {
      outcome_.cause = opening.reason;
      outcome_.causeShown = wasSuppressed == 0;
    }
    while (!endRequested_ && AcquirePass(sourceOpen)) {
    }
    FinishPage();
    report.setPages(outcome_.pagesWritten);
    TWAIN_CloseSource();
    // Whoever silenced the library before the run gets it back that way.
    TWAIN_SuppressErrorMessages(wasSuppressed);
    runEnded_ = true;
    stills::NoteScannerRun(SummaryOf(outcome_));
    // Told while the run still holds the window, which the controller
    // would otherwise unload under the message box.
    const QString told = RunOutcomeMessage(outcome_);
    if (!told.isEmpty() && !endRequested_) rt::MsgBox(told, rt::vbOKOnly | rt::vbInformation, app::kAppTitle);
  }
  if (endRequested_) mnuExit_Click();
  else mnuLive_Click();
}

// One page; false when none was acquired or the page before could not be
// saved, which ends the run. The page before reaches the medium while this
// one is read, and takes its name once this one is in memory.
bool Form2::AcquirePass(bool sourceOpen) {
  const QString fileExt = AppState.FileExt;
  const auto names = NextPassNames(Filename0, fileExt, stills::TakenNames(), kMaxNamesTried);
  if (!names) {
    FinishPage();
    outcome_.cause = "No free numbered file name follows " + Filename0 + ".";
    return false;
  }
  if (const int error = rt::EnsurePicturesFolderFor(names->target)) {
    FinishPage();
    outcome_.cause = QFileInfo(names->target).absolutePath() + " could not be created: " + rt::SystemReason(error);
    return false;
  }
  // Before a prompt that may wait for the user, the page before is named
  // at once; a feeder's next page is read meanwhile.
  const bool overlap = scan::feederOpen();
  if (!overlap && !FinishPage()) return false;
  const std::string folder = files::folderOf(rt::Ansi(names->target).toStdString());
  const pictures::Format format = stills::StoredFormat(stills::FormatForExtension(TargetExtension(fileExt)));
  // A bitmap page of plain rows is written as it is read.
  pictures::PageStream stream(folder, format, stills::kViewerPictureMost);
  scan::AcquiredPage page = sourceOpen ? scan::acquirePage(hWnd(), &stream) : scan::AcquiredPage{};
  const scan::Failure failure = scan::lastFailure();
  // Any other page of a feeder is encoded and written on its own thread.
  // Either way the page before is flushed and named once this one is in,
  // and a failure of its write is told once it is named.
  std::unique_ptr<pictures::PendingPicture> next;
  if (page.result == scan::Acquire::Acquired && page.streamed)
    next = stream.end();
  else if (page.result == scan::Acquire::Acquired && page.image)
    next = std::make_unique<pictures::PendingPicture>(
        scan::pageOf(std::move(*page.image)), folder, format,
        overlap ? pictures::PendingPicture::Prepare::Aside : pictures::PendingPicture::Prepare::Here);
  const bool acquired = next != nullptr;
  const bool earlierSaved = FinishPage(acquired);
  bool writeFailed = !earlierSaved;
  if (acquired) {
    pending_ = std::move(next);
    pendingName_ = names->target;
    // The run stops after a page that could not be saved; this one is
    // still written if it can be.
    if (!earlierSaved || pending_->failed()) writeFailed = !FinishPage() || !earlierSaved;
  } else if (sourceOpen && earlierSaved) {
    AcquisitionEnded(outcome_, static_cast<std::int32_t>(page.result), failure.reason, failure.pageLost,
                     failure.cancelled);
  }
  Filename0 = names->target;
  stills::SetViewerLabelToPath(names->target);
  showAgain();
  rt::DoEvents();
  return acquired && !writeFailed;
}

// Names the page written last, durable, under its name or, when another
// program took that meanwhile, the next free one in its format. False when
// it could not be saved; the run's outcome then says why.
bool Form2::FinishPage(bool pageReadSince) {
  if (!pending_) return true;
  const std::unique_ptr<pictures::PendingPicture> pending = std::move(pending_);
  QString cursor = pendingName_;
  const QString fileExt = AppState.FileExt;
  const pictures::StoreResult result =
      pending->finish(rt::Ansi(pendingName_).toStdString(), [&]() -> std::optional<std::string> {
        const auto names = NextPassNames(cursor, fileExt, stills::TakenNames(), kMaxNamesTried);
        if (!names) return std::nullopt;
        cursor = names->target;
        return rt::Ansi(cursor).toStdString();
      });
  const QString name = QString::fromLocal8Bit(result.path.c_str());
  if (result.saved()) {
    lastImage_ = name;
    // Shown from memory as soon as it stands under its name, so that the
    // viewer never shows an older page under the newest name (a flatbed's
    // prompt for the next page included).
    stills::SetViewerPicture(stills::ViewerSizedImage(result.picture), name);
    // The next start goes on from this page, however the program ends; the
    // unload flushes it.
    StorePath(rt::Durability::Later);
    PageWritten(outcome_, name);
    return true;
  }
  PageNotSaved(outcome_, name, result, pageReadSince);
  return false;
}

void Form2::showAgain() {
  show();
  raise();
  activateWindow();
}

void Form2::setCommandsEnabled(bool enabled) {
  for (QAction* command : {mnuFile->menuAction(), mnuSelectDevice, mnuExit, mnuCapture, mnuLive, mnuAbout})
    command->setEnabled(enabled);
}

}  // namespace twain
