#include <gtest/gtest.h>

#include "platform/runtime/vb.h"

namespace {

TEST(Val, ReadsTheLeadingNumberOnly) {
  const struct {
    const char* text;
    double value;
  } cases[] = {
      {"3", 3},     {"  42abc", 42}, {"abc", 0},     {"", 0},       {"-2", -2},  {"2.5", 2.5},
      {"3.5", 3.5}, {"0041", 41},    {"1e3", 1000},  {"1e", 1},     {".5", 0.5}, {"+7x", 7},
      {"- 7", 0},   {"1e999", 0},    {"\t12", 12},   {"١٢", 0},
  };
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(rt::Val(QString::fromUtf8(c.text)), c.value) << c.text;
}

TEST(CLng, RoundsHalvesToEvenAndRefusesWhatDoesNotFit) {
  EXPECT_EQ(rt::CLng(2.5), 2);
  EXPECT_EQ(rt::CLng(3.5), 4);
  EXPECT_EQ(rt::CLng(-2.5), -2);
  EXPECT_EQ(rt::CLng(0.4999), 0);
  EXPECT_EQ(rt::CLng(2147483647.0), 2147483647);
  EXPECT_EQ(rt::CLng(2147483648.0), std::nullopt);
  EXPECT_EQ(rt::CLng(-2147483649.0), std::nullopt);
  EXPECT_EQ(rt::CLng(std::numeric_limits<double>::quiet_NaN()), std::nullopt);
}

TEST(Format0000, PadsToFourDigitsAndKeepsLongerNumbers) {
  EXPECT_EQ(rt::Format0000(0), "0000");
  EXPECT_EQ(rt::Format0000(42), "0042");
  EXPECT_EQ(rt::Format0000(9999), "9999");
  EXPECT_EQ(rt::Format0000(10000), "10000");
  EXPECT_EQ(rt::Format0000(-1), "-0001");
}

TEST(DisplayPath, PutsABlankOnEachSideOfEverySeparator) {
  EXPECT_EQ(rt::DisplayPath("C:\\MOR0001.bmp"), "C: \\ MOR0001.bmp");
  EXPECT_EQ(rt::DisplayPath("/home/u/Pictures/MOR0001.bmp"), " / home / u / Pictures / MOR0001.bmp");
  EXPECT_EQ(rt::DisplayPath("plain.bmp"), "plain.bmp");
}

TEST(FitToBuffer, CutsAtTheFirstZeroAndToTheCapacity) {
  EXPECT_EQ(rt::FitToBuffer("abc", 10), "abc");
  EXPECT_EQ(rt::FitToBuffer("abcdef", 4), "abc");
  EXPECT_EQ(rt::FitToBuffer(QString("ab") + QChar(0) + "cd", 10), "ab");
  EXPECT_EQ(rt::FitToBuffer("abc", 0), "");
}

}  // namespace
