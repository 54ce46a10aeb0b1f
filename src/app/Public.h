#pragma once
// The application state record that every window reads and writes.

#include <QString>
#include <cstdint>

#include "platform/window/window.h"

namespace app {

struct AppStateRecord {
  std::int16_t ScreenMode = 0;  // 1 live window, 2 scanner window
  QString FileExt;              // last four characters of FilePath
  QString BasePath;             // FilePath without its extension
  QString FileCounter;          // the four characters in front of the extension
  std::int32_t DriverIndex = 0;
  QString FilePath;             // the last numbered file
  win::HWND hCapWnd = 0;
  std::int16_t EndOnUnload = 0;
  std::int16_t FreeResize = 0;
  std::int32_t VideoWidth = 0;
};

extern AppStateRecord AppState;

// Back to the zero-filled state of a fresh process.
void ResetAppState();

}  // namespace app
