#include "live/geometry.h"

namespace live {

double OuterWidthFor(double pictureWidth, const NonClient& n) { return 2 * n.xBorder + pictureWidth; }

double OuterHeightFor(double pictureWidth, const NonClient& n) {
  return pictureWidth / 4 * 3 + 2 * n.yBorder + n.menuHeight + n.captionHeight + n.statusBarHeight;
}

bool IsFreeResize(double innerWidth, double innerHeight, rt::Bool16 freeResize) {
  return innerWidth >= kMinFreeWidth && innerHeight >= kMinFreeHeight && freeResize != rt::False;
}

}  // namespace live
