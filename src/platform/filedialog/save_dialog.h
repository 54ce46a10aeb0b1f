#pragma once
// The save-file dialog window: refuses names that do not end in one of the
// offered extensions, with a message, and stays open.

#include <QFileDialog>
#include <QStringList>

namespace filedialog {

class SaveDialog final : public QFileDialog {
  Q_OBJECT
 public:
  // `maxNameBytes`: the longest 8-bit name the caller's buffer holds.
  SaveDialog(QWidget* parent, QStringList extensions, QString defaultExtension, int maxNameBytes);

  // The full path confirmed, completed with the default extension.
  QString chosenName() const { return chosen_; }

  void accept() override;

 private:
  QStringList extensions_;
  QString defaultExtension_;
  int maxNameBytes_;
  QString chosen_;
};

// The words the refusal gives: ".bmp, .jpg or .pdf".
QString extensionList(const QStringList& extensions);

}  // namespace filedialog
