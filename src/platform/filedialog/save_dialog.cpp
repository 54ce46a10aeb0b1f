#include "platform/filedialog/save_dialog.h"

#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QTreeView>
#include <algorithm>

#include "platform/runtime/dialogs.h"
#include "platform/runtime/paths.h"
#include "platform/runtime/window_fit.h"

namespace filedialog {

namespace {
// Room for a name column of about 40 characters beside the other three.
constexpr int kOpeningWidth = 760;
constexpr int kOpeningHeight = 440;
}  // namespace

QString extensionList(const QStringList& extensions) {
  if (extensions.size() <= 1) return extensions.join(QString());
  return extensions.mid(0, extensions.size() - 1).join(", ") + " or " + extensions.last();
}

SaveDialog::SaveDialog(QWidget* parent, const QList<FilterPair>& filters, QString defaultExtension,
                       int maxNameBytes)
    : QFileDialog(parent),
      extensions_(offeredExtensions(filters)),
      defaultExtension_(std::move(defaultExtension)),
      maxNameBytes_(maxNameBytes) {
  // Captures never replace a file, so choosing an existing name needs no
  // warning: the next free number is used.
  setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::DontConfirmOverwrite);
  setAcceptMode(QFileDialog::AcceptSave);
  setFileMode(QFileDialog::AnyFile);
  for (const FilterPair& pair : filters) {
    typeTexts_.append(nameFilterText(pair));
    typeExtensions_.append(typeExtension(pair).mid(1));
  }
  if (!typeTexts_.isEmpty()) setNameFilters(typeTexts_);
  setDefaultSuffix(defaultExtension_);
  showReadableColumns();
}

// Size, type and date are as wide as their longest text; the name takes the
// rest, and the dialog opens wide enough for all four.
void SaveDialog::showReadableColumns() {
  auto* details = findChild<QTreeView*>();
  if (!details) return;
  QHeaderView* header = details->header();
  header->setStretchLastSection(false);
  header->setSectionResizeMode(QHeaderView::ResizeToContents);
  header->setSectionResizeMode(0, QHeaderView::Stretch);
  resize(rt::WithinScreenWidth(std::max(width(), kOpeningWidth), *this), std::max(height(), kOpeningHeight));
}

QString SaveDialog::extensionOfChosenType() const {
  const QString extension = typeExtensions_.value(typeTexts_.indexOf(selectedNameFilter()));
  return extension.isEmpty() ? defaultExtension_ : extension;
}

void SaveDialog::accept() {
  // The base class completes the typed name with this suffix as well.
  setDefaultSuffix(extensionOfChosenType());
  const QStringList typed = selectedFiles();
  if (typed.isEmpty()) return;
  const QString name = completeName(typed.first(), defaultSuffix());
  const QFileInfo info(name);
  if (info.isDir()) {
    QFileDialog::accept();  // opens the folder
    return;
  }
  if (!hasOfferedExtension(name, extensions_)) {
    rt::MsgBox("The file name must end in " + extensionList(extensions_) + ", or have no extension at all.",
               rt::vbOKOnly | rt::vbInformation, windowTitle());
    return;
  }
  // The Pictures folder is made when the first picture is written into it.
  const QString folder = info.absolutePath();
  if (!QFileInfo(folder).isDir() && QDir::cleanPath(folder) != QDir::cleanPath(rt::PicturesFolder())) {
    rt::MsgBox("The folder " + folder + " does not exist.", rt::vbOKOnly | rt::vbInformation, windowTitle());
    return;
  }
  if (rt::Ansi(name).size() >= maxNameBytes_) {
    rt::MsgBox("The file name is too long.", rt::vbOKOnly | rt::vbInformation, windowTitle());
    return;
  }
  chosen_ = name;
  QFileDialog::accept();
}

}  // namespace filedialog
