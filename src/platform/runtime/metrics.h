#pragma once
// Screen metrics. Window outer sizes are simulated from these values (see
// Form), so the arithmetic that the program does with them comes out exact.

namespace rt {

constexpr int SM_CYCAPTION = 4;
constexpr int SM_CXBORDER = 5;
constexpr int SM_CYBORDER = 6;
constexpr int SM_CYMENU = 15;
constexpr int SM_CXFRAME = 32;
constexpr int SM_CYFRAME = 33;
constexpr int SM_CXEDGE = 45;
constexpr int SM_CYEDGE = 46;

int GetSystemMetrics(int index);

// Twips per pixel from the screen's logical resolution (15 at 96 dpi).
double TwipsPerPixelX();
double TwipsPerPixelY();

}  // namespace rt
