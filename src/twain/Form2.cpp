#include "twain/Form2.h"

#include "app/Public.h"

namespace twain {

void Form2::mnuLive_Click() { app::AppState.ScreenMode = 1; }

}  // namespace twain
