#include "platform/runtime/dialogs.h"

#include <QDialog>
#include <QMessageBox>
#include <QPointer>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace rt {

namespace {

// The dialogs now open, innermost last.
std::vector<QPointer<QDialog>>& openDialogs() {
  static std::vector<QPointer<QDialog>> open;
  return open;
}

class OpenScope {
 public:
  explicit OpenScope(QDialog& dialog) { openDialogs().emplace_back(&dialog); }
  ~OpenScope() { openDialogs().pop_back(); }
  OpenScope(const OpenScope&) = delete;
  OpenScope& operator=(const OpenScope&) = delete;
};

class QtDialogs final : public Dialogs {
 public:
  int messageBox(const QString& prompt, int style, const QString& title) override {
    QMessageBox box(style & vbInformation ? QMessageBox::Information : QMessageBox::NoIcon, title, prompt,
                    QMessageBox::Ok);
    OpenScope open(box);
    box.exec();
    return vbOK;
  }
  int runModal(QDialog& dialog) override {
    OpenScope open(dialog);
    return dialog.exec();
  }
};

Dialogs* installed = nullptr;
bool unattended = false;

}  // namespace

void setDialogs(Dialogs* d) { installed = d; }

Dialogs& dialogs() {
  static QtDialogs real;
  return installed ? *installed : real;
}

int MsgBox(const QString& prompt, int style, const QString& title) {
  if (!unattended) return dialogs().messageBox(prompt, style, title);
  std::fprintf(stderr, "%s: %s\n", title.toLocal8Bit().constData(), QString(prompt).replace('\n', ' ').toLocal8Bit().constData());
  std::fflush(stderr);
  return vbOK;
}

int RunModal(QDialog& dialog) { return unattended ? static_cast<int>(QDialog::Rejected) : dialogs().runModal(dialog); }

void AnswerUnattended(bool on) {
  unattended = on;
  if (!on) return;
  // Innermost first: each returns from its own exec() once the loop runs.
  std::vector<QPointer<QDialog>> open = openDialogs();
  std::reverse(open.begin(), open.end());
  for (const QPointer<QDialog>& dialog : open)
    if (dialog) dialog->reject();
}

bool Unattended() { return unattended; }

}  // namespace rt
