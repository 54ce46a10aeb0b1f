#include <gtest/gtest.h>

#include "app/settings_values.h"
#include "support/test_env.h"

namespace {

TEST(DriverIndexSetting, OnlyAnExistingEntryIsKept) {
  const struct {
    const char* stored;
    std::int32_t highest;
    std::int32_t index;
  } cases[] = {
      {"0", 0, 0},  {"3", 0, 0},    {"abc", 0, 0},        {"-2", 0, 0},         {"2.5", 2, 2},
      {"3.5", 5, 4}, {"3.5", 3, 0}, {"99999999999", 5, 0}, {"-99999999999", 5, 0}, {" 1", 1, 1},
      {"", 0, 0},   {"1e0", 1, 1},
  };
  for (const auto& c : cases)
    EXPECT_EQ(app::DriverIndexFromSetting(c.stored, c.highest), c.index) << c.stored << " / " << c.highest;
}

TEST(PathSetting, EmptyNewOrTooShortGivesTheDefault) {
  const QString live = testing_support::picturesDir() + "/MOR0000.bmp";
  const QString twain = testing_support::picturesDir() + "/ZENO0000.bmp";
  EXPECT_EQ(app::DefaultLivePath(), live);
  const struct {
    QString stored;
    QString live;
    QString twain;
  } cases[] = {
      {"", live, twain},
      {"New", live, twain},
      {"new", live, twain},  // too short to hold a counter and an extension
      {"A001.bm", live, twain},
      {"/x/A0001.jpg", "/x/A0001.jpg", "/x/A0001.jpg"},
      {"new00001", "new00001", "new00001"},
      {"/home/u/Pictures/a.bmp", live, twain},  // the counter would cut into the folder
      {QString("/x/A") + QChar(0) + "/B0001.jpg", live, twain},  // names no file
  };
  for (const auto& c : cases) {
    EXPECT_EQ(app::LivePathFromSetting(c.stored), c.live) << c.stored.toStdString();
    EXPECT_EQ(app::TwainPathFromSetting(c.stored), c.twain) << c.stored.toStdString();
  }
}

TEST(BorderSetting, NewAndOneFreezeEverythingElseFrees) {
  const struct {
    const char* stored;
    rt::Bool16 free;
  } cases[] = {{"New", rt::False}, {"1", rt::False}, {"0", rt::True}, {"2", rt::True},
               {"", rt::True},     {"new", rt::True}, {" 1", rt::True}};
  for (const auto& c : cases) EXPECT_EQ(app::FreeResizeFromSetting(c.stored), c.free) << c.stored;
}

}  // namespace
