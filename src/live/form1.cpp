#include "live/form1.h"

#include "app/Public.h"
#include "app/forms.h"

namespace live {

void form1::mnuTwain_Click() { app::AppState.ScreenMode = 2; }

void form1::mnuAbout_Click() { app::frmAbout.Show(); }

}  // namespace live
