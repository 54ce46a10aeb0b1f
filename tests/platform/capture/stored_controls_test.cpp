#include <gtest/gtest.h>

#include "platform/capture/stored_controls.h"

namespace {

using namespace capture;
using Kind = Control::Kind;

Control integer(std::uint32_t id, int minimum, int maximum, int step, int value) {
  return {id, {}, Kind::Integer, minimum, maximum, step, 0, value, {}, false};
}

TEST(StoredControls, TextReadsBackAndBadEntriesAreLeftOut) {
  const std::vector<StoredControl> controls{{0x00980900, Kind::Integer, -64, 64, 1, -10},
                                            {0x009a0901, Kind::Menu, 0, 3, 1, 1},
                                            {0x0098090c, Kind::Boolean, 0, 1, 1, 0}};
  const QString text = storedControlsText(controls);
  EXPECT_EQ(text, "00980900:i:-64:64:1=-10 009a0901:m:0:3:1=1 0098090c:b:0:1:1=0");
  EXPECT_EQ(parseStoredControls(text), controls);
  EXPECT_EQ(parseStoredControls("  " + text + "  "), controls);

  for (const char* bad : {"00980900:x:0:1:1=0", "00980900:i:0:1=0", "zz:i:0:1:1=0", "00980900:i:0:1:1=",
                          "00980900:i:0:99999999999:1=0", "00980900:i:0:1:1=5junk", "00980900:i:0:4294967296:1=0", "123456789:i:0:1:1=0"}) {
    const auto parsed = parseStoredControls(QString(bad) + " 00980900:i:0:255:1=7");
    ASSERT_EQ(parsed.size(), 1u) << bad;
    EXPECT_EQ(parsed[0].value, 7) << bad;
  }
}

TEST(StoredControls, OnlyValuesThatStillFitAreApplied) {
  const std::vector<Control> current{integer(1, 0, 255, 1, 128), integer(2, 1, 10000, 1, 156),
                                     integer(3, 0, 100, 5, 50)};
  struct Case {
    const char* what;
    StoredControl stored;
    bool applied;
  } cases[] = {
      {"same type and range", {1, Kind::Integer, 0, 255, 1, 200}, true},
      {"same value as now", {1, Kind::Integer, 0, 255, 1, 128}, false},
      {"other maximum", {1, Kind::Integer, 0, 100, 1, 50}, false},
      {"other minimum", {2, Kind::Integer, 0, 10000, 1, 300}, false},
      {"other step", {3, Kind::Integer, 0, 100, 1, 40}, false},
      {"other type", {1, Kind::Menu, 0, 255, 1, 2}, false},
      {"control gone", {9, Kind::Integer, 0, 255, 1, 2}, false},
      {"value outside the range", {1, Kind::Integer, 0, 255, 1, 300}, false},
  };
  for (const Case& c : cases) {
    const ControlValues values = valuesToApply({c.stored}, current);
    EXPECT_EQ(values.size(), c.applied ? 1u : 0u) << c.what;
    if (c.applied && !values.empty()) {
      EXPECT_EQ(values[0], std::make_pair(c.stored.id, c.stored.value)) << c.what;
    }
  }
}

}  // namespace
