#include "platform/pictures/bgr_rows.h"

#include <bit>
#include <cstring>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define VIC_BYTE_SHUFFLE 1
#endif

namespace pictures {

namespace {

static_assert(std::endian::native == std::endian::little, "frame pixels are repacked as little-endian words");

// Four 0xAARRGGBB words make three words of blue, green, red bytes.
void packFrameWords(const std::uint8_t* row, int x, int width, std::uint8_t* out) {
  const auto* in = reinterpret_cast<const std::uint32_t*>(row);
  out += 3 * x;
  for (; x + 4 <= width; x += 4, out += 12) {
    const std::uint32_t p0 = in[x], p1 = in[x + 1], p2 = in[x + 2], p3 = in[x + 3];
    // Stored word by word: read back from a stack array, two of these words
    // would be one load spanning two stores, which the processor cannot
    // forward and stalls on.
    const std::uint32_t w0 = (p0 & 0xFFFFFF) | (p1 << 24), w1 = ((p1 >> 8) & 0xFFFF) | (p2 << 16),
                        w2 = ((p2 >> 16) & 0xFF) | (p3 << 8);
    std::memcpy(out, &w0, 4);
    std::memcpy(out + 4, &w1, 4);
    std::memcpy(out + 8, &w2, 4);
  }
  for (; x < width; ++x) {
    *out++ = std::uint8_t(in[x]);
    *out++ = std::uint8_t(in[x] >> 8);
    *out++ = std::uint8_t(in[x] >> 16);
  }
}

// Red and blue swapped, four pixels (three words) at a time:
// in  r0 g0 b0 r1 | g1 b1 r2 g2 | b2 r3 g3 b3
// out b0 g0 r0 b1 | g1 r1 b2 g2 | r2 b3 g3 r3
void swapRgbWords(const std::uint8_t* src, int x, int width, std::uint8_t* out) {
  src += 3 * x;
  out += 3 * x;
  for (; x + 4 <= width; x += 4, src += 12, out += 12) {
    std::uint32_t a, b, c;
    std::memcpy(&a, src, 4);
    std::memcpy(&b, src + 4, 4);
    std::memcpy(&c, src + 8, 4);
    const std::uint32_t w0 = ((a >> 16) & 0xFF) | (a & 0xFF00) | ((a & 0xFF) << 16) | (((b >> 8) & 0xFF) << 24);
    const std::uint32_t w1 = (b & 0xFF) | ((a >> 24) << 8) | ((c & 0xFF) << 16) | (b & 0xFF000000);
    const std::uint32_t w2 = ((b >> 16) & 0xFF) | ((c >> 24) << 8) | (c & 0xFF0000) | (((c >> 8) & 0xFF) << 24);
    std::memcpy(out, &w0, 4);
    std::memcpy(out + 4, &w1, 4);
    std::memcpy(out + 8, &w2, 4);
  }
  for (; x < width; ++x, src += 3, out += 3) {
    out[0] = src[2];
    out[1] = src[1];
    out[2] = src[0];
  }
}

// A byte shuffle of 16 bytes: `step` pixels of `bytesIn` bytes each to as
// many of three (0x80 clears a byte).
struct Shuffle {
  std::uint8_t order[16];
  int step;
  int bytesIn;
};
constexpr Shuffle kSwapRgb{{2, 1, 0, 5, 4, 3, 8, 7, 6, 11, 10, 9, 14, 13, 12, 15}, 5, 3};
constexpr Shuffle kPackFrame{{0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, 0x80, 0x80, 0x80, 0x80}, 4, 4};

#ifdef VIC_BYTE_SHUFFLE
// One byte shuffle per 16 bytes; the word loops above take twice the
// processor time, which showed in every page a scanner run writes. Each
// step reads and stores 16 bytes, more than its pixels fill, so the row
// must go on past them: the bytes past its pixels are written again by the
// next step or the word loop. Returns the first pixel left to the word loop.
__attribute__((target("ssse3"))) int shuffleRow(const std::uint8_t* src, int width, std::uint8_t* out,
                                                 const Shuffle& shuffle) {
  const __m128i order = _mm_loadu_si128(reinterpret_cast<const __m128i*>(shuffle.order));
  int x = 0;
  for (; x + 6 <= width; x += shuffle.step) {
    const __m128i in = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + shuffle.bytesIn * x));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 3 * x), _mm_shuffle_epi8(in, order));
  }
  return x;
}

bool canShuffle() {
  static const bool yes = __builtin_cpu_supports("ssse3");
  return yes;
}
#endif

using WordLoop = void (*)(const std::uint8_t* src, int from, int width, std::uint8_t* out);

void repack(const std::uint8_t* src, int width, std::uint8_t* out, [[maybe_unused]] const Shuffle& shuffle,
            WordLoop words) {
  int x = 0;
#ifdef VIC_BYTE_SHUFFLE
  if (canShuffle()) x = shuffleRow(src, width, out, shuffle);
#endif
  words(src, x, width, out);
}

}  // namespace

void swapRgbRow(const std::uint8_t* src, int width, std::uint8_t* out) {
  repack(src, width, out, kSwapRgb, swapRgbWords);
}

void packFrameRow(const std::uint8_t* src, int width, std::uint8_t* out) {
  repack(src, width, out, kPackFrame, packFrameWords);
}

}  // namespace pictures
