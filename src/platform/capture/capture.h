#pragma once
// The capture window class's two entry points.

#include <cstdint>
#include <optional>
#include <variant>
#include <vector>

#include "platform/capture/camera_jpeg.h"
#include "platform/capture/messages.h"
#include "platform/capture/records.h"
#include "platform/window/window.h"

namespace capture {

// A capture window as a child of `parent` (a top-level window for 0) with
// `windowName` as its title; shown when `style` has WS_VISIBLE. 0 when the
// parent handle names no live window.
win::HWND capCreateCaptureWindowA(const char* windowName, std::int32_t style, int x, int y, int width, int height,
                                  win::HWND parent, std::int32_t id);

// Nonzero when there is a driver at `index` (only index 0): its name and
// version text, each cut to fit and zero-terminated. A buffer that is null
// or has no room (size < 1) is left alone.
std::int32_t capGetDriverDescriptionA(std::int16_t index, char* name, std::int32_t nameSize, char* version,
                                      std::int32_t versionSize);

// The newest frame of the capture window `hwnd` as the camera's own JPEG
// file, or why it cannot be one (CaptureWindow::cameraJpeg); nothing for a
// device without JPEG frames, with keeping them turned off, or another window.
std::optional<std::variant<std::vector<std::uint8_t>, JpegFault>> capCameraJpeg(win::HWND hwnd);

// The texts capGetDriverDescriptionA gives for driver 0.
extern const char* const kDriverName;
extern const char* const kDriverVersion;

}  // namespace capture
