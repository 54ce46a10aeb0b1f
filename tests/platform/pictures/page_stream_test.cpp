#include "platform/pictures/page_stream.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "support/test_env.h"

namespace {

using pictures::Format;
using pictures::PageStream;
using testing_support::contentOf;
using testing_support::entries;
using testing_support::freshDir;
using testing_support::native;

constexpr QSize kViewerMost(100, 100);

std::vector<std::uint8_t> patternPixels(int width, int height, int channels) {
  std::vector<std::uint8_t> pixels(std::size_t(width) * height * channels);
  for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = std::uint8_t(i * 31 + 7);
  return pixels;
}

struct StreamCase {
  const char* name;
  int width, height, channels;
  std::vector<int> bands;
};

// Band by band, a page makes the file the whole page makes, byte for byte,
// and the viewer gets the middle pixel of every factor-th one, wherever the
// bands end.
TEST(PageStream, BandsMakeTheFileTheWholePageMakes) {
  const StreamCase cases[] = {
      {"colour, rows of whole words", 8, 5, 3, {5}},
      {"colour, padded rows, uneven bands", 7, 9, 3, {1, 4, 4}},
      {"grey, padded rows, a row a band", 5, 4, 1, {1, 1, 1, 1}},
      {"grey, reduced for the viewer", 301, 203, 1, {64, 100, 39}},
      {"colour, reduced for the viewer", 250, 120, 3, {7, 113}},
  };
  for (const StreamCase& c : cases) {
    SCOPED_TRACE(c.name);
    const QString dir = freshDir("stream");
    const auto pixels = patternPixels(c.width, c.height, c.channels);
    PageStream stream(native(dir), Format::Bmp, kViewerMost);
    ASSERT_TRUE(stream.begin(c.width, c.height, c.channels, 300, 150));
    ASSERT_EQ(std::accumulate(c.bands.begin(), c.bands.end(), 0), c.height);
    std::size_t at = 0;
    for (int rows : c.bands) {
      stream.add(pixels.data() + at, rows);
      at += std::size_t(rows) * c.width * c.channels;
    }
    auto pending = stream.end();
    ASSERT_TRUE(pending);
    const auto streamed = pending->finish(native(dir + "/streamed.bmp"));
    EXPECT_TRUE(streamed.saved());

    const pictures::Page page{pixels, c.width, c.height, c.channels, 300, 150, false, false, {}};
    const auto whole = pictures::storePicture(page, native(dir + "/whole.bmp"), Format::Bmp);
    ASSERT_TRUE(whole.saved());
    EXPECT_EQ(contentOf(dir + "/streamed.bmp"), contentOf(dir + "/whole.bmp"));

    const int factor = std::max((c.width + 99) / 100, (c.height + 99) / 100);
    ASSERT_EQ(streamed.picture.size(), QSize(c.width / factor, c.height / factor));
    for (int y = 0; y < streamed.picture.height(); ++y)
      for (int x = 0; x < streamed.picture.width(); ++x)
        ASSERT_EQ(streamed.picture.pixel(x, y), whole.picture.pixel(x * factor + factor / 2, y * factor + factor / 2))
            << x << ", " << y;
  }
}

// Only bitmap pages of grey or colour bytes are taken; a page that does not
// get all its rows, or gets more, ends as nothing, its temporary gone.
TEST(PageStream, RefusesOtherPagesAndDropsOneCutShort) {
  const QString dir = freshDir("refused");
  const auto pixels = patternPixels(4, 4, 3);
  PageStream jpeg(native(dir), Format::Jpeg, kViewerMost);
  EXPECT_FALSE(jpeg.begin(4, 4, 3, 0, 0));
  PageStream stream(native(dir), Format::Bmp, kViewerMost);
  EXPECT_FALSE(stream.begin(4, 4, 4, 0, 0));
  EXPECT_FALSE(stream.begin(0, 4, 3, 0, 0));
  EXPECT_FALSE(stream.end());

  for (int given : {3, 5}) {
    SCOPED_TRACE(given);
    ASSERT_TRUE(stream.begin(4, 4, 3, 0, 0));
    stream.add(pixels.data(), 3);
    if (given == 5) stream.add(pixels.data(), 2);
    EXPECT_FALSE(stream.end());
    EXPECT_EQ(entries(dir), QStringList());
  }
}

}  // namespace
