// The capture driver's status and error texts: any bytes of any length, and
// what the two callbacks put on the live window's status line.
//
// Input: a 32-bit id, then the driver's text. Inputs of a full buffer or
// more are handed over without a terminator, as a driver whose text fills
// its buffer would.
//
// Invariants: nothing is read past the driver's text or its buffer; a text
// that fits is converted whole, exactly as the system code page reads it;
// a longer one is cut to the buffer, losing at most a character split by the
// cut; the callbacks show that text (id 0: the status line keeps its text).

#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "app/forms.h"
#include "devices/MemCap.h"
#include "fuzz_env.h"

namespace {

using fuzzing::check;
constexpr std::size_t kKept = devices::kDriverTextBuffer - 1;

void checkText(const char* text, std::size_t available) {
  const QString got = devices::ReadDriverText(text);
  const std::size_t length = strnlen(text, available);
  check(got.size() <= static_cast<qsizetype>(kKept), "more characters than the buffer holds");
  if (length < kKept) {
    check(got == QString::fromLocal8Bit(text, static_cast<qsizetype>(length)), "a text that fits was changed");
    return;
  }
  const QString whole = QString::fromLocal8Bit(text, static_cast<qsizetype>(kKept));
  check(whole.startsWith(got), "a cut text is not the start of the text");
  const QString lost = whole.mid(got.size());
  check(lost.size() <= 3, "the cut lost more than one character");
  for (QChar c : lost) check(c == QChar::ReplacementCharacter, "the cut lost a whole character");
}

void checkCallbacks(std::int32_t id, const char* text) {
  QStatusBar* line = app::form1->StatusBar;
  const QString expected = id == 0 ? QString("earlier text") : devices::ReadDriverText(text);
  line->showMessage("earlier text");
  check(devices::CaptureStatusCallback(0, id, text) == 0, "status callback result");
  check(line->currentMessage() == expected, "status line after a status report");
  line->showMessage("earlier text");
  check(devices::CaptureErrorCallback(0, id, text) == 0, "error callback result");
  check(line->currentMessage() == expected, "status line after an error report");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzzing::usePrivateHome();
  fuzzing::useApplication();
  app::form1.Load();  // the design alone: its status line is all the callbacks touch
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzing::Input input(data, size);
  const std::int32_t id = input.i32();
  const QByteArray bytes = input.rest();
  const auto length = static_cast<std::size_t>(bytes.size());
  // An exact-size heap copy: the sanitizer sees any read past it.
  const bool terminated = length < kKept;
  auto text = std::make_unique<char[]>(terminated ? length + 1 : length);
  std::memcpy(text.get(), bytes.constData(), length);
  if (terminated) text[length] = '\0';

  checkText(text.get(), terminated ? length + 1 : length);
  checkCallbacks(id, text.get());
  check(devices::ReadDriverText(nullptr).isEmpty(), "a null text is not empty");
  return 0;
}
