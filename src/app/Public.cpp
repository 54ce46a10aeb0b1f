#include "app/Public.h"

namespace app {

AppStateRecord AppState;

void ResetAppState() { AppState = AppStateRecord{}; }

}  // namespace app
