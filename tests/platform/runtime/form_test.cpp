#include <gtest/gtest.h>

#include <QCloseEvent>
#include <QCoreApplication>
#include <QPointer>

#include "platform/runtime/form.h"
#include "platform/runtime/metrics.h"
#include "support/test_env.h"

namespace {

rt::FormDesign pixelDesign() {
  rt::FormDesign d;
  d.caption = "probe";
  d.clientWidth = 11775;
  d.clientHeight = 8205;
  d.scale = rt::ScaleUnit::Pixels;
  d.hasMenu = true;
  return d;
}

struct Probe : rt::Form {
  Probe() : rt::Form(pixelDesign()) { ++created; }
  void Form_Load() override { ++loads; }
  void Form_Unload(std::int16_t& Cancel) override {
    ++unloads;
    Cancel = cancelNext;
  }
  static inline int created = 0, loads = 0, unloads = 0;
  static inline std::int16_t cancelNext = 0;
};

struct FormSlotTest : ::testing::Test {
  void SetUp() override { Probe::created = Probe::loads = Probe::unloads = Probe::cancelNext = 0; }
  void TearDown() override {
    Probe::cancelNext = 0;
    slot.Unload();
    testing_support::settle();
  }
  rt::FormSlot<Probe> slot;
};

TEST_F(FormSlotTest, AReferenceLoadsOnceAndUnloadDestroysTheInstance) {
  EXPECT_FALSE(slot.IsLoaded());
  QPointer<Probe> first = &slot.get();
  slot->setWindowTitle("x");
  EXPECT_EQ(Probe::created, 1);
  EXPECT_EQ(Probe::loads, 1);
  slot.Unload();
  EXPECT_EQ(Probe::unloads, 1);
  EXPECT_FALSE(slot.IsLoaded());
  testing_support::settle();
  EXPECT_TRUE(first.isNull());
  slot.Unload();  // not loaded: nothing happens
  EXPECT_EQ(Probe::unloads, 1);
  slot.Show();
  EXPECT_EQ(Probe::created, 2);
  EXPECT_EQ(Probe::loads, 2);
  EXPECT_TRUE(slot->isVisible());
}

TEST_F(FormSlotTest, TheCloseBoxUnloadsAndACancelKeepsTheWindow) {
  slot.Show();
  Probe::cancelNext = 1;
  slot->close();
  EXPECT_TRUE(slot.IsLoaded());
  Probe::cancelNext = 0;
  slot.ifLoaded()->close();
  EXPECT_FALSE(slot.IsLoaded());
  EXPECT_EQ(Probe::unloads, 2);
}

TEST_F(FormSlotTest, OuterSizeMapsExactlyOntoTheInnerSize) {
  Probe& form = slot.get();
  EXPECT_EQ(form.ScaleWidth(), 785);
  EXPECT_EQ(form.ScaleHeight(), 547);
  const int edge = rt::GetSystemMetrics(rt::SM_CXEDGE);
  const int extraY = 2 * rt::GetSystemMetrics(rt::SM_CYEDGE) + rt::GetSystemMetrics(rt::SM_CYMENU) +
                     rt::GetSystemMetrics(rt::SM_CYCAPTION);
  for (int w : {320, 640, 800, 1024}) {
    form.setWidth(static_cast<float>((2 * edge + w) * rt::TwipsPerPixelX()));
    form.setHeight(static_cast<float>((w / 4.0 * 3 + extraY) * rt::TwipsPerPixelY()));
    EXPECT_EQ(form.ScaleWidth(), w);
    EXPECT_EQ(form.ScaleHeight(), w * 3 / 4);
    EXPECT_DOUBLE_EQ(form.Width(), (2 * edge + w) * rt::TwipsPerPixelX());
  }
}

TEST(Metrics, FifteenTwipsPerPixelAtNinetySixDpi) {
  EXPECT_DOUBLE_EQ(rt::TwipsPerPixelX(), 15.0);
  EXPECT_DOUBLE_EQ(rt::TwipsPerPixelY(), 15.0);
  EXPECT_GT(rt::GetSystemMetrics(rt::SM_CYMENU), 10);
  EXPECT_EQ(rt::GetSystemMetrics(12345), 0);
}

}  // namespace
