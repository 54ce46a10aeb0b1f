// F12 is the live window's key, and it counts in the viewer too. A user
// clicks into the live window once and then presses F12 again and again,
// whatever the viewer and the scanner window do meanwhile; a click into the
// viewer loses no press either. Focus rules differ between window managers
// (under sway, as on every Wayland desktop, a newly shown window takes the
// focus and no program may take it back unasked), so each case runs under
// every one installed.

#include <gtest/gtest.h>

#include <QDir>
#include <QTest>

#include "e2e_steps.h"
#include "platform/runtime/settings.h"
#include "support/desktop.h"
#include "support/test_env.h"

namespace {

using testing_support::Desktop;
using testing_support::Program;
using testing_support::waitUntil;

struct Case {
  QString windowManager;
  QString ext;
};

void PrintTo(const Case& c, std::ostream* out) { *out << c.windowManager.toStdString() << " " << c.ext.toStdString(); }

std::string caseName(const testing::TestParamInfo<Case>& info) {
  return (info.param.windowManager + "_" + info.param.ext.mid(1)).toStdString();
}

class Focus : public testing::TestWithParam<Case> {
 protected:
  void SetUp() override {
    QDir(testing_support::configDir()).removeRecursively();
    QDir(pictures_).removeRecursively();
    QDir().mkpath(pictures_);
    ASSERT_TRUE(rt::SaveSetting("ZENO", "PARAS", "Path", pictures_ + "/MOR0000" + GetParam().ext));
    ASSERT_TRUE(rt::SaveSetting("scanner", "DefaultSource", "device", "test:0"));
    ASSERT_TRUE(rt::SaveSetting("scanner", "DefaultSource", "source", "Automatic Document Feeder"));
    e2e::useTestScanner();
  }

  // Five presses half a second apart, as a user makes them without waiting
  // for anything; then the five files next in the numbering, complete.
  void pressF12FiveTimes(Program& program, const QString& why) {
    program.press("F12", 5, 400);
    const QStringList want = e2e::numbered("MOR", taken_ + 1, taken_ + 5, GetParam().ext);
    const bool written = waitUntil(
        [&] {
          const QStringList files = e2e::filesIn(pictures_);
          return std::all_of(want.begin(), want.end(), [&](const QString& n) { return files.contains(n); });
        },
        20000);
    EXPECT_TRUE(written) << why.toStdString() << ": " << e2e::filesIn(pictures_).join(' ').toStdString();
    EXPECT_EQ(e2e::filesIn(pictures_).size(), taken_ + 5) << why.toStdString();
    taken_ += 5;
  }

  const QString pictures_ = testing_support::picturesDir();
  int taken_ = 0;  // files written so far, numbered from 1
};

TEST_P(Focus, EveryF12CountsThroughViewerScannerRunAndRestart) {
  Desktop desktop(GetParam().windowManager);
  ASSERT_TRUE(desktop.ok()) << "no X display with " << GetParam().windowManager.toStdString();
  const bool pdf = GetParam().ext == ".pdf";
  {
    Program program(desktop);
    ASSERT_TRUE(program.start());
    const QString live = program.waitForWindow(e2e::kLiveTitle);
    ASSERT_FALSE(live.isEmpty()) << program.output().toStdString();
    QTest::qWait(1000);  // the test pattern's first frames
    program.activate(live);
    pressF12FiveTimes(program, "after one click into the live window");
    // The viewer came up with the first picture; the live window asked for
    // the focus back (on X it never lost it).
    ASSERT_TRUE(program.waitForFocus(live)) << "the live window lost the focus";

    // A click into the viewer to look at the picture; F12 still counts.
    const QString viewer = program.waitForWindow(e2e::kViewerTitle, 5000);
    ASSERT_FALSE(viewer.isEmpty());
    program.activate(viewer);
    ASSERT_TRUE(program.waitForFocus(viewer));
    pressF12FiveTimes(program, "after a click into the viewer");

    // The user clicks the viewer's close box; F12 brings it back, and the
    // focus comes back to the live window.
    program.activate(viewer);
    program.closeWindow(viewer);
    ASSERT_TRUE(waitUntil([&] { return !program.hasWindow(e2e::kViewerTitle); }, 5000));
    pressF12FiveTimes(program, "after the viewer was closed");
    ASSERT_FALSE(program.waitForWindow(e2e::kViewerTitle, 5000).isEmpty()) << "no viewer after the capture";

    // A feeder run in the scanner window hands back to the live window,
    // ready for F12 at once. (Through Xwayland the virtual keyboard's Alt
    // does not reach the program, so its menu cannot be typed there.)
    ASSERT_TRUE(program.waitForFocus(live)) << "focus at " << program.focusedWindow().toStdString();
    QString last = live;
    if (!desktop.xwayland()) {
      ASSERT_FALSE(e2e::openScannerWindow(program).isEmpty())
          << "no scanner window with the focus " << program.output().toStdString();
      program.key("alt+o");
      ASSERT_TRUE(waitUntil([&] { return e2e::filesIn(pictures_).size() == taken_ + 10; }, 60000))
          << e2e::filesIn(pictures_).join(' ').toStdString();
      taken_ += 10;
      const QString back = program.waitForWindow(e2e::kLiveTitle, 30000);
      ASSERT_FALSE(back.isEmpty()) << "the live window did not come back " << program.output().toStdString();
      QTest::qWait(1000);
      pressF12FiveTimes(program, "after a scanner run");
      last = back;
    }
    ASSERT_TRUE(program.closeAndWaitForExit(last)) << program.output().toStdString();
  }
  {
    // After a restart the viewer opens on the last picture (a PDF has none
    // to show); the live window still has the focus, without a click.
    Program program(desktop);
    ASSERT_TRUE(program.start());
    const QString live = program.waitForWindow(e2e::kLiveTitle);
    ASSERT_FALSE(live.isEmpty()) << program.output().toStdString();
    const QString viewer = program.waitForWindow(e2e::kViewerTitle, pdf ? 1500 : 10000);
    EXPECT_EQ(viewer.isEmpty(), pdf);
    // X: the viewer beside the live window, which keeps the focus. Sway
    // floats the viewer over the tiled live window and gives it the focus,
    // and nothing has been typed yet that would let the live window ask for
    // it back: the presses go to the viewer.
    if (!pdf && !desktop.wayland()) {
      EXPECT_GT(program.geometry(viewer).left(), program.geometry(live).right()) << "not beside the live window";
    }
    QTest::qWait(1000);
    if (!desktop.wayland()) {
      EXPECT_TRUE(program.waitForFocus(live)) << "the live window has not the focus at start-up";
    }
    pressF12FiveTimes(program, "after a restart");
    ASSERT_TRUE(program.closeAndWaitForExit(live)) << program.output().toStdString();
  }
  const QStringList all = e2e::numbered("MOR", 1, taken_, GetParam().ext);
  EXPECT_EQ(e2e::filesIn(pictures_), all);
  for (const QString& name : all) EXPECT_TRUE(e2e::holdsFormat(pictures_ + "/" + name)) << name.toStdString();
}

// VIC_WINDOW_MANAGER picks one window manager (CTest runs one test each);
// without it every one installed.
std::vector<Case> cases() {
  const QString only = qEnvironmentVariable("VIC_WINDOW_MANAGER");
  std::vector<Case> all;
  for (const QString& wm : Desktop::windowManagers())
    if (only.isEmpty() || only == wm)
      for (const char* ext : {".bmp", ".jpg", ".pdf"}) all.push_back({wm, ext});
  return all;
}

INSTANTIATE_TEST_SUITE_P(WindowManagersAndFormats, Focus, testing::ValuesIn(cases()), caseName);

}  // namespace
