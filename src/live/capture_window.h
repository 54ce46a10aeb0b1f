#pragma once
// Where the live window gets its capture child window from. Tests put a
// window of their own in its place.

#include <cstdint>
#include <functional>

#include "platform/window/window.h"

namespace live {

using CaptureWindowFactory = std::function<win::HWND(const char* name, std::int32_t style, int x, int y,
                                                     int width, int height, win::HWND parent, std::int32_t id)>;

// An empty factory restores the real capture window class.
void setCaptureWindowFactory(CaptureWindowFactory factory);

win::HWND CreateCaptureWindow(const char* name, std::int32_t style, int x, int y, int width, int height,
                              win::HWND parent, std::int32_t id);

}  // namespace live
