#include "platform/capture/capture.h"

#include <QtGlobal>
#include <algorithm>
#include <cstring>

#include "platform/capture/capture_window.h"

namespace capture {

const char* const kDriverName = "Video4Linux2 cameras and test pattern";
const char* const kDriverVersion = "libv4l2, Qt " QT_VERSION_STR;

namespace {

void copyText(const char* text, char* buffer, std::int32_t size) {
  if (!buffer || size < 1) return;
  const std::size_t n = std::min<std::size_t>(std::strlen(text), std::size_t(size) - 1);
  std::memcpy(buffer, text, n);
  buffer[n] = '\0';
}

}  // namespace

win::HWND capCreateCaptureWindowA(const char* windowName, std::int32_t style, int x, int y, int width, int height,
                                  win::HWND parent, std::int32_t) {
  QWidget* parentWidget = nullptr;
  if (parent != 0) {
    parentWidget = win::widgetOf(parent);
    if (!parentWidget) return 0;
  }
  auto* window = new CaptureWindow(parentWidget);
  if (!parentWidget) window->setAttribute(Qt::WA_DeleteOnClose);
  window->setWindowTitle(windowName ? QString::fromLocal8Bit(windowName) : QString());
  window->setGeometry(x, y, std::max(width, 0), std::max(height, 0));
  if (style & win::WS_VISIBLE) window->show();
  return win::handleOf(window);
}

std::int32_t capGetDriverDescriptionA(std::int16_t index, char* name, std::int32_t nameSize, char* version,
                                      std::int32_t versionSize) {
  if (index != 0) return 0;
  copyText(kDriverName, name, nameSize);
  copyText(kDriverVersion, version, versionSize);
  return 1;
}

}  // namespace capture

namespace capture {

std::optional<std::variant<std::vector<std::uint8_t>, JpegFault>> capCameraJpeg(win::HWND hwnd) {
  const auto* window = dynamic_cast<const CaptureWindow*>(win::widgetOf(hwnd));
  return window ? window->cameraJpeg() : std::nullopt;
}

}  // namespace capture
