#pragma once
// The messages a capture window answers, and the callbacks it calls.

#include <cstdint>

#include "platform/window/window.h"

namespace capture {

using win::WM_USER;

constexpr win::UINT WM_CAP_SET_CALLBACK_ERRORA = WM_USER + 2;
constexpr win::UINT WM_CAP_SET_CALLBACK_STATUSA = WM_USER + 3;
constexpr win::UINT WM_CAP_SET_CALLBACK_YIELD = WM_USER + 4;
constexpr win::UINT WM_CAP_SET_CALLBACK_FRAME = WM_USER + 5;
constexpr win::UINT WM_CAP_SET_CALLBACK_VIDEOSTREAM = WM_USER + 6;
constexpr win::UINT WM_CAP_SET_CALLBACK_WAVESTREAM = WM_USER + 7;
constexpr win::UINT WM_CAP_DRIVER_CONNECT = WM_USER + 10;
constexpr win::UINT WM_CAP_DRIVER_DISCONNECT = WM_USER + 11;
constexpr win::UINT WM_CAP_DRIVER_GET_CAPS = WM_USER + 14;
constexpr win::UINT WM_CAP_FILE_SAVEDIBA = WM_USER + 25;  // lParam: zero-terminated 8-bit path
constexpr win::UINT WM_CAP_DLG_VIDEOFORMAT = WM_USER + 41;
constexpr win::UINT WM_CAP_DLG_VIDEOSOURCE = WM_USER + 42;
constexpr win::UINT WM_CAP_SET_PREVIEW = WM_USER + 50;
constexpr win::UINT WM_CAP_SET_PREVIEWRATE = WM_USER + 52;
constexpr win::UINT WM_CAP_SET_SCALE = WM_USER + 53;
constexpr win::UINT WM_CAP_GET_STATUS = WM_USER + 54;
constexpr win::UINT WM_CAP_SET_CALLBACK_CAPCONTROL = WM_USER + 85;

// Error and status reports: a nonzero id with a short text, valid only
// during the call. An id of 0 with an empty text clears the report.
using CapErrorCallback = win::LRESULT (*)(win::HWND hwnd, std::int32_t id, const char* text);
using CapStatusCallback = win::LRESULT (*)(win::HWND hwnd, std::int32_t id, const char* text);
// The other callbacks can be registered and cleared; this window never calls them.
using CapYieldCallback = win::LRESULT (*)(win::HWND hwnd);
using CapVideoCallback = win::LRESULT (*)(win::HWND hwnd, void* videoHeader);
using CapWaveCallback = win::LRESULT (*)(win::HWND hwnd, void* waveHeader);
using CapControlCallback = win::LRESULT (*)(win::HWND hwnd, std::int32_t state);

// Report ids.
enum StatusId : std::int32_t {
  kStatusConnecting = 1,
  kStatusConnected = 2,
  kStatusFormatChanged = 3,
  kStatusDisconnected = 4,
};
enum ErrorId : std::int32_t {
  kErrorNoDevice = 101,
  kErrorBusy = 102,
  kErrorPermission = 103,
  kErrorUnsupportedFormat = 104,
  kErrorDeviceLost = 105,
  kErrorFailed = 106,
};

}  // namespace capture
