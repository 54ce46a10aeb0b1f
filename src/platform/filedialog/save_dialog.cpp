#include "platform/filedialog/save_dialog.h"

#include <QFileInfo>

#include "platform/filedialog/save_name_rules.h"
#include "platform/runtime/dialogs.h"
#include "platform/runtime/paths.h"

namespace filedialog {

QString extensionList(const QStringList& extensions) {
  if (extensions.size() <= 1) return extensions.join(QString());
  return extensions.mid(0, extensions.size() - 1).join(", ") + " or " + extensions.last();
}

SaveDialog::SaveDialog(QWidget* parent, QStringList extensions, QString defaultExtension, int maxNameBytes)
    : QFileDialog(parent),
      extensions_(std::move(extensions)),
      defaultExtension_(std::move(defaultExtension)),
      maxNameBytes_(maxNameBytes) {
  // Captures never replace a file, so choosing an existing name needs no
  // warning: the next free number is used.
  setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::DontConfirmOverwrite);
  setAcceptMode(QFileDialog::AcceptSave);
  setFileMode(QFileDialog::AnyFile);
  setDefaultSuffix(defaultExtension_);
}

void SaveDialog::accept() {
  const QStringList typed = selectedFiles();
  if (typed.isEmpty()) return;
  const QString name = completeName(typed.first(), defaultExtension_);
  if (QFileInfo(name).isDir()) {
    QFileDialog::accept();  // opens the folder
    return;
  }
  if (!hasOfferedExtension(name, extensions_)) {
    rt::MsgBox("The file name must end in " + extensionList(extensions_) + ", or have no extension at all.",
               rt::vbOKOnly | rt::vbInformation, windowTitle());
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
