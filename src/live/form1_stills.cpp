#include "live/form1.h"

namespace live {

QString form1::NextNumberedName() { return {}; }

void form1::mnuCapFrame_Click() {}

void form1::mnuSaveFrame_Click() {}

}  // namespace live
