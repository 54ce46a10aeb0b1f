#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QTest>
#include <atomic>
#include <optional>
#include <thread>

#include "remote/bus_names.h"
#include "remote/capture_client.h"
#include "remote/capture_service.h"
#include "../faults/qt_printers.h"
#include "support/session_bus.h"

namespace {

struct ClientRun {
  int status = -1;
  QString out, err;
};

// The program and the caller on one private bus. The caller runs on a thread
// of its own with its own connection, as `--capture` is a process of its own:
// the program's thread must stay free to answer.
struct CaptureServiceTest : ::testing::Test {
  void SetUp() override { ASSERT_TRUE(bus.ok()) << "dbus-daemon did not start"; }
  void TearDown() override {
    for (const QString& name : connections) QDBusConnection::disconnectFromBus(name);
  }
  QDBusConnection connect(const QString& name) {
    connections << name;
    return QDBusConnection::connectToBus(bus.address(), name);
  }
  ClientRun callCapture() {
    ClientRun run;
    std::atomic<bool>& done = callerDone;
    done = false;
    const QString address = bus.address();
    std::thread caller([&] {
      QDBusConnection connection = QDBusConnection::connectToBus(address, "caller");
      QTextStream out(&run.out), err(&run.err);
      run.status = remote::RequestCapture(connection, out, err);
      out.flush();
      err.flush();
      QDBusConnection::disconnectFromBus("caller");
      done = true;
    });
    waitFor(done);
    caller.join();
    return run;
  }
  // Lets the program's events run until `flag` is set (generous, never a
  // measured time).
  static void waitFor(const std::atomic<bool>& flag) {
    EXPECT_TRUE(QTest::qWaitFor([&] { return flag.load(); }, 60000)) << "the caller got no answer";
  }

  testing_support::SessionBus bus;
  QStringList connections;
  std::atomic<bool> callerDone = false;
};

TEST_F(CaptureServiceTest, TheCallerGetsTheFileOrTheMessageAndNeverWaitsForTheMessageBox) {
  struct Case {
    remote::CaptureResult result;
    int status;
    QString out, err;
  };
  const QString problem = "Problem saving frame\n/full/MOR0002.jpg: No space left on device";
  const Case cases[] = {
      {{true, "/home/u/Pictures/MOR0001.bmp", {}}, remote::kCaptured, "/home/u/Pictures/MOR0001.bmp\n", ""},
      {{false, problem, {}}, remote::kCaptureFailed, "", problem + "\n"},
      {{false, "The scanner window is showing.", {}}, remote::kCaptureFailed, "", "The scanner window is showing.\n"},
  };
  for (const auto& [result, status, out, err] : cases) {
    SCOPED_TRACE(result.text.toStdString());
    QDBusConnection program = connect("program" + QString::number(connections.size()));
    int captures = 0;
    // The message box stands for as long as nobody clicks: here until the
    // caller has had its answer, which must come while it stands.
    std::atomic<bool> toldWhileWaiting = false;
    remote::CaptureService service([&] {
      ++captures;
      remote::CaptureResult answer = result;
      if (!answer.saved)
        answer.tellUser = [&] {
          toldWhileWaiting = QTest::qWaitFor([&] { return callerDone.load(); }, 30000);
        };
      return answer;
    });
    ASSERT_EQ(remote::Publish(service, program), remote::Ownership::Owned);

    const ClientRun run = callCapture();
    EXPECT_EQ(run.status, status);
    EXPECT_EQ(run.out, out);
    EXPECT_EQ(run.err, err);
    EXPECT_EQ(captures, 1);
    if (!result.saved) {
      EXPECT_TRUE(QTest::qWaitFor([&] { return toldWhileWaiting.load(); }, 10000))
          << "the user was not told, or the caller waited for the message box";
    }
    program.unregisterService(remote::kServiceName);
    program.unregisterObject(remote::kObjectPath);
  }
}

TEST_F(CaptureServiceTest, WithNoProgramOnTheBusTheCallerHearsSoAndNothingStarts) {
  ClientRun run = callCapture();
  EXPECT_EQ(run.status, remote::kNotRunning);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "Video Image Capture is not running.\n");

  // No bus at all: the same answer, with the reason.
  QDBusConnection none("never-connected");
  QString out, err;
  QTextStream outStream(&out), errStream(&err);
  EXPECT_EQ(remote::RequestCapture(none, outStream, errStream), remote::kNotRunning);
  errStream.flush();
  EXPECT_TRUE(err.startsWith("Video Image Capture is not running.")) << err.toStdString();
}

TEST_F(CaptureServiceTest, TheFirstProgramTakesTheCallsAndTheSecondOnlyOnceTheFirstHasGone) {
  QString answeredBy;
  auto answering = [&](const QString& who) {
    return [&answeredBy, who] {
      answeredBy = who;
      return remote::CaptureResult{true, "/p/" + who, {}};
    };
  };
  std::optional<QDBusConnection> first = connect("first");
  QDBusConnection second = connect("second");
  remote::CaptureService firstService(answering("first")), secondService(answering("second"));
  ASSERT_EQ(remote::Publish(firstService, *first), remote::Ownership::Owned);
  ASSERT_EQ(remote::Publish(secondService, second), remote::Ownership::Queued);
  EXPECT_EQ(callCapture().out, "/p/first\n");
  EXPECT_EQ(answeredBy, "first");

  first.reset();
  QDBusConnection::disconnectFromBus("first");
  ASSERT_TRUE(QTest::qWaitFor([&] { return second.interface()->serviceOwner(remote::kServiceName).value() ==
                                           second.baseService(); }, 30000));
  EXPECT_EQ(callCapture().out, "/p/second\n");
  EXPECT_EQ(answeredBy, "second");
}

}  // namespace
