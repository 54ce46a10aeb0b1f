#include "platform/filedialog/open_file_name.h"

#include <QDir>
#include <QFileInfo>
#include <QWidget>
#include <algorithm>

#include "platform/filedialog/save_dialog.h"
#include "platform/filedialog/save_name_rules.h"
#include "platform/filedialog/text_buffer.h"
#include "platform/runtime/dialogs.h"
#include "platform/runtime/paths.h"

namespace filedialog {

namespace {

SaveFileNameFunction& installed() {
  static SaveFileNameFunction function;
  return function;
}

QString textOf(const char* text) { return text ? QString::fromLocal8Bit(text) : QString(); }

QString nearestExistingFolder(QString folder) {
  while (!folder.isEmpty() && !QFileInfo(folder).isDir()) {
    const QString parent = QFileInfo(folder).path();
    if (parent == folder) return {};
    folder = parent;
  }
  return folder;
}

// Where the dialog opens: the folder of an initial name given with one,
// else the initial folder, else the Pictures folder -- or the nearest of
// their parents that exists.
QString startFolder(const QString& initialName, const QString& initialDir) {
  QString folder;
  if (initialName.contains('/')) folder = QFileInfo(initialName).absolutePath();
  else if (!initialDir.isEmpty()) folder = initialDir;
  else folder = rt::PicturesFolder();
  // The user's standard Pictures folder is made here rather than skipped
  // for its parent: the first capture would make it anyway, and a name
  // confirmed in the parent would move every later capture out of it.
  rt::EnsurePicturesFolderFor(QDir(folder).absoluteFilePath(QStringLiteral("picture")));
  const QString existing = nearestExistingFolder(QDir::cleanPath(QDir(folder).absolutePath()));
  return existing.isEmpty() ? QDir::homePath() : existing;
}

}  // namespace

std::int32_t GetSaveFileNameA(OPENFILENAME* record) {
  const SaveFileNameFunction& function = installed();
  return function ? function(record) : RunSaveFileDialog(record);
}

void setSaveFileNameFunction(SaveFileNameFunction function) { installed() = std::move(function); }

std::int32_t RunSaveFileDialog(OPENFILENAME* record) {
  if (record == nullptr || record->lpstrFile == nullptr || record->nMaxFile == 0) return 0;

  const QList<FilterPair> filters = parseFilterList(record->lpstrFilter);
  const QString defaultExtension = textOf(record->lpstrDefExt);
  QWidget* owner = win::widgetOf(record->hwndOwner);
  SaveDialog dialog(owner ? owner->window() : nullptr, filters, defaultExtension,
                    static_cast<int>(std::min<std::uint32_t>(record->nMaxFile, 1u << 20)));
  if (record->lpstrTitle) dialog.setWindowTitle(textOf(record->lpstrTitle));

  const QStringList& nameFilters = dialog.typeTexts();
  if (!nameFilters.isEmpty()) {
    const qsizetype index = record->nFilterIndex >= 1 ? qsizetype(record->nFilterIndex) - 1 : 0;
    dialog.selectNameFilter(nameFilters.value(index < nameFilters.size() ? index : 0));
  }

  const QString initialName = bufferText(record->lpstrFile, record->nMaxFile);
  dialog.setDirectory(startFolder(initialName, textOf(record->lpstrInitialDir)));
  dialog.selectFile(QFileInfo(initialName).fileName());

  if (rt::RunModal(dialog) != QDialog::Accepted || dialog.chosenName().isEmpty()) return 0;

  const QString chosen = dialog.chosenName();
  fillBuffer(record->lpstrFile, record->nMaxFile, chosen);
  fillBuffer(record->lpstrFileTitle, record->nMaxFileTitle, QFileInfo(chosen).fileName());
  const qsizetype selected = nameFilters.indexOf(dialog.selectedNameFilter());
  record->nFilterIndex = selected >= 0 ? static_cast<std::uint32_t>(selected + 1) : 0;
  return 1;
}

}  // namespace filedialog
