#include "platform/pictures/bgr_rows.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

using Repack = void (*)(const std::uint8_t*, int, std::uint8_t*);

struct RowCase {
  const char* name;
  Repack repack;
  int bytesIn;               // per pixel
  int from[3];               // which input byte each output byte takes
};

const RowCase kRows[] = {
    {"page rgb", pictures::swapRgbRow, 3, {2, 1, 0}},
    {"frame bgrx", pictures::packFrameRow, 4, {0, 1, 2}},
};

// Every width up to a few steps of the fast loop, so that each way a row can
// end after it is met: each output byte from its own input byte, and nothing
// written past the row (the fast loop stores more than it fills). The input
// is exactly the row, so a read past it shows under the address sanitizer.
TEST(BgrRows, EveryWidthMatchesThePixelByPixelRepack) {
  constexpr std::uint8_t kGuard = 0xA5;
  for (const RowCase& c : kRows) {
    for (int width = 0; width <= 40; ++width) {
      SCOPED_TRACE(testing::Message() << c.name << ", width " << width);
      std::vector<std::uint8_t> in(std::size_t(width) * c.bytesIn);
      for (std::size_t i = 0; i < in.size(); ++i) in[i] = std::uint8_t(i * 7 + 3);
      std::vector<std::uint8_t> out(std::size_t(width) * 3 + 16, kGuard);
      c.repack(in.data(), width, out.data());
      for (int x = 0; x < width; ++x)
        for (int k = 0; k < 3; ++k)
          ASSERT_EQ(out[std::size_t(3 * x + k)], in[std::size_t(c.bytesIn * x + c.from[k])]) << "pixel " << x;
      for (std::size_t i = std::size_t(width) * 3; i < out.size(); ++i) ASSERT_EQ(out[i], kGuard) << "byte " << i;
    }
  }
}

}  // namespace
