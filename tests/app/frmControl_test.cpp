#include <gtest/gtest.h>

#include "app/Public.h"
#include "app/forms.h"
#include "platform/runtime/vb.h"
#include "support/test_env.h"

namespace {

// Stand-ins for the two capture windows that count their loads and unloads
// and record whether an unload would end the program.
struct LiveProbe : app::form1Design {
  LiveProbe() { ++loads; }
  void Form_Unload(std::int16_t&) override {
    ++unloads;
    endedOnUnload += app::AppState.EndOnUnload != 0;
  }
  void mnuTwain_Click() override { app::AppState.ScreenMode = 2; }
  static inline int loads = 0, unloads = 0, endedOnUnload = 0;
};

struct TwainProbe : app::Form2Design {
  TwainProbe() { ++loads; }
  void Form_Unload(std::int16_t&) override { ++unloads; }
  void mnuLive_Click() override { app::AppState.ScreenMode = 1; }
  static inline int loads = 0, unloads = 0;
};

struct ControllerTest : ::testing::Test {
  void SetUp() override {
    app::ResetAppState();
    LiveProbe::loads = LiveProbe::unloads = LiveProbe::endedOnUnload = 0;
    TwainProbe::loads = TwainProbe::unloads = 0;
    app::form1.setFactory([] { return std::make_unique<LiveProbe>(); });
    app::Form2.setFactory([] { return std::make_unique<TwainProbe>(); });
    app::frmControl.Load();
    app::frmControl->Timer1->stop();  // ticks are driven by hand
  }
  void TearDown() override {
    app::UnloadAll();
    testing_support::settle();
  }
  void tick() { app::frmControl->Timer1_Timer(); }
};

TEST_F(ControllerTest, StartsWithTheLiveWindow) {
  EXPECT_EQ(app::AppState.ScreenMode, 1);
  EXPECT_EQ(app::frmControl->ShownMode, 1);
  EXPECT_TRUE(app::form1.IsLoaded());
  EXPECT_TRUE(app::form1.ifLoaded()->isVisible());
  EXPECT_FALSE(app::Form2.IsLoaded());
  EXPECT_FALSE(app::frmControl->isVisible());
  EXPECT_EQ(app::frmControl->Timer1->interval(), 100);
}

TEST_F(ControllerTest, TwoRequestsBeforeATickSwitchOnce) {
  app::form1->mnuTwain_Click();
  app::form1->mnuTwain_Click();
  EXPECT_TRUE(app::form1.IsLoaded());  // nothing happens before the tick
  tick();
  tick();
  EXPECT_EQ(LiveProbe::unloads, 1);
  EXPECT_EQ(TwainProbe::loads, 1);
  EXPECT_FALSE(app::form1.IsLoaded());
  EXPECT_TRUE(app::Form2.ifLoaded()->isVisible());
  EXPECT_EQ(app::frmControl->ShownMode, 2);
  EXPECT_EQ(LiveProbe::endedOnUnload, 0);  // a switch does not end the program
}

TEST_F(ControllerTest, EveryReturnLoadsTheLiveWindowAfresh) {
  for (int round = 1; round <= 3; ++round) {
    app::form1->mnuTwain_Click();
    tick();
    app::Form2->mnuLive_Click();
    tick();
    EXPECT_EQ(LiveProbe::loads, 1 + round);
    EXPECT_EQ(TwainProbe::unloads, round);
    EXPECT_EQ(app::AppState.EndOnUnload, rt::True);
  }
  EXPECT_EQ(LiveProbe::endedOnUnload, 0);
}

TEST_F(ControllerTest, ATickWithoutARequestChangesNothing) {
  tick();
  EXPECT_EQ(LiveProbe::loads, 1);
  EXPECT_EQ(LiveProbe::unloads, 0);
}

}  // namespace
