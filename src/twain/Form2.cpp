#include "twain/Form2.h"

#include <QCloseEvent>
#include <QFileInfo>

#include "app/Public.h"
#include "app/forms.h"
#include "app/settings_values.h"
#include "devices/EZTwain.h"
#include "platform/files/durability.h"
#include "platform/runtime/dialogs.h"
#include "platform/runtime/paths.h"
#include "platform/runtime/program.h"
#include "platform/runtime/settings.h"
#include "platform/runtime/vb.h"
#include "stills/next_name.h"
#include "stills/numbered_name.h"
#include "stills/saved.h"
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
    while (!endRequested_ && AcquirePass(sourceOpen)) report.pageWritten();
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

// One page; false when none was acquired, which ends the run.
bool Form2::AcquirePass(bool sourceOpen) {
  const QString fileExt = AppState.FileExt;
  const auto names = NextPassNames(Filename0, fileExt, stills::TakenNames(), kMaxNamesTried);
  if (!names) {
    outcome_.cause = "No free numbered file name follows " + Filename0 + ".";
    return false;
  }
  if (const int error = rt::EnsurePicturesFolderFor(names->acquired)) {
    outcome_.cause = QFileInfo(names->acquired).absolutePath() + " could not be created: " + rt::SystemReason(error);
    return false;
  }
  const std::int32_t result =
      sourceOpen ? TWAIN_AcquireToFilename(hWnd(), rt::Ansi(names->acquired).constData()) : -1;
  // A success that left no file would only repeat; it ends the run as well.
  const bool acquired = result == 0 && rt::FileLen(names->acquired).has_value();
  QString passName = names->target;
  if (acquired) {
    passName = ConvertPage(names->acquired, names->target, fileExt);
    lastImage_ = passName;
    // The next start goes on from this page, however the program ends; the
    // unload flushes it.
    StorePath(rt::Durability::Later);
    PageWritten(outcome_, passName);
  } else if (sourceOpen) {
    const scan::Failure failure = scan::lastFailure();
    AcquisitionEnded(outcome_, result, failure.reason, failure.pageLost, failure.cancelled);
  }
  Filename0 = passName;
  stills::SetViewerLabelToPath(passName);
  showAgain();
  rt::DoEvents();
  return acquired;
}

// The page goes to its final name and is shown in the viewer from memory as
// soon as it stands there, so that the viewer never shows an older page
// under the newest name (a flatbed's prompt for the next page included).
QString Form2::ConvertPage(const QString& acquired, const QString& target, const QString& fileExt) {
  const std::int32_t image = TWAIN_LoadNativeFromFilename(rt::Ansi(acquired).constData());
  const scan::Image* held = scan::heldImage(image);
  const QImage picture = held ? stills::ViewerSizedImage(*held) : QImage();
  const QString kept = KeepPage(image, acquired, target, fileExt);
  stills::SetViewerPicture(picture, kept);
  return kept;
}

// Moves the acquired bitmap to the target name and rewrites it there in
// that format, flushed to disk. When the page cannot be converted it stays
// the bitmap, back under its ".bmp" name where it can go, and is flushed as
// it is; answers the name the page ends under. Releases the image.
QString Form2::KeepPage(std::int32_t image, const QString& acquired, const QString& target, const QString& fileExt) {
  QString kept = acquired;
  if (target != acquired && image != 0 && rt::Name(acquired, target)) {
    const QByteArray path = rt::Ansi(target);
    const std::int32_t written =
        fileExt == ".jpg" ? DIB_WriteToJpeg(image, path.constData()) : DIB_WriteToPdf(image, path.constData());
    if (written == scan::kWriteOk) return target;
    if (!rt::Name(target, acquired)) kept = target;
  } else {
    DIB_Free(image);
  }
  files::flushToDisk(rt::Ansi(kept).toStdString());
  return kept;
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
