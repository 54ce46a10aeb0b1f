#include <QDir>

#include "app/Public.h"
#include "app/forms.h"
#include "app/settings_values.h"
#include "devices/AVICAP.h"
#include "devices/EZTwain.h"
#include "live/form1.h"
#include "platform/files/atomic_file.h"
#include "platform/runtime/dialogs.h"
#include "platform/runtime/paths.h"
#include "stills/mCmnDlg.h"
#include "stills/next_name.h"
#include "stills/save_problem.h"
#include "stills/saved.h"
#include "stills/still_format.h"
#include "stills/viewer.h"

namespace live {

using app::AppState;

namespace {

// Names looked at for a free one before the search gives up.
constexpr int kNameTries = 100000;
// Saves tried when other programs keep claiming the name just found free.
constexpr int kSaveAttempts = 16;

const QString kSaveFilter = " *.bmp| *.bmp| *.jpg| *.jpg| *.pdf| *.pdf";
const QString kSaveTitle = "Save Single Frame";

stills::NumberedName currentName() {
  return {AppState.FilePath, AppState.FileExt, AppState.FileCounter, AppState.BasePath};
}

void adopt(const stills::NumberedName& name) {
  AppState.FilePath = name.FilePath;
  AppState.FileExt = name.FileExt;
  AppState.FileCounter = name.FileCounter;
  AppState.BasePath = name.BasePath;
}

// The capture window claims the name without replacing anything; when
// another program took it in the meantime, the next free name is tried.
bool saveFrame(form1& window, QString& path) {
  rt::EnsurePicturesFolderFor(path);
  bool saved = devices::capFileSaveDIB(AppState.hCapWnd, path) == rt::True;
  for (int attempt = 1; !saved && attempt < kSaveAttempts && stills::NameInUse(path); ++attempt) {
    path = window.NextNumberedName();
    saved = devices::capFileSaveDIB(AppState.hCapWnd, path) == rt::True;
  }
  return saved;
}

// Stored at once, not only when the window unloads: a program ended by a
// signal, a lost display or a crash still goes on from here next time. A
// capture's path is not flushed (the unload flushes it); the user's choice
// of name is.
void storePath(rt::Durability durability) { app::StorePath(AppState.FilePath, durability); }

// A bitmap must not pass for a JPEG or PDF file: it goes back to its
// ".bmp" name, and the user is told.
CaptureOutcome keepAsBitmap(const QString& path, stills::StillFormat format) {
  const int error = files::lastError();
  const std::optional<QString> bitmap = stills::ReturnToBitmapName(path);
  if (bitmap) {
    stills::LoadViewerPicture(*bitmap);
    stills::SetViewerLabelToPath(*bitmap);
  }
  return {bitmap.value_or(path), stills::RewriteProblemText(path, format, error, bitmap)};
}

}  // namespace

QString form1::NextNumberedName() {
  adopt(stills::NextFreeName(currentName(), app::DefaultLivePath(), stills::TakenNames(), kNameTries));
  return AppState.FilePath;
}

void TellCaptureProblem(const CaptureOutcome& outcome) {
  if (!outcome.problem.isEmpty()) rt::MsgBox(outcome.problem, rt::vbOKOnly | rt::vbInformation, app::kAppTitle);
}

void form1::mnuCapFrame_Click() { TellCaptureProblem(CaptureSingle()); }

CaptureOutcome form1::CaptureSingle() {
  QString path = NextNumberedName();
  // Told as itself: the file's own "No such file or directory" would hide it.
  if (const int error = rt::EnsurePicturesFolderFor(path)) {
    storePath(rt::Durability::Later);
    return {path, stills::FolderProblemText(path, error)};
  }
  files::clearLastError();
  const bool saved = saveFrame(*this, path);
  const int saveError = files::lastError();
  storePath(rt::Durability::Later);
  // A failed save keeps its number used up; nothing is shown or converted,
  // since the file is missing or is somebody else's.
  if (!saved) return {path, stills::SaveProblemText(path, saveError)};
  stills::ShowViewer();
  // Loaded once: the viewer shows the bitmap as the capture window wrote it,
  // and the same picture is rewritten in the chosen format.
  const std::int32_t picture = stills::LoadCapturedBitmap(path);
  if (const scan::Image* image = scan::heldImage(picture)) stills::SetViewerPicture(stills::ToQImage(*image), path);
  stills::SetViewerLabelToPath(path);
  const stills::StillFormat format = stills::FormatForExtension(AppState.FileExt);
  files::clearLastError();
  CaptureOutcome outcome{path, {}};
  if (!stills::RewriteInFormat(picture, path, format) &&
      (format == stills::StillFormat::Jpeg || format == stills::StillFormat::Pdf))
    outcome = keepAsBitmap(path, format);
  ShowSaved(outcome.path);
  app::form1.Show();
  return outcome;
}

void form1::ShowSaved(const QString& path) { ShowStatus(stills::SavedStatusText(path), path); }

void form1::ShowStatus(const QString& text, const QString& path) {
  StatusBar->showMessage(text);
  StatusBar->setToolTip(QDir::toNativeSeparators(path));
}

void form1::mnuSaveFrame_Click() {
  // The dialog opens where the next pictures would go, or at the nearest
  // folder above that exists; it creates none.
  QString fileName = AppState.BasePath.isEmpty() ? app::DefaultSaveName() : AppState.BasePath;
  QString fileTitle;
  std::int32_t flags = -1;
  QString filter = kSaveFilter;
  // The type of the current format is chosen, so that a name typed without
  // extension keeps that format.
  std::int32_t filterIndex = stills::FilterIndexOf(kSaveFilter, AppState.FileExt);
  std::int32_t resultFlags = 0;
  if (stills::ShowSaveDialog(fileName, fileTitle, flags, filter, filterIndex, QString(), kSaveTitle, "bmp",
                             static_cast<std::int32_t>(hWnd()), resultFlags) == rt::False)
    return;
  const stills::SaveAsResult choice = stills::ChooseFromSavedName(fileName, AppState.BasePath, AppState.FileCounter);
  adopt(choice.name);
  storePath(rt::Durability::Now);
  stills::SetViewerLabel(choice.label);
  // The name the next capture takes, without taking it yet.
  const QString next = stills::NextFreeName(currentName(), app::DefaultLivePath(), stills::NameInUse, kNameTries).FilePath;
  ShowStatus(stills::NextStatusText(next), next);
}

}  // namespace live
