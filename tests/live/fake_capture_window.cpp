#include "fake_capture_window.h"

#include "live/capture_window.h"
#include "platform/capture/messages.h"
#include "platform/capture/records.h"

namespace testing_support {

win::LRESULT FakeCaptureWindow::windowProc(win::UINT msg, win::WPARAM wParam, win::LPARAM lParam) {
  messages.push_back(msg);
  switch (msg) {
    case capture::WM_CAP_DRIVER_CONNECT:
      connected = acceptsConnection;
      return connected;
    case capture::WM_CAP_DRIVER_DISCONNECT:
      connected = false;
      return 1;
    case capture::WM_CAP_DRIVER_GET_CAPS: {
      if (!connected || wParam < static_cast<win::WPARAM>(sizeof(capture::CAPDRIVERCAPS))) return 0;
      auto caps = reinterpret_cast<capture::CAPDRIVERCAPS*>(lParam);
      caps->fHasDlgVideoSource = hasSourceDialog;
      caps->fHasDlgVideoFormat = hasFormatDialog;
      return 1;
    }
    case capture::WM_CAP_GET_STATUS: {
      if (!connected || wParam < static_cast<win::WPARAM>(sizeof(capture::CAPSTATUS))) return 0;
      auto status = reinterpret_cast<capture::CAPSTATUS*>(lParam);
      status->uiImageWidth = static_cast<std::uint32_t>(frameWidth);
      status->uiImageHeight = static_cast<std::uint32_t>(frameHeight);
      return 1;
    }
    default:
      return connected ? 1 : 0;
  }
}

void FakeCaptureWindow::install() {
  live::setCaptureWindowFactory([](const char*, std::int32_t, int x, int y, int w, int h, win::HWND parent,
                                   std::int32_t) -> win::HWND {
    QWidget* host = win::widgetOf(parent);
    if (!host) return 0;
    auto window = new FakeCaptureWindow(host);
    window->acceptsConnection = nextAcceptsConnection;
    window->hasSourceDialog = nextHasSourceDialog;
    window->setGeometry(x, y, w, h);
    window->show();
    last = window;
    return win::handleOf(window);
  });
}

void FakeCaptureWindow::uninstall() {
  live::setCaptureWindowFactory({});
  last = nullptr;
  nextAcceptsConnection = true;
  nextHasSourceDialog = true;
}

}  // namespace testing_support
