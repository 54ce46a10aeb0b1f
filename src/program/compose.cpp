#include "program/compose.h"

#include "about/frmAbout.h"
#include "app/forms.h"
#include "live/form1.h"
#include "twain/Form2.h"

void composeProgram() {
  app::form1.setFactory([] { return std::make_unique<live::form1>(); });
  app::Form2.setFactory([] { return std::make_unique<twain::Form2>(); });
  app::frmAbout.setFactory([] { return std::make_unique<about::frmAbout>(); });
}
