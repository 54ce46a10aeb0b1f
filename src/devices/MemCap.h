#pragma once
// The capture window's error and status callbacks: both put the driver's
// text on the live window's status line, replacing what it showed.

#include <QString>
#include <cstdint>

#include "platform/window/window.h"

namespace devices {

// Bytes of the conversion buffer; a text keeps at most kDriverTextBuffer - 1.
constexpr int kDriverTextBuffer = 510;

// The driver's zero-terminated 8-bit text (null reads as empty). A longer
// text is cut at 509 bytes, and a character split by the cut is dropped.
QString ReadDriverText(const char* text);

win::LRESULT CaptureErrorCallback(win::HWND hwnd, std::int32_t id, const char* text);
win::LRESULT CaptureStatusCallback(win::HWND hwnd, std::int32_t id, const char* text);

// Replaces the live window's status line with `text` (empty clears it);
// nothing when the live window is not loaded. `id` is not used.
void ShowStatusText(const QString& text, std::int32_t id);

}  // namespace devices
