#include "platform/runtime/dialogs.h"

#include <QDialog>
#include <QMessageBox>

namespace rt {

namespace {

class QtDialogs final : public Dialogs {
 public:
  int messageBox(const QString& prompt, int style, const QString& title) override {
    QMessageBox box(style & vbInformation ? QMessageBox::Information : QMessageBox::NoIcon, title, prompt,
                    QMessageBox::Ok);
    box.exec();
    return vbOK;
  }
  int runModal(QDialog& dialog) override { return dialog.exec(); }
};

Dialogs* installed = nullptr;

}  // namespace

void setDialogs(Dialogs* d) { installed = d; }

Dialogs& dialogs() {
  static QtDialogs real;
  return installed ? *installed : real;
}

int MsgBox(const QString& prompt, int style, const QString& title) {
  return dialogs().messageBox(prompt, style, title);
}

int RunModal(QDialog& dialog) { return dialogs().runModal(dialog); }

}  // namespace rt
