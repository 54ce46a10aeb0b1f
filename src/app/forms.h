#pragma once
// The program's five windows, each reached through one slot. The slots of
// the windows with behaviour get their classes bound at start (see
// program/compose); until then they make the bare designs.

#include "app/Form2_design.h"
#include "app/Form3.h"
#include "app/form1_design.h"
#include "app/frmAbout_design.h"
#include "app/frmControl.h"
#include "platform/runtime/form.h"

namespace app {

extern rt::FormSlot<form1Design> form1;
extern rt::FormSlot<Form2Design> Form2;
extern rt::FormSlot<Form3Window> Form3;
extern rt::FormSlot<ControlForm> frmControl;
extern rt::FormSlot<frmAboutDesign> frmAbout;

// Unloads every window without running the program's end (for tests).
void UnloadAll();

}  // namespace app
