#pragma once
// The save-file dialog as the program calls it: a record of 8-bit text
// buffers in, the chosen name written back into them.

#include <cstdint>
#include <functional>

#include "platform/window/window.h"

namespace filedialog {

// The size of the record's published 32-bit form, which lStructSize carries.
constexpr std::uint32_t kOpenFileNameSize = 76;

struct OPENFILENAME {
  std::uint32_t lStructSize = 0;
  win::HWND hwndOwner = 0;          // 0: no owner
  const char* lpstrFilter = nullptr;  // description, zero, pattern, zero, ... and a second zero
  std::uint32_t nFilterIndex = 0;   // counting from 1; 0 preselects the first
  char* lpstrFile = nullptr;        // in: initial name; out: the chosen full path
  std::uint32_t nMaxFile = 0;       // characters in lpstrFile, terminator included
  char* lpstrFileTitle = nullptr;   // out: the chosen name without its folder
  std::uint32_t nMaxFileTitle = 0;
  const char* lpstrInitialDir = nullptr;
  const char* lpstrTitle = nullptr;
  const char* lpstrDefExt = nullptr;  // without the dot
  std::uint32_t Flags = 0;
};

using SaveFileNameFunction = std::function<std::int32_t(OPENFILENAME*)>;

// Nonzero when the user confirmed a name; the record's buffers then hold it.
// Runs the installed function (the real dialog unless a test replaced it).
std::int32_t GetSaveFileNameA(OPENFILENAME* record);

// Replaces the dialog; an empty function restores the real one.
void setSaveFileNameFunction(SaveFileNameFunction function);

// The real dialog.
std::int32_t RunSaveFileDialog(OPENFILENAME* record);

}  // namespace filedialog
