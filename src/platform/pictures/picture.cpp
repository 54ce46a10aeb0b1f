#include "platform/pictures/picture.h"

#include <cmath>

namespace pictures {

namespace {
constexpr double kMetresPerInch = 0.0254;
constexpr double kMinPlausibleDpi = 1.0;
constexpr double kMaxPlausibleDpi = 65535.0;  // the JFIF density field is 16 bits

std::size_t bytesPerPixel(PixelKind kind) {
  switch (kind) {
    case PixelKind::Grey: return 1;
    case PixelKind::Bgrx: return 4;
    default: return 3;
  }
}
}  // namespace

bool isValid(const Rows& rows) {
  if (rows.data == nullptr || rows.width <= 0 || rows.height <= 0 || rows.width > kMaxSide || rows.height > kMaxSide)
    return false;
  if (std::int64_t{rows.width} * rows.height > kMaxPixels) return false;
  return rows.stride >= static_cast<std::size_t>(rows.width) * bytesPerPixel(rows.kind);
}

double effectiveDpi(double recorded) {
  if (std::isfinite(recorded) && recorded >= kMinPlausibleDpi && recorded <= kMaxPlausibleDpi) return recorded;
  return kDefaultDpi;
}

std::int32_t pixelsPerMetreFromDpi(double dpi) {
  if (!std::isfinite(dpi) || dpi <= 0 || dpi > kMaxPlausibleDpi) return 0;
  return static_cast<std::int32_t>(std::lround(dpi / kMetresPerInch));
}

}  // namespace pictures
