#pragma once
// Helpers every test executable shares.

#include <QDialog>
#include <QString>
#include <QStringList>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/runtime/dialogs.h"

namespace testing_support {

// Thrown by the replaced end of the program, so a test sees it and goes on.
// Call the handler that ends directly: unwinding through Qt's signal or
// event dispatch skips Qt's own clean-up (the sanitizer build reports it).
struct ProgramEnded : std::runtime_error {
  ProgramEnded() : std::runtime_error("program ended") {}
};

// The private folders of this test process (made fresh by the test main).
QString homeDir();
QString picturesDir();
QString configDir();
// A new empty folder below the private HOME.
QString freshDir(const QString& name);
// The folder every SANE set-up of this process writes its configuration to:
// SANE looks its configuration folder up once per process.
QString saneConfigDir();

// Files: a path as system calls take it; a file's bytes, "<none>" when it
// cannot be read (so a missing file never passes for an empty one); a whole
// file written; a folder's names, hidden ones too, sorted.
std::string native(const QString& path);
QByteArray contentOf(const QString& path);
bool put(const QString& path, const QByteArray& bytes);
QStringList entries(const QString& folder);

// Runs deferred deletions and pending events.
void settle();

struct MessageBoxCall {
  QString prompt;
  int style;
  QString title;
};

// Records message boxes (answering OK) and answers modal dialogs with the
// handler given, or rejects them.
class FakeDialogs : public rt::Dialogs {
 public:
  FakeDialogs();
  ~FakeDialogs() override;
  int messageBox(const QString& prompt, int style, const QString& title) override;
  int runModal(QDialog& dialog) override;

  std::vector<MessageBoxCall> messages;
  std::function<int(QDialog&)> onModal;
  int modalCount = 0;
};

}  // namespace testing_support
