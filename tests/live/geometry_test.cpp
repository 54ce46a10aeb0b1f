#include "live/geometry.h"
#include "live_fixture.h"
#include "platform/runtime/metrics.h"
#include "platform/window/window.h"

namespace {

using testing_support::FakeCaptureWindow;
using testing_support::LiveWindowTest;

TEST(Geometry, OuterSizeFollowsThePictureWidthAtFourToThree) {
  const live::NonClient n{2, 2, 19, 18, 17};
  EXPECT_EQ(live::OuterWidthFor(640, n), 644);
  EXPECT_EQ(live::OuterHeightFor(640, n), 480 + 4 + 19 + 18 + 17);
  EXPECT_DOUBLE_EQ(live::OuterHeightFor(310, n), 232.5 + 4 + 19 + 18 + 17);  // not rounded
}

TEST(Geometry, OnlyAFreeBorderAndALargeEnoughAreaKeepTheSize) {
  const struct {
    double w, h;
    rt::Bool16 free;
    bool kept;
  } cases[] = {
      {800, 600, rt::True, true},   {310, 230, rt::True, true},  {309, 230, rt::True, false},
      {310, 229, rt::True, false},  {800, 600, rt::False, false}, {300, 900, rt::True, false},
      {1600, 230, rt::True, true},
  };
  for (const auto& c : cases) EXPECT_EQ(live::IsFreeResize(c.w, c.h, c.free), c.kept) << c.w << "x" << c.h;
}

// The picture area of any inner size is the largest 4 : 3 rectangle in it
// (the fitting itself is the preview's, tested with it).
TEST(Geometry, ThePictureAreaIsTheLargestCentredFourToThreeInside) {
  EXPECT_EQ(live::PictureArea({1276, 995}), QRect(0, 19, 1276, 957));
  EXPECT_EQ(live::PictureArea({0, 480}), QRect());
}

TEST(Geometry, TheDesignedWidthIsCutDownToFitTheScreen) {
  const live::NonClient n{2, 2, 19, 18, 17};
  const struct {
    QSize screen;
    int width;
  } cases[] = {
      {{1280, 1024}, 640},
      {{640, 512}, 605},  // 1280 x 1024 at a scale factor of 2: the height decides
      {{600, 1024}, 596},  // a narrow screen: the width decides
      {{300, 200}, 310},   // never below the smallest free area
      {{}, 640},           // no screen known
  };
  for (const auto& c : cases)
    EXPECT_EQ(live::PictureWidthFitting(640, c.screen, n), c.width) << c.screen.width() << "x" << c.screen.height();
}

// Sets the picture area's size as a user's drag of the window would.
void drag(live::form1& w, int innerWidth, int innerHeight) {
  w.resize(innerWidth, innerHeight + w.MenuHeight() + w.design().statusBarHeight);
  testing_support::settle();
}

// A frozen border holds the window at one size, so that a window manager
// offers neither resizing nor maximising; a free one lets go at the click.
TEST_F(LiveWindowTest, AFrozenBorderHoldsTheSizeAndAFreeOneLetsGo) {
  live::form1& w = show();
  const QSize designed = w.size();
  EXPECT_EQ(w.minimumSize(), designed);
  EXPECT_EQ(w.maximumSize(), designed);
  w.mnuBorder->trigger();
  EXPECT_EQ(w.size(), designed);
  EXPECT_LT(w.minimumWidth(), designed.width());
  EXPECT_GT(w.maximumWidth(), 10000);
  drag(w, 800, 300);
  EXPECT_EQ(w.ScaleWidth(), 800);
  w.mnuBorder->trigger();
  EXPECT_EQ(w.minimumSize(), w.size());
  EXPECT_EQ(w.maximumSize(), w.size());
}

// The live window cannot be maximised: one maximised anyway comes back to
// its own size, its picture whole at 4 : 3.
TEST_F(LiveWindowTest, AMaximisedWindowComesBackToItsSize) {
  live::form1& w = show();
  w.mnuBorder->trigger();
  w.showMaximized();
  LiveWindowTest::wait(200);
  testing_support::settle();
  EXPECT_FALSE(w.isMaximized());
  EXPECT_EQ(w.ScaleWidth(), 640);
  EXPECT_EQ(win::widgetOf(app::AppState.hCapWnd)->geometry(), QRect(0, 0, 640, 480));
}

TEST_F(LiveWindowTest, AFreeBorderKeepsTheWidthAndFollowsWithTheHeight) {
  live::form1& w = show();
  w.mnuBorder->trigger();
  EXPECT_EQ(rt::GetSetting("ZENO", "PARAS", "Border", ""), "2");
  EXPECT_EQ(w.ScaleWidth(), 640);  // the toggle alone does not resize
  drag(w, 800, 300);
  EXPECT_EQ(w.ScaleWidth(), 800);
  EXPECT_EQ(w.ScaleHeight(), 600);
  EXPECT_EQ(app::AppState.VideoWidth, 800);
  EXPECT_EQ(win::widgetOf(app::AppState.hCapWnd)->size(), QSize(800, 600));

  drag(w, 300, 500);  // too narrow: back to the recorded width
  EXPECT_EQ(w.ScaleWidth(), 800);
  EXPECT_EQ(w.ScaleHeight(), 600);

  drag(w, 310, 230);  // exactly the smallest free area
  EXPECT_EQ(w.ScaleWidth(), 310);
  EXPECT_EQ(app::AppState.VideoWidth, 310);

  w.mnuBorder->trigger();
  EXPECT_EQ(rt::GetSetting("ZENO", "PARAS", "Border", ""), "1");
  EXPECT_TRUE(w.mnuBorder->isChecked());
}

// The picture fills the area between the menu bar and the status bar, so
// the status bar hides no row of the frame, whether the border is frozen or
// free; a frozen border snaps back to its size.
TEST_F(LiveWindowTest, ThePictureAreaLiesBetweenMenuBarAndStatusBar) {
  const struct {
    bool free;
    QSize drag, picture;
  } cases[] = {
      {false, {640, 480}, {640, 480}},
      {false, {900, 700}, {640, 480}},
      {true, {800, 300}, {800, 600}},
      {true, {320, 900}, {320, 240}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << (c.free ? "free, " : "frozen, ") << c.drag.width() << "x" << c.drag.height());
    rt::SaveSetting("ZENO", "PARAS", "Border", c.free ? "2" : "1");
    live::form1& w = show();
    drag(w, c.drag.width(), c.drag.height());
    EXPECT_EQ(w.ScaleWidth(), c.picture.width());
    EXPECT_EQ(w.ScaleHeight(), c.picture.height());
    EXPECT_EQ(app::AppState.VideoWidth, c.picture.width());
    const QRect picture(QPoint(0, w.MenuHeight()), c.picture);
    EXPECT_EQ(QRect(w.client()->mapTo(&w, QPoint(0, 0)), w.client()->size()), picture);
    EXPECT_EQ(win::widgetOf(app::AppState.hCapWnd)->size(), c.picture);
    EXPECT_EQ(w.StatusBar->geometry(), QRect(0, picture.bottom() + 1, c.picture.width(), 17));
    EXPECT_EQ(w.height(), w.MenuHeight() + c.picture.height() + 17);
    app::UnloadAll();
    testing_support::settle();
  }
}

TEST_F(LiveWindowTest, TheFormatDialogFollowsANewFrameSizeOnlyWithAFreeBorder) {
  FakeCaptureWindow::install();
  live::form1& w = show();
  FakeCaptureWindow::last->frameWidth = 800;
  FakeCaptureWindow::last->frameHeight = 600;
  w.mnuFormat->trigger();
  testing_support::settle();
  EXPECT_EQ(w.ScaleWidth(), 640);  // frozen: the window keeps its size
  EXPECT_EQ(app::AppState.VideoWidth, 640);

  w.mnuBorder->trigger();
  w.mnuFormat->trigger();
  testing_support::settle();
  EXPECT_EQ(w.ScaleWidth(), 800);
  EXPECT_EQ(w.ScaleHeight(), 600);
  EXPECT_EQ(app::AppState.VideoWidth, 800);
}

TEST_F(LiveWindowTest, AResizeWhileMinimisedDoesNothing) {
  live::form1& w = show();
  w.showMinimized();
  testing_support::settle();
  const int before = app::AppState.VideoWidth;
  w.Form_Resize();
  EXPECT_EQ(app::AppState.VideoWidth, before);
}

}  // namespace
