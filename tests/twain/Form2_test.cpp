// The scanner window's life: what it shows when loaded, what it stores when
// unloaded, and its commands outside a run.

#include <QDir>
#include <QListWidget>

#include "app/Public.h"
#include "app/forms.h"
#include "platform/runtime/paths.h"
#include "platform/runtime/vb.h"
#include "platform/scan/sane_test_backend.h"
#include "platform/scan/scanner_choice.h"
#include "twain_fixture.h"

namespace {

using namespace twain_testing;
using testing_support::picturesDir;

struct LoadCase {
  const char* name;
  std::optional<QString> stored;
  QString filename;
};

TEST_F(TwainWindowTest, LoadTakesTheStoredPathAndNamesItInTheViewer) {
  const QString fallback = picturesDir() + "/ZENO0000.bmp";
  const LoadCase cases[] = {
      {"nothing stored", std::nullopt, fallback},
      {"too short for a counter", QString("a.bmp"), fallback},
      {"a path", QString("D:\\scans\\img0041.jpg"), "D:\\scans\\img0041.jpg"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.stored) storePath(*c.stored);
    twain::Form2& w = load();
    EXPECT_EQ(w.Filename0, c.filename);
    EXPECT_EQ(label(), rt::DisplayPath(c.filename));
    EXPECT_TRUE(app::Form3.IsLoaded());
    EXPECT_FALSE(app::Form3->isVisible());  // named, not shown
    EXPECT_EQ(w.windowTitle(), "Orvalux Video Image Capture 1.22 - Twain Capture");
    app::UnloadAll();
    testing_support::settle();
    QDir(testing_support::configDir()).removeRecursively();
  }
  EXPECT_EQ(rt::DisplayPath("D:\\scans\\img0041.jpg"), "D: \\ scans \\ img0041.jpg");
}

TEST_F(TwainWindowTest, UnloadWithoutARunKeepsThePathItWasLoadedWith) {
  for (const QString& loaded : {dir + "/ZENO0000.jpg", dir + "/ZENO0041.pdf"}) {
    storePath(loaded);
    app::AppState.FileExt = ".bmp";
    load();
    app::Form2.Unload();
    EXPECT_EQ(storedPath(), loaded);  // never -0001, never a lowered counter
    EXPECT_EQ(app::AppState.ScreenMode, 2);  // the controller's unload asks for nothing
  }
}

TEST_F(TwainWindowTest, CloseBoxReturnsToTheLiveWindow) {
  storePath(dir + "/ZENO0041.jpg");
  twain::Form2& w = load();
  w.close();
  testing_support::settle();
  EXPECT_FALSE(app::Form2.IsLoaded());
  EXPECT_EQ(app::AppState.ScreenMode, 1);
  EXPECT_EQ(storedPath(), dir + "/ZENO0041.jpg");
}

TEST_F(TwainWindowTest, ExitStoresThePathAndEndsTheProgram) {
  storePath(dir + "/ZENO0007.bmp");
  twain::Form2& w = load();
  // Called directly: the test's end of the program is an exception, which
  // must not unwind through Qt's own dispatch.
  EXPECT_THROW(w.mnuExit_Click(), testing_support::ProgramEnded);
  EXPECT_FALSE(app::Form2.IsLoaded());
  EXPECT_EQ(storedPath(), dir + "/ZENO0007.bmp");
}

TEST_F(TwainWindowTest, AboutOpensTheAboutWindow) {
  twain::Form2& w = load();
  w.mnuAbout->trigger();
  ASSERT_TRUE(app::frmAbout.IsLoaded());
  EXPECT_TRUE(app::frmAbout->isVisible());
}

TEST_F(TwainWindowTest, SelectDeviceStoresTheChosenSourceForTheNextRun) {
  twain::Form2& w = load();
  QString title;
  dialogs.onModal = [&](QDialog& d) {
    title = d.windowTitle();
    auto* list = d.findChild<QListWidget*>("sourceList");
    EXPECT_TRUE(list);
    if (!list) return int(QDialog::Rejected);
    for (int row = 0; row < list->count(); ++row)
      if (list->item(row)->text().startsWith(kFeeder + " on ") && list->item(row)->text().contains("test:1"))
        list->setCurrentRow(row);
    return scanner_testing::click(d, "selectButton");
  };
  w.mnuSelectDevice->trigger();
  EXPECT_EQ(title, "OrvaluxSoftware");
  EXPECT_EQ(scan::storedChoice(), (scan::SourceChoice{"test:1", kFeeder.toStdString()}));
  EXPECT_EQ(dialogs.modalCount, 1);
}

}  // namespace
