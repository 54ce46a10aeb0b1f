#include "devices/AVICAP.h"

#include "platform/runtime/paths.h"

namespace devices {

namespace {

using namespace capture;

rt::Bool16 send(win::HWND hwnd, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam) {
  return rt::toBool16(win::SendMessageA(hwnd, msg, wParam, lParam) != 0);
}

template <class Proc>
win::LPARAM address(Proc proc) {
  return reinterpret_cast<win::LPARAM>(proc);
}

}  // namespace

rt::Bool16 capSetCallbackOnError(win::HWND hwnd, CapErrorCallback proc) {
  return send(hwnd, WM_CAP_SET_CALLBACK_ERRORA, 0, address(proc));
}

rt::Bool16 capSetCallbackOnStatus(win::HWND hwnd, CapStatusCallback proc) {
  return send(hwnd, WM_CAP_SET_CALLBACK_STATUSA, 0, address(proc));
}

rt::Bool16 capSetCallbackOnYield(win::HWND hwnd, CapYieldCallback proc) {
  return send(hwnd, WM_CAP_SET_CALLBACK_YIELD, 0, address(proc));
}

rt::Bool16 capSetCallbackOnFrame(win::HWND hwnd, CapVideoCallback proc) {
  return send(hwnd, WM_CAP_SET_CALLBACK_FRAME, 0, address(proc));
}

rt::Bool16 capSetCallbackOnVideoStream(win::HWND hwnd, CapVideoCallback proc) {
  return send(hwnd, WM_CAP_SET_CALLBACK_VIDEOSTREAM, 0, address(proc));
}

rt::Bool16 capSetCallbackOnWaveStream(win::HWND hwnd, CapWaveCallback proc) {
  return send(hwnd, WM_CAP_SET_CALLBACK_WAVESTREAM, 0, address(proc));
}

rt::Bool16 capSetCallbackOnCapControl(win::HWND hwnd, CapControlCallback proc) {
  return send(hwnd, WM_CAP_SET_CALLBACK_CAPCONTROL, 0, address(proc));
}

rt::Bool16 capDriverConnect(win::HWND hwnd, std::int32_t index) { return send(hwnd, WM_CAP_DRIVER_CONNECT, index, 0); }

rt::Bool16 capDriverDisconnect(win::HWND hwnd) { return send(hwnd, WM_CAP_DRIVER_DISCONNECT, 0, 0); }

rt::Bool16 capDriverGetCaps(win::HWND hwnd, CAPDRIVERCAPS* caps, std::int32_t size) {
  return send(hwnd, WM_CAP_DRIVER_GET_CAPS, size, address(caps));
}

rt::Bool16 capFileSaveDIB(win::HWND hwnd, const QString& name) {
  const QByteArray ansi = rt::Ansi(name);
  return send(hwnd, WM_CAP_FILE_SAVEDIBA, 0, address(ansi.constData()));
}

capture::FrameSave capFileSaveFrame(win::HWND hwnd, const QString& name, pictures::Format format,
                                    pictures::NextName next) {
  capture::FrameSave save;
  save.format = format;
  save.next = std::move(next);
  const QByteArray ansi = rt::Ansi(name);
  send(hwnd, WM_CAP_FILE_SAVEDIBA, reinterpret_cast<win::WPARAM>(&save), address(ansi.constData()));
  return save;
}

rt::Bool16 capDlgVideoFormat(win::HWND hwnd) { return send(hwnd, WM_CAP_DLG_VIDEOFORMAT, 0, 0); }

rt::Bool16 capDlgVideoSource(win::HWND hwnd) { return send(hwnd, WM_CAP_DLG_VIDEOSOURCE, 0, 0); }

rt::Bool16 capPreview(win::HWND hwnd, rt::Bool16 flag) { return send(hwnd, WM_CAP_SET_PREVIEW, flag, 0); }

rt::Bool16 capPreviewRate(win::HWND hwnd, std::int32_t ms) { return send(hwnd, WM_CAP_SET_PREVIEWRATE, ms, 0); }

rt::Bool16 capPreviewScale(win::HWND hwnd, rt::Bool16 flag) { return send(hwnd, WM_CAP_SET_SCALE, flag, 0); }

rt::Bool16 capGetStatus(win::HWND hwnd, CAPSTATUS* status, std::int32_t size) {
  return send(hwnd, WM_CAP_GET_STATUS, size, address(status));
}

}  // namespace devices
