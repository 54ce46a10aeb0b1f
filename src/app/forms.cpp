#include "app/forms.h"

#include "app/Public.h"

namespace app {

rt::FormSlot<form1Design> form1;
rt::FormSlot<Form2Design> Form2;
rt::FormSlot<Form3Window> Form3;
rt::FormSlot<ControlForm> frmControl;
rt::FormSlot<frmAboutDesign> frmAbout;

void UnloadAll() {
  AppState.EndOnUnload = 0;
  frmControl.Unload();
  frmAbout.Unload();
  Form3.Unload();
  Form2.Unload();
  form1.Unload();
}

}  // namespace app
