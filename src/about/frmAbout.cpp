#include "about/frmAbout.h"

#include "app/forms.h"

namespace about {

void frmAbout::cmdOK_Click() { app::frmAbout.Unload(); }

void frmAbout::lblAbout_Click(std::int16_t) {}

}  // namespace about
