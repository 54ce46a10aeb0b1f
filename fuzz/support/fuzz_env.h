#pragma once
// What every fuzz target shares: a private HOME (with its settings and
// Pictures folders) so that no input touches the user's files, a
// QApplication on the offscreen platform for the targets with windows, and
// a way to take an input apart into several pieces.

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/runtime/dialogs.h"

namespace fuzzing {

// Makes the private folders and points HOME and XDG_* into them. Call
// once, from LLVMFuzzerInitialize.
void usePrivateHome();
// Makes the private work folder the working directory, so that relative
// paths stay inside. Crash files then need an absolute -artifact_prefix.
void enterWorkFolder();
QString root();         // holds everything below, and nothing else of ours
QString home();         // $HOME
QString pictures();     // $HOME/Pictures
QString configFolder(); // the settings store's folder
QString workFolder();   // the working directory (relative paths end here)

// The QApplication every widget needs; made once, kept to the end.
void useApplication();
// Deletes the windows that were closed: without an event loop running,
// their deferred deletion would pile them up input after input.
void settle();

// Answers OK to message boxes and rejects every modal dialog, counting them.
class QuietDialogs final : public rt::Dialogs {
 public:
  int messageBox(const QString& prompt, int style, const QString& title) override;
  int runModal(QDialog& dialog) override;
  int messages = 0;
  int modals = 0;
  QString lastMessage;
};

// Reads an input front to back; past its end every read gives zeros or
// empty text, so a target never reads outside the input.
class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  std::uint8_t byte();
  std::uint16_t u16();
  std::int32_t i32();
  // The bytes up to the next `separator` (consumed), or to the end.
  QByteArray until(std::uint8_t separator);
  QByteArray rest();
  std::size_t remaining() const { return size_ - pos_; }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

// Stops the process with a message when an invariant does not hold, so the
// fuzzer keeps the input as a crash.
[[noreturn]] void fail(const std::string& what);
inline void check(bool condition, const std::string& what) {
  if (!condition) fail(what);
}

}  // namespace fuzzing
