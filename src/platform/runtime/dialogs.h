#pragma once
// Every message box and modal dialog of the program and its libraries goes
// through one interface, so that tests can answer them and see what was asked.

#include <QString>

class QDialog;

namespace rt {

constexpr int vbOKOnly = 0;
constexpr int vbInformation = 64;
constexpr int vbOK = 1;

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  virtual int messageBox(const QString& prompt, int style, const QString& title) = 0;
  // Runs a modal dialog and answers its result (QDialog::Accepted or Rejected).
  virtual int runModal(QDialog& dialog) = 0;
};

// The installed implementation; nullptr restores the real one.
void setDialogs(Dialogs* dialogs);
Dialogs& dialogs();

int MsgBox(const QString& prompt, int style, const QString& title);
int RunModal(QDialog& dialog);

// For an ending that nobody watches (a signal, a lost display): from now on
// a message box is written to standard error and answered at once, and a
// modal dialog is refused; those open now are closed as refused. `on` false
// (tests only) goes back to asking.
void AnswerUnattended(bool on = true);
bool Unattended();

}  // namespace rt
