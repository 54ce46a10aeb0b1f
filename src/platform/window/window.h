#pragma once
// Window handles and the few window calls the program makes through them.
// The program holds windows as 32-bit handles; the registry maps them to
// widgets and never hands out a handle twice, so a stale handle finds
// nothing instead of a different window.

#include <cstdint>

class QWidget;

namespace win {

using HWND = std::uint32_t;
using UINT = std::uint32_t;
using WPARAM = std::intptr_t;  // signed: a true flag widened from 16 bits reads -1
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;

constexpr UINT WM_USER = 1024;
constexpr UINT SWP_NOSIZE = 0x1;
constexpr UINT SWP_NOMOVE = 0x2;
constexpr UINT SWP_NOZORDER = 0x4;
constexpr HWND HWND_TOP = 0;
constexpr HWND HWND_BOTTOM = 1;
constexpr std::int32_t WS_CHILD = 0x40000000;
constexpr std::int32_t WS_VISIBLE = 0x10000000;

// A widget that answers messages sent to its handle.
class MessageTarget {
 public:
  virtual ~MessageTarget() = default;
  virtual LRESULT windowProc(UINT msg, WPARAM wParam, LPARAM lParam) = 0;
};

// Gives the widget a handle (the same one on every call); the handle dies
// with the widget.
HWND handleOf(QWidget* widget);
// The live widget behind a handle, or nullptr for 0, unknown or destroyed.
QWidget* widgetOf(HWND hwnd);

// 0 for an unknown or destroyed handle and for a widget that takes no messages.
LRESULT SendMessageA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
std::int32_t DestroyWindow(HWND hwnd);
std::int32_t SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags);
std::int32_t SetWindowTextA(HWND hwnd, const char* text);

}  // namespace win
