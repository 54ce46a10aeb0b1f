#include "platform/runtime/metrics.h"

#include <QApplication>
#include <QMenuBar>
#include <QScreen>
#include <QStyle>

namespace rt {

namespace {

int menuBarHeight() {
  // One row of a real menu bar in the application's style and font.
  QMenuBar bar;
  bar.addMenu("&File");
  return bar.sizeHint().height();
}

double logicalDpi(bool horizontal) {
  QScreen* screen = QGuiApplication::primaryScreen();
  double dpi = screen ? (horizontal ? screen->logicalDotsPerInchX() : screen->logicalDotsPerInchY()) : 96.0;
  return dpi > 0 ? dpi : 96.0;
}

}  // namespace

int GetSystemMetrics(int index) {
  switch (index) {
    case SM_CYCAPTION: {
      int h = QApplication::style()->pixelMetric(QStyle::PM_TitleBarHeight);
      return h > 0 ? h : 20;
    }
    case SM_CXBORDER:
    case SM_CYBORDER:
      return 1;
    case SM_CYMENU: {
      static const int h = menuBarHeight();
      return h;
    }
    case SM_CXFRAME:
    case SM_CYFRAME:
      return 4;
    case SM_CXEDGE:
    case SM_CYEDGE:
      return 2;
    default:
      return 0;
  }
}

double TwipsPerPixelX() { return 1440.0 / logicalDpi(true); }
double TwipsPerPixelY() { return 1440.0 / logicalDpi(false); }

}  // namespace rt
