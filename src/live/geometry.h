#pragma once
// The live window's 4 : 3 arithmetic, in pixels.

#include <QRect>
#include <QSize>

#include "platform/runtime/vb.h"

namespace live {

struct NonClient {
  int xBorder;
  int yBorder;
  int menuHeight;
  int captionHeight;
  int statusBarHeight = 0;  // below the picture
};

// The outer size for a picture width: the picture's height follows at 3 : 4
// and is not rounded; the status bar comes below the picture.
double OuterWidthFor(double pictureWidth, const NonClient& n);
double OuterHeightFor(double pictureWidth, const NonClient& n);

// Smallest inner area that may be resized freely (both inclusive).
constexpr int kMinFreeWidth = 310;
constexpr int kMinFreeHeight = 230;

// True when a resize to this inner size is kept (the height then follows
// the width); false when the window goes back to the recorded picture width.
bool IsFreeResize(double innerWidth, double innerHeight, rt::Bool16 freeResize);

// Where the picture goes in an inner area of any size (the desktop may
// impose one): the largest 4 : 3 rectangle inside it, centred.
QRect PictureArea(QSize inner);

// The largest picture width up to `wanted` whose window fits on a screen
// area of `available` pixels, for the width and the height at 3 : 4 alike
// (a scale factor can make the designed size larger than the screen).
int PictureWidthFitting(int wanted, QSize available, const NonClient& n);

}  // namespace live
