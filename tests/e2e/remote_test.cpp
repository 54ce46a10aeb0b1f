#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusReply>
#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QTest>
#include <unistd.h>

#include "e2e_steps.h"
#include "platform/runtime/settings.h"
#include "remote/bus_names.h"
#include "support/desktop.h"
#include "../faults/qt_printers.h"
#include "support/session_bus.h"
#include "support/test_env.h"

namespace {

using e2e::kLiveTitle;
using testing_support::picturesDir;
using testing_support::waitUntil;

// The real program on a private X display and a private session bus; every
// call is a `video-image-capture --capture` process, as a desktop shortcut,
// a foot pedal's helper or a script starts it.
struct RemoteCaptureTest : ::testing::Test {
  void SetUp() override {
    QDir(testing_support::configDir()).removeRecursively();
    QDir(picturesDir()).removeRecursively();
    QDir().mkpath(picturesDir());
    ASSERT_TRUE(bus.ok()) << "dbus-daemon did not start";
    bus.useForThisProcess();
    ASSERT_TRUE(desktop.ok()) << "no X display";
    watcher = QDBusConnection::connectToBus(bus.address(), "watcher");
  }
  void TearDown() override { QDBusConnection::disconnectFromBus("watcher"); }

  bool owned(const QString& name) { return watcher.interface()->isServiceRegistered(name).value(); }
  // The program started: its live window is up and it answers on the bus.
  bool startedAndReady(testing_support::Program& program) {
    return !e2e::startLive(program).isEmpty() && waitUntil([&] { return owned(remote::kServiceName); }, 30000);
  }
  testing_support::CaptureCall callCapture() const { return testing_support::callCapture(desktop); }

  testing_support::SessionBus bus;
  testing_support::Desktop desktop;
  QDBusConnection watcher{"none"};
};

TEST_F(RemoteCaptureTest, EachCallWritesTheNextPictureAndPrintsItsPath) {
  testing_support::Program program(desktop);
  ASSERT_TRUE(startedAndReady(program)) << program.output().toStdString();
  QTest::qWait(1000);  // let the test pattern deliver its first frames

  const QStringList names = e2e::numbered("MOR", 1, 3, ".bmp");
  for (const QString& name : names) {
    const testing_support::CaptureCall call = callCapture();
    EXPECT_EQ(call.status, 0) << call.err.toStdString();
    EXPECT_EQ(call.out, picturesDir() + "/" + name + "\n");
    EXPECT_EQ(call.err, "");
  }
  EXPECT_EQ(e2e::filesIn(picturesDir()), names);
  for (const QString& name : names) EXPECT_EQ(QImageReader(picturesDir() + "/" + name).read().size(), QSize(640, 480));
  EXPECT_FALSE(program.hasWindow("^PAX$")) << "a message box appeared";
  // F12 goes on from there: the call used the same numbering.
  program.activate(program.waitForWindow(kLiveTitle));
  program.key("F12");
  EXPECT_TRUE(waitUntil([&] { return QFileInfo::exists(picturesDir() + "/MOR0004.bmp"); }, 10000));
}

TEST_F(RemoteCaptureTest, WithoutALivePictureOrWithoutAProgramTheCallSaysSoAndWritesNothing) {
  {
    e2e::useTestScanner();
    testing_support::Program program(desktop);
    ASSERT_TRUE(startedAndReady(program)) << program.output().toStdString();
    program.activate(program.waitForWindow(kLiveTitle));
    ASSERT_FALSE(e2e::openScannerWindow(program).isEmpty()) << program.output().toStdString();
    ASSERT_TRUE(waitUntil([&] { return !program.hasWindow(kLiveTitle); }, 10000));
    const testing_support::CaptureCall call = callCapture();
    EXPECT_EQ(call.status, 1);
    EXPECT_EQ(call.out, "");
    EXPECT_EQ(call.err, "The scanner window is showing: there is no live picture to capture.\n");
    EXPECT_TRUE(e2e::filesIn(picturesDir()).isEmpty());
  }
  // The program has gone (killed with its Program); a call starts none.
  ASSERT_TRUE(waitUntil([&] { return !owned(remote::kServiceName); }, 10000));
  const testing_support::CaptureCall call = callCapture();
  EXPECT_EQ(call.status, 2);
  EXPECT_EQ(call.err, "Video Image Capture is not running.\n");
  EXPECT_FALSE(owned(remote::kServiceName));
}

// A Pictures folder that is full or read-only: the caller gets the
// program's own message at once, while the program's message box stands.
// Only a private mount namespace can give a real file system these faults
// without touching the machine's, so this needs root.
TEST_F(RemoteCaptureTest, IntoAFullOrReadOnlyFolderTheCallPrintsTheMessageAtOnce) {
  if (geteuid() != 0 || QProcess::execute("unshare", {"-m", "true"}) != 0)
    GTEST_SKIP() << "needs root and mount namespaces (unshare -m)";
  struct Case {
    QString mountOptions;
    QString reason;
  };
  const Case cases[] = {{"size=64k", "No space left on device"}, {"ro", "Read-only file system"}};
  for (const auto& [mountOptions, reason] : cases) {
    SCOPED_TRACE(mountOptions.toStdString());
    QDir(testing_support::configDir()).removeRecursively();  // a failed capture keeps its number
    QProcess program;
    program.setProcessEnvironment(desktop.environment());
    program.setProcessChannelMode(QProcess::MergedChannels);
    program.start("unshare", {"-m", "sh", "-c", "mount -t tmpfs -o \"$1\" tmpfs \"$2\" && exec \"$3\"", "sh",
                              mountOptions, picturesDir(), testing_support::programPath()});
    ASSERT_TRUE(program.waitForStarted(5000));
    ASSERT_TRUE(waitUntil([&] { return owned(remote::kServiceName); }, 30000))
        << QString::fromLocal8Bit(program.readAll()).toStdString();
    QTest::qWait(1000);  // let the test pattern deliver its first frames

    const testing_support::CaptureCall call = callCapture();
    EXPECT_EQ(call.status, 1);
    EXPECT_EQ(call.out, "");
    // Qt's debug builds may add warnings of their own after the message.
    const QString message = "Problem saving frame\n" + picturesDir() + "/MOR0001.bmp: " + reason + "\n";
    EXPECT_TRUE(call.err.startsWith(message)) << call.err.toStdString();
    // The program tells its user too, and still waits for the click.
    EXPECT_TRUE(waitUntil([&] { return !desktop.run("xdotool", {"search", "--onlyvisible", "--name", "^PAX$"})
                                            .trimmed().isEmpty(); }, 10000));
    EXPECT_EQ(program.state(), QProcess::Running);
    program.kill();
    program.waitForFinished(5000);
    ASSERT_TRUE(waitUntil([&] { return !owned(remote::kServiceName); }, 10000));
  }
  EXPECT_TRUE(e2e::filesIn(picturesDir()).isEmpty());
}

// The desktop's GlobalShortcuts portal, played by python3-dbusmock: the
// program binds "Capture Single" with F12 preferred, and one activation
// gives one picture.
TEST_F(RemoteCaptureTest, TheDesktopsGlobalShortcutCaptures) {
  QProcess portal;
  portal.setProcessEnvironment(desktop.environment());
  portal.setProcessChannelMode(QProcess::MergedChannels);
  // Debian's python3, which has the dbusmock module, whatever else is first
  // on the PATH.
  portal.start("/usr/bin/python3", {"-m", "dbusmock", "--template",
                           qEnvironmentVariable("VIC_SOURCE_DIR") + "/tests/e2e/global_shortcuts_mock.py"});
  ASSERT_TRUE(waitUntil([&] { return owned("org.freedesktop.portal.Desktop"); }, 30000))
      << QString::fromLocal8Bit(portal.readAll()).toStdString();
  testing_support::Program program(desktop);
  ASSERT_TRUE(startedAndReady(program)) << program.output().toStdString();

  const QString mock = "org.freedesktop.portal.Desktop", path = "/org/freedesktop/portal/desktop",
                test = "io.github.video_image_capture.TestPortal";
  auto bound = [&] {
    const QDBusReply<QString> reply = watcher.call(QDBusMessage::createMethodCall(mock, path, test, "BoundShortcuts"));
    return reply.isValid() ? reply.value() : "error: " + reply.error().message();
  };
  ASSERT_TRUE(waitUntil([&] { return !bound().isEmpty(); }, 30000)) << portal.readAll().toStdString();
  EXPECT_EQ(bound(), "capture-single|Capture Single|F12");
  QTest::qWait(1000);  // let the test pattern deliver its first frames

  watcher.call(QDBusMessage::createMethodCall(mock, path, test, "Press"));
  EXPECT_TRUE(waitUntil([&] { return !e2e::filesIn(picturesDir()).isEmpty(); }, 10000));
  QTest::qWait(1000);  // a second picture would have come by now
  EXPECT_EQ(e2e::filesIn(picturesDir()), QStringList{"MOR0001.bmp"});
  EXPECT_TRUE(e2e::holdsFormat(picturesDir() + "/MOR0001.bmp"));
  testing_support::endProcess(portal);
}

}  // namespace
