#pragma once
// The live window's 4 : 3 arithmetic, in pixels.

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

}  // namespace live
