#include "live/form1.h"

#include "app/Public.h"
#include "app/forms.h"
#include "platform/runtime/program.h"
#include "platform/runtime/vb.h"

namespace live {

void form1::Form_Load() { app::AppState.EndOnUnload = rt::True; }

void form1::Form_Unload(std::int16_t&) {
  if (app::AppState.EndOnUnload) rt::End();
}

void form1::mnuExit_Click() {
  app::Form3.Unload();
  app::frmControl.Unload();
  app::form1.Unload();
  rt::End();
}

void form1::mnuTwain_Click() { app::AppState.ScreenMode = 2; }

void form1::mnuAbout_Click() { app::frmAbout.Show(); }

}  // namespace live
