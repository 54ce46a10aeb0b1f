#include <QImage>

#include "live_fixture.h"
#include "platform/runtime/metrics.h"

namespace {

using testing_support::FakeCaptureWindow;
using testing_support::LiveWindowTest;
using testing_support::ProgramEnded;
using testing_support::picturesDir;

QString zeno(const QString& key) { return rt::GetSetting("ZENO", "PARAS", key, "<unset>"); }

TEST_F(LiveWindowTest, StartsWithDefaultsWhenNothingIsStored) {
  live::form1& w = show();
  const auto& s = app::AppState;
  EXPECT_EQ(s.FilePath, picturesDir() + "/MOR0000.bmp");
  EXPECT_EQ(s.FileExt, ".bmp");
  EXPECT_EQ(s.BasePath, picturesDir() + "/MOR0000");
  EXPECT_EQ(s.FileCounter, "0000");
  EXPECT_EQ(s.VideoWidth, 640);
  EXPECT_EQ(s.DriverIndex, 0);
  EXPECT_EQ(s.FreeResize, rt::False);
  EXPECT_EQ(s.EndOnUnload, rt::True);
  EXPECT_NE(s.hCapWnd, 0u);
  EXPECT_EQ(w.capwnd(), s.hCapWnd);
  EXPECT_TRUE(w.mnuBorder->isChecked());
  EXPECT_TRUE(w.mnudrive[0]->isChecked());
  EXPECT_NE(w.mnudrive[0]->text(), "<none>");
  EXPECT_FALSE(w.mnudrive[0]->text().isEmpty());
  EXPECT_TRUE(w.mnuSource->isEnabled());
  EXPECT_TRUE(w.mnuFormat->isEnabled());
  EXPECT_EQ(w.ScaleWidth(), 640);
  EXPECT_EQ(w.ScaleHeight(), 480);
  EXPECT_FALSE(app::Form3.IsLoaded());
  // The capture window fills the inner area, under the status bar.
  QWidget* capture = win::widgetOf(s.hCapWnd);
  ASSERT_NE(capture, nullptr);
  EXPECT_EQ(capture->geometry(), QRect(0, 0, 640, 480));
  EXPECT_FALSE(w.StatusBar->currentMessage().isEmpty());
}

TEST_F(LiveWindowTest, RestoresTheStoredPathAndShowsAReadablePicture) {
  const QString jpg = picturesDir() + "/shot0042.jpg";
  QDir().mkpath(picturesDir());
  QImage red(64, 48, QImage::Format_RGB32);
  red.fill(Qt::red);
  ASSERT_TRUE(red.save(jpg, "JPG"));
  rt::SaveSetting("ZENO", "PARAS", "Path", jpg);
  show();
  EXPECT_EQ(app::AppState.FileExt, ".jpg");
  EXPECT_EQ(app::AppState.BasePath, picturesDir() + "/shot0042");
  EXPECT_EQ(app::AppState.FileCounter, "0042");
  ASSERT_TRUE(app::Form3.IsLoaded());
  EXPECT_TRUE(app::Form3->isVisible());
  EXPECT_EQ(app::Form3->lbFilename->text(), rt::DisplayPath(jpg));
  EXPECT_TRUE(app::Form3->lbFilename->text().contains(" / shot0042.jpg"));
  ASSERT_FALSE(app::Form3->Image1->picture().isNull());
  EXPECT_EQ(app::Form3->Image1->picture().size(), QSize(64, 48));
}

TEST_F(LiveWindowTest, ShowsNoViewerForPdfMissingOrUnreadableFiles) {
  QDir().mkpath(picturesDir());
  const struct {
    const char* name;
    QByteArray content;
    bool create;
  } cases[] = {
      {"/doc0001.pdf", "%PDF-1.4 whatever", true},
      {"/gone0001.bmp", "", false},
      {"/junk0001.bmp", "BM this is not a bitmap", true},
      {"/empty0001.jpg", "", true},
  };
  for (const auto& c : cases) {
    const QString path = picturesDir() + c.name;
    if (c.create) {
      QFile f(path);
      ASSERT_TRUE(f.open(QIODevice::WriteOnly));
      f.write(c.content);
    }
    rt::SaveSetting("ZENO", "PARAS", "Path", path);
    show();
    EXPECT_EQ(app::AppState.FilePath, path);
    EXPECT_FALSE(app::Form3.IsLoaded()) << c.name;
    EXPECT_TRUE(dialogs.messages.empty());
    app::AppState.EndOnUnload = rt::False;
    app::form1.Unload();
    app::Form3.Unload();
  }
}

TEST_F(LiveWindowTest, ReadsTheBorderAndDriverSettings) {
  const struct {
    const char* border;
    rt::Bool16 free;
  } borders[] = {{"2", rt::True}, {"0", rt::True}, {"abc", rt::True}, {"1", rt::False}, {"New", rt::False}};
  for (const auto& b : borders) {
    rt::SaveSetting("ZENO", "PARAS", "Border", b.border);
    live::form1& w = show();
    EXPECT_EQ(app::AppState.FreeResize, b.free) << b.border;
    EXPECT_EQ(w.mnuBorder->isChecked(), b.free == rt::False) << b.border;
    app::AppState.EndOnUnload = rt::False;
    app::form1.Unload();
  }
  for (const char* index : {"3", "abc", "-2", "2.5"}) {
    rt::SaveSetting("PAX", "driver", "index", index);
    live::form1& w = show();
    EXPECT_EQ(app::AppState.DriverIndex, 0) << index;
    EXPECT_TRUE(w.mnudrive[0]->isChecked()) << index;
    app::AppState.EndOnUnload = rt::False;
    app::form1.Unload();
  }
}

TEST_F(LiveWindowTest, DisablesOnlyTheDialogTheDriverLacks) {
  FakeCaptureWindow::install();
  FakeCaptureWindow::nextHasSourceDialog = false;
  live::form1& w = show();
  EXPECT_FALSE(w.mnuSource->isEnabled());
  EXPECT_TRUE(w.mnuFormat->isEnabled());
}

TEST_F(LiveWindowTest, ARefusedConnectionSaysSoAndSavesNothing) {
  FakeCaptureWindow::install();
  FakeCaptureWindow::nextAcceptsConnection = false;
  live::form1& w = show();
  EXPECT_TRUE(w.mnuSource->isEnabled());  // never connected: nothing to disable
  EXPECT_TRUE(dialogs.messages.empty());  // start-up reports nothing itself
  w.mnudrive[0]->trigger();
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].prompt, "could not connect to capture driver");
  EXPECT_EQ(dialogs.messages[0].style, rt::vbOKOnly | rt::vbInformation);
  EXPECT_EQ(dialogs.messages[0].title, "PAX");
  EXPECT_EQ(rt::GetSetting("PAX", "driver", "index", "<unset>"), "<unset>");
  EXPECT_TRUE(w.mnudrive[0]->isChecked());  // a pick changes no check mark

  FakeCaptureWindow::last->acceptsConnection = true;
  w.mnudrive[0]->trigger();
  EXPECT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(rt::GetSetting("PAX", "driver", "index", "<unset>"), "0");
}

TEST_F(LiveWindowTest, TheCloseBoxSavesThePathAndEndsTheProgram) {
  show();
  app::AppState.FilePath = "/somewhere/MOR0007.bmp";
  // The close box unloads the window (see the form tests); the end of the
  // program is thrown here, so it must not unwind through Qt's own frames.
  EXPECT_THROW(app::form1.Unload(), ProgramEnded);
  EXPECT_EQ(zeno("Path"), "/somewhere/MOR0007.bmp");
}

TEST_F(LiveWindowTest, ExitClosesTheViewerFirstThenEnds) {
  show();
  app::Form3.Show();
  EXPECT_THROW(window().mnuExit_Click(), ProgramEnded);
  EXPECT_FALSE(app::Form3.IsLoaded());
  EXPECT_FALSE(app::frmControl.IsLoaded());
  EXPECT_EQ(zeno("Path"), picturesDir() + "/MOR0000.bmp");
}

TEST_F(LiveWindowTest, ASwitchSavesThePathAndReleasesTheCaptureWindowWithoutEnding) {
  show();
  const win::HWND first = app::AppState.hCapWnd;
  app::AppState.FilePath = "/x/MOR0011.jpg";
  app::AppState.EndOnUnload = rt::False;
  EXPECT_NO_THROW(app::form1.Unload());
  testing_support::settle();
  EXPECT_EQ(zeno("Path"), "/x/MOR0011.jpg");
  EXPECT_EQ(win::widgetOf(first), nullptr);
  EXPECT_EQ(app::AppState.hCapWnd, first);  // kept until the next load
  show();
  EXPECT_NE(app::AppState.hCapWnd, first);
  EXPECT_NE(win::widgetOf(app::AppState.hCapWnd), nullptr);
  EXPECT_EQ(app::AppState.FilePath, "/x/MOR0011.jpg");  // read back from the setting
}

TEST_F(LiveWindowTest, TheTestPatternMovesAndTheStatusLineNamesTheDriver) {
  live::form1& w = show();
  QWidget* capture = win::widgetOf(app::AppState.hCapWnd);
  ASSERT_NE(capture, nullptr);
  wait(150);
  const QImage first = capture->grab().toImage();
  wait(150);
  const QImage second = capture->grab().toImage();
  EXPECT_EQ(first.size(), QSize(640, 480));
  EXPECT_NE(first, second);
  EXPECT_FALSE(w.StatusBar->currentMessage().isEmpty());
}

}  // namespace
