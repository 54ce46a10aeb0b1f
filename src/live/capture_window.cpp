#include "live/capture_window.h"

#include "devices/AVICAP.h"

namespace live {

namespace {
CaptureWindowFactory& factory() {
  static CaptureWindowFactory f;
  return f;
}
}  // namespace

void setCaptureWindowFactory(CaptureWindowFactory f) { factory() = std::move(f); }

win::HWND CreateCaptureWindow(const char* name, std::int32_t style, int x, int y, int width, int height,
                              win::HWND parent, std::int32_t id) {
  if (factory()) return factory()(name, style, x, y, width, height, parent, id);
  return capture::capCreateCaptureWindowA(name, style, x, y, width, height, parent, id);
}

}  // namespace live
