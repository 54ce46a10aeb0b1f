#include "platform/runtime/window_fit.h"

#include <QApplication>
#include <QFontMetrics>
#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace rt {

namespace {
// The icon, the iconify, maximise and close buttons, and the padding around.
constexpr int kTitleBarExtras = 120;
// What the frame takes on each side of a window on the screen.
constexpr int kFrameEdges = 16;
}  // namespace

int TitleBarWidth(const QString& caption) {
  QFont font = QApplication::font();
  font.setBold(true);
  font.setPointSizeF(font.pointSizeF() * 1.25);
  return QFontMetrics(font).horizontalAdvance(caption) + kTitleBarExtras;
}

int WithinScreenWidth(int wanted, const QWidget& window) {
  const QScreen* screen = window.screen() ? window.screen() : QApplication::primaryScreen();
  if (!screen) return wanted;
  return std::min(wanted, std::max(1, screen->availableGeometry().width() - kFrameEdges));
}

}  // namespace rt
