#pragma once
// The save-file dialog window: refuses names that do not end in one of the
// offered extensions, and names in a folder that does not exist, with a
// message, and stays open.

#include <QFileDialog>
#include <QStringList>

#include "platform/filedialog/save_name_rules.h"

namespace filedialog {

class SaveDialog final : public QFileDialog {
  Q_OBJECT
 public:
  // `maxNameBytes`: the longest 8-bit name the caller's buffer holds.
  SaveDialog(QWidget* parent, const QList<FilterPair>& filters, QString defaultExtension, int maxNameBytes);

  // The full path confirmed, completed with the extension of the chosen
  // type (or the default extension when that type names none).
  QString chosenName() const { return chosen_; }
  // The types as listed, in the order of the filter list.
  const QStringList& typeTexts() const { return typeTexts_; }

  void accept() override;

 private:
  QString extensionOfChosenType() const;
  void showReadableColumns();

  QStringList extensions_;
  QStringList typeTexts_;
  QStringList typeExtensions_;  // per type: its one extension without the dot, or empty
  QString defaultExtension_;
  int maxNameBytes_;
  QString chosen_;
};

// The words the refusal gives: ".bmp, .jpg or .pdf".
QString extensionList(const QStringList& extensions);

}  // namespace filedialog
