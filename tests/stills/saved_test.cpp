#include <gtest/gtest.h>

#include "stills/saved.h"

namespace {

using stills::ScannerRun;

TEST(Saved, AScannerRunIsSummedUpByItsCountAndItsFirstAndLastPage) {
  struct Case {
    ScannerRun run;
    QString told;
  };
  const Case cases[] = {
      {{10, "/p/MOR0040.jpg", "/p/MOR0049.jpg", false}, "10 pages saved: MOR0040.jpg - MOR0049.jpg"},
      {{2, "/p/MOR0040.jpg", "/p/MOR0041.jpg", true}, "Cancelled after 2 pages: MOR0040.jpg - MOR0041.jpg"},
      {{1, "/p/MOR0040.bmp", "/p/MOR0040.bmp", false}, "1 page saved: MOR0040.bmp"},
      {{1, "/p/MOR0040.pdf", "/p/MOR0040.pdf", true}, "Cancelled after 1 page: MOR0040.pdf"},
      {{0, "", "", false}, "No page saved"},
      {{0, "", "", true}, "Cancelled, no page saved"},
      // Past 9999 the names only grow.
      {{3, "/p/MOR9998.bmp", "/p/MOR10000.bmp", false}, "3 pages saved: MOR9998.bmp - MOR10000.bmp"},
  };
  for (const Case& c : cases) EXPECT_EQ(stills::RunSummaryText(c.run), c.told);
}

}  // namespace
