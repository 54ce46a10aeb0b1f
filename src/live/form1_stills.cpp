#include <QDir>

#include "app/Public.h"
#include "app/forms.h"
#include "app/settings_values.h"
#include "devices/AVICAP.h"
#include "live/form1.h"
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

// Stored at once, not only when the window unloads: a program ended by a
// signal, a lost display or a crash still goes on from here next time. A
// capture's path is not flushed (the unload flushes it); the user's choice
// of name is.
void storePath(rt::Durability durability) { app::StorePath(AppState.FilePath, durability); }

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
  // The frame goes to disk once, in its final format; when another program
  // takes the name meanwhile, the next free one is used.
  const capture::FrameSave save = devices::capFileSaveFrame(
      AppState.hCapWnd, path, stills::StoredFormat(stills::FormatForExtension(AppState.FileExt)),
      [this]() -> std::optional<std::string> { return rt::Ansi(NextNumberedName()).toStdString(); });
  if (save.answered) path = QString::fromLocal8Bit(save.result.path.c_str());
  storePath(rt::Durability::Later);
  const pictures::StoreResult& result = save.result;
  // A failed save keeps its number used up; only a file that stands is
  // shown, and only one that reached the medium is "Saved".
  CaptureOutcome outcome{path, result.saved() ? QString() : stills::StoreProblemText(path, result)};
  if (!result.stands) return outcome;
  stills::ShowViewer();
  stills::SetViewerPicture(result.picture, path);
  stills::SetViewerLabelToPath(path);
  if (result.saved()) ShowSaved(path);
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
