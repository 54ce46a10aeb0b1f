#include "app/frmControl.h"

#include "app/Public.h"
#include "app/forms.h"
#include "app/window_texts.h"
#include "platform/runtime/program.h"
#include "platform/runtime/vb.h"

namespace app {

namespace {
rt::FormDesign makeDesign() {
  rt::FormDesign d;
  d.caption = kControlCaption;
  d.clientWidth = 3750;
  d.clientHeight = 2505;
  d.hasIcon = false;
  return d;
}
}  // namespace

ControlForm::ControlForm() : rt::Form(makeDesign()) {
  Timer1 = new QTimer(this);
  Timer1->setObjectName("Timer1");
  Timer1->setInterval(100);
  connect(Timer1, &QTimer::timeout, this, [this] { Timer1_Timer(); });
  Timer1->start();
}

void ControlForm::Form_Load() {
  form1.Show();
  AppState.ScreenMode = 1;
  ShownMode = 1;
}

void ControlForm::Timer1_Timer() {
  if (AppState.ScreenMode != ShownMode) {
    if (AppState.ScreenMode == 1) {
      AppState.EndOnUnload = rt::True;
      Form2.Unload();
      form1.Show();
    } else {
      AppState.EndOnUnload = rt::False;
      form1.Unload();
      Form2.Show();
    }
    ShownMode = AppState.ScreenMode;
  }
  rt::DoEvents();
}

}  // namespace app
