// The live picture keeps its shape whatever size the desktop gives the
// window: a compositor's tile or a floating size, a free resize, a scale
// factor of 2, a 16:9 frame. Screenshots find the test pattern's four
// corner marks: all four inside the window, spanning the frame's shape.

#include <gtest/gtest.h>

#include <QDir>
#include <QTest>
#include <cmath>

#include "e2e_steps.h"
#include "platform/capture/catalog.h"
#include "platform/capture/test_pattern.h"
#include "app/settings_values.h"
#include "platform/runtime/settings.h"
#include "support/desktop.h"
#include "support/test_env.h"

namespace {

using testing_support::Desktop;
using testing_support::Program;

struct Case {
  const char* name;
  QString windowManager;
  QSize frame;
  QString scale;   // QT_SCALE_FACTOR, or empty
  QString resize;  // what the user does to the window, or empty
  int width;       // the inner width the window ends at, where that is known
  QString border;  // "2" free, "1" frozen
};

void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }

bool isMark(QRgb p) {
  // Scaled drawing may blend a mark's edge with its neighbours.
  return std::abs(qRed(p) - 255) < 48 && std::abs(qGreen(p) - 136) < 48 && qBlue(p) < 48;
}

// The marks' bounding box, or an empty one unless all four corners of that
// box hold a mark.
QRect marksIn(const QImage& shot) {
  QRect box;
  for (int y = 0; y < shot.height(); ++y)
    for (int x = 0; x < shot.width(); ++x)
      if (isMark(shot.pixel(x, y))) box |= QRect(x, y, 1, 1);
  if (box.width() < 16 || box.height() < 16) return {};
  const int reach = std::max(box.width() / 40, 3);
  for (QPoint corner : {box.topLeft(), box.topRight(), box.bottomLeft(), box.bottomRight()}) {
    bool found = false;
    for (int dy = -reach; dy <= reach && !found; ++dy)
      for (int dx = -reach; dx <= reach && !found; ++dx) {
        const QPoint p = corner + QPoint(dx, dy);
        found = shot.rect().contains(p) && box.contains(p) && isMark(shot.pixel(p));
      }
    if (!found) return {};
  }
  return box;
}

class Resize : public testing::TestWithParam<Case> {};

TEST_P(Resize, ThePictureKeepsItsFourEdgesAndItsShape) {
  const Case& c = GetParam();
  QDir(testing_support::configDir()).removeRecursively();
  ASSERT_TRUE(capture::rememberFormat(capture::kTestPatternKey, {c.frame, 0}));
  ASSERT_TRUE(rt::SaveSetting(app::kPathsApp, app::kPathsSection, app::kBorderKey, c.border));
  Desktop desktop(c.windowManager);
  if (!desktop.ok()) GTEST_SKIP() << c.windowManager.toStdString() << " cannot run here";
  Program program(desktop);
  if (!c.scale.isEmpty()) program.setEnvironment("QT_SCALE_FACTOR", c.scale);
  const QString live = e2e::startLive(program);
  ASSERT_FALSE(live.isEmpty()) << program.output().toStdString();
  QTest::qWait(1500);
  if (c.resize.startsWith("sway:")) {
    ASSERT_TRUE(program.swayCommand(live, c.resize.mid(5)));
  } else if (!c.resize.isEmpty()) {
    const QStringList command = c.resize.arg(live).split(' ');
    desktop.run(command[0], command.mid(1));
  }
  QTest::qWait(1500);

  const QRect window = program.geometry(live);
  if (c.width > 0) {
    EXPECT_NEAR(window.width(), c.width, 8);
  }
  EXPECT_LE(window.bottom(), 1023) << "taller than the screen";
  EXPECT_LE(window.right(), 1279) << "wider than the screen";
  const QImage shot = program.screenshot(live);
  ASSERT_FALSE(shot.isNull());
  const QRect picture = marksIn(shot);
  ASSERT_FALSE(picture.isEmpty()) << "not all four corners of the picture are in the window ("
                                  << shot.width() << " x " << shot.height() << ")";
  const double shape = double(picture.width()) / picture.height();
  const double want = double(c.frame.width()) / c.frame.height();
  EXPECT_NEAR(shape, want, want * 0.02) << picture.width() << " x " << picture.height();
  // The picture fills the window's width or its picture area's height, not
  // a corner of it.
  EXPECT_GT(picture.width(), shot.width() / 2);

  if (!desktop.wayland()) {
    // A frozen border is one size: neither resize nor maximise is offered.
    // A free one may be maximised by the window manager, and comes back.
    const QString actions = desktop.run("xprop", {"-id", live, "_NET_WM_ALLOWED_ACTIONS"});
    if (c.border == "1") {
      EXPECT_FALSE(actions.contains("MAXIMIZE") || actions.contains("RESIZE")) << actions.toStdString();
    }
    EXPECT_FALSE(desktop.run("xprop", {"-id", live, "_NET_WM_STATE"}).contains("MAXIMIZED"));
  }
  ASSERT_TRUE(program.closeAndWaitForExit(live)) << program.output().toStdString();
}

const Case kCases[] = {
    {"openbox_resized", "openbox", {640, 480}, "", "xdotool windowsize %1 900 500", 900, "2"},
    {"openbox_maximised", "openbox", {640, 480}, "", "wmctrl -i -r %1 -b add,maximized_vert,maximized_horz", 640, "2"},
    {"openbox_frozen", "openbox", {640, 480}, "", "xdotool windowsize %1 900 500", 0, "1"},
    {"openbox_scale_2", "openbox", {640, 480}, "2", "", 0, "2"},
    {"openbox_16_9", "openbox", {1280, 720}, "", "", 0, "2"},
    {"sway_tiled", "sway", {640, 480}, "", "", 0, "2"},
    {"sway_floating", "sway", {640, 480}, "", "sway:floating enable, resize set 900 500", 900, "2"},
    {"sway_16_9", "sway", {1280, 720}, "", "", 0, "2"},
};

INSTANTIATE_TEST_SUITE_P(Desktops, Resize, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

}  // namespace
