#include "live/geometry.h"

#include <algorithm>
#include <cmath>

#include "platform/capture/preview.h"

namespace live {

double OuterWidthFor(double pictureWidth, const NonClient& n) { return 2 * n.xBorder + pictureWidth; }

double OuterHeightFor(double pictureWidth, const NonClient& n) {
  return pictureWidth / 4 * 3 + 2 * n.yBorder + n.menuHeight + n.captionHeight + n.statusBarHeight;
}

bool IsFreeResize(double innerWidth, double innerHeight, rt::Bool16 freeResize) {
  return innerWidth >= kMinFreeWidth && innerHeight >= kMinFreeHeight && freeResize != rt::False;
}

QRect PictureArea(QSize inner) { return capture::fitCentred({4, 3}, QRect(QPoint(0, 0), inner)); }

int PictureWidthFitting(int wanted, QSize available, const NonClient& n) {
  if (available.isEmpty()) return wanted;
  const double byWidth = available.width() - OuterWidthFor(0, n);
  const double byHeight = (available.height() - OuterHeightFor(0, n)) * 4 / 3;
  const int fitting = static_cast<int>(std::floor(std::min(byWidth, byHeight)));
  // Never below the smallest area the border may be freed at.
  return std::clamp(fitting, kMinFreeWidth, std::max(wanted, kMinFreeWidth));
}

}  // namespace live
