#include "program/ending.h"

#include <QCoreApplication>

#include "app/Public.h"
#include "app/forms.h"
#include "app/settings_values.h"
#include "live/form1.h"
#include "platform/runtime/dialogs.h"
#include "platform/runtime/end_requests.h"
#include "platform/runtime/program.h"
#include "twain/Form2.h"

namespace {

// No window may be touched any more: only what must survive is stored, and
// a failure to store it is told on standard error.
[[noreturn]] void endWithoutDisplay() {
  rt::AnswerUnattended();
  rt::SettingSaved stored;
  if (auto* scanner = dynamic_cast<twain::Form2*>(app::Form2.ifLoaded())) stored = scanner->StorePath();
  else if (app::form1.IsLoaded())
    stored = app::StorePath(app::AppState.FilePath);
  if (!stored) app::TellPathNotStored(stored);
  rt::End();
}

}  // namespace

void endInOrder() {
  if (auto* scanner = dynamic_cast<twain::Form2*>(app::Form2.ifLoaded())) {
    scanner->RequestEnd();
    return;
  }
  if (auto* live = dynamic_cast<live::form1*>(app::form1.ifLoaded())) live->mnuExit_Click();
  rt::End();
}

void watchEndRequests() {
  // Nobody may be there to answer a message box: a logout, a service stop.
  new rt::EndSignals(
      [](int) {
        rt::AnswerUnattended();
        endInOrder();
      },
      QCoreApplication::instance());
  rt::OnDisplayLost(endWithoutDisplay);
}
