// Both windows writing onto a real file system whose file flushes answer EIO
// (tests/support/eio_fuse.py, a FUSE pass-through): the data never reaches
// the medium, so nothing may be called saved, and nothing stays behind.

#include <sys/vfs.h>
#include <unistd.h>

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

#include "../platform/capture/capture_test_util.h"
#include "../platform/capture/pattern_catalog.h"
#include "../twain/twain_fixture.h"
#include "app/Public.h"
#include "app/forms.h"
#include "fault_tools.h"
#include "live/form1.h"
#include "platform/capture/capture_window.h"
#include "platform/capture/catalog.h"
#include "platform/capture/test_pattern.h"
#include "platform/runtime/paths.h"

namespace faults {
namespace {

bool isFuse(const QString& folder) {
  struct statfs st {};
  return ::statfs(QFile::encodeName(folder).constData(), &st) == 0 && st.f_type == 0x65735546;  // FUSE_SUPER_MAGIC
}

// The failing file system over `backing`, mounted at `mountPoint` for the
// object's life.
class EioMount {
 public:
  EioMount(const QString& backing, const QString& mountPoint) : mountPoint_(mountPoint) {
    helper_.start("/usr/bin/python3",
                  {qEnvironmentVariable("VIC_SOURCE_DIR") + "/tests/support/eio_fuse.py", backing, mountPoint});
    for (int waited = 0; waited < 200 && !isFuse(mountPoint); ++waited) {
      if (helper_.waitForFinished(50)) break;
    }
  }
  ~EioMount() {
    if (helper_.state() == QProcess::NotRunning) return;
    QString unmount = QStandardPaths::findExecutable("fusermount3");
    if (unmount.isEmpty()) unmount = "fusermount";
    QProcess::execute(unmount, {"-u", mountPoint_});
    if (!helper_.waitForFinished(5000)) helper_.kill();
    helper_.waitForFinished();
  }
  bool mounted() const { return isFuse(mountPoint_); }
  QString helperOutput() { return QString::fromLocal8Bit(helper_.readAllStandardError()); }

 private:
  QString mountPoint_;
  QProcess helper_;
};

class FuseFaultTest : public twain_testing::TwainWindowTest {
 protected:
  void SetUp() override {
    if (::access("/dev/fuse", R_OK | W_OK) != 0) GTEST_SKIP() << "no usable /dev/fuse: FUSE cannot mount here";
    // The helper's FUSE 2 library mounts directly only as root.
    if (::geteuid() != 0 && QStandardPaths::findExecutable("fusermount").isEmpty())
      GTEST_SKIP() << "FUSE mounts need root or fusermount";
    TwainWindowTest::SetUp();
    dialogs.messages.clear();
    capture::setDeviceCatalog(&catalog);
    app::form1.setFactory([] { return std::make_unique<live::form1>(); });
    backing = testing_support::freshDir("backing");
    mountPoint = testing_support::freshDir("failing-flushes");
  }
  void TearDown() override {
    TwainWindowTest::TearDown();
    capture::setDeviceCatalog(nullptr);
  }

  // The status line before the capture.
  QString captureLive(const QString& path) {
    app::form1.Show();
    auto frameIn = [] {
      auto* window = dynamic_cast<capture::CaptureWindow*>(win::widgetOf(app::AppState.hCapWnd));
      return window && !window->newestFrame().isNull();
    };
    EXPECT_TRUE(capture_test::runUntil(frameIn, 10000)) << "no frame";
    app::AppState.FilePath = path;
    app::AppState.FileExt = path.right(4);
    app::AppState.FileCounter = path.right(8).left(4);
    app::AppState.BasePath = path.left(path.size() - 4);
    const QString status = app::form1->StatusBar->currentMessage();
    app::form1->mnuCapFrame->trigger();
    return status;
  }
  void scanPage(const QString& path) {
    storePath(path);
    chooseSource("test:0", twain_testing::kFeeder);
    app::AppState.FileExt = path.right(4);
    load().mnuCapture->trigger();
  }

  capture_test::PatternOnly<> catalog;
  QString backing, mountPoint;
};

TEST_F(FuseFaultTest, APictureWhoseFlushFailsIsNeverCalledSaved) {
  // The reason is the file system's own; %1 stands for the folder, %2 for the extension.
  const QString eio = rt::SystemReason(EIO);
  const QString liveTold = "Problem saving frame\n%1/MOR0001%2: " + eio;
  // Page 2 is read while page 1 is written; both are lost, both are named.
  const QString scanTold = "Scanning stopped: Cannot write %1/ZENO0042%2: " + eio + ". Cannot write %1/ZENO0043%2: " +
                           eio + ".\nNo page was saved.\nThe page meant for %1/ZENO0042%2 could not be saved; scan it "
                           "again.\nThe page read last could not be saved; scan it again.";
  for (const bool scanner : {false, true}) {
    for (const QString ext : {".bmp", ".jpg"}) {
      SCOPED_TRACE(std::string(scanner ? "scanner window " : "live window ") + ext.toStdString());
      TearDown();
      SetUp();
      EioMount mount(backing, mountPoint);
      ASSERT_TRUE(mount.mounted()) << mount.helperOutput().toStdString();
      if (scanner) {
        scanPage(mountPoint + "/ZENO0041" + ext);
      } else {
        const QString status = captureLive(mountPoint + "/MOR0000" + ext);
        EXPECT_EQ(app::form1->StatusBar->currentMessage(), status);
      }
      ASSERT_EQ(dialogs.messages.size(), 1u);
      EXPECT_EQ(dialogs.messages[0].prompt, (scanner ? scanTold : liveTold).arg(mountPoint, ext));
      EXPECT_EQ(snapshot(backing), Snapshot{});
    }
  }
}

}  // namespace
}  // namespace faults
