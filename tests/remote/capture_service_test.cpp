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
    std::atomic<bool> done = false;
    std::thread caller([&, address = bus.address()] {
      QDBusConnection connection = QDBusConnection::connectToBus(address, "caller");
      QTextStream out(&run.out), err(&run.err);
      run.status = remote::RequestCapture(connection, out, err);
      out.flush();
      err.flush();
      QDBusConnection::disconnectFromBus("caller");
      done = true;
    });
    // The program's events run meanwhile (generous, never a measured time).
    EXPECT_TRUE(QTest::qWaitFor([&] { return done.load(); }, 60000)) << "the caller got no answer";
    caller.join();
    return run;
  }

  testing_support::SessionBus bus;
  QStringList connections;
};

// What the caller prints for each answer, and that a failure's message box
// never holds the answer back, are checked against the real program in
// tests/e2e/remote_test.cpp; here what needs two programs or no bus at all.
TEST(CaptureClient, WithoutASessionBusTheCallerHearsThatNoProgramRuns) {
  QDBusConnection none("never-connected");
  QString out, err;
  QTextStream outStream(&out), errStream(&err);
  EXPECT_EQ(remote::RequestCapture(none, outStream, errStream), remote::kNotRunning);
  errStream.flush();
  EXPECT_EQ(out, "");
  EXPECT_EQ(err, "Video Image Capture is not running. (No session bus to reach it.)\n");
}

TEST_F(CaptureServiceTest, TheFirstProgramTakesTheCallsAndTheSecondOnlyOnceTheFirstHasGone) {
  // Each program answers with a path of its own.
  const auto answering = [](const QString& who) {
    return [who] { return remote::CaptureResult{true, "/p/" + who, {}}; };
  };
  std::optional<QDBusConnection> first = connect("first");
  QDBusConnection second = connect("second");
  remote::CaptureService firstService(answering("first")), secondService(answering("second"));
  ASSERT_EQ(remote::Publish(firstService, *first), remote::Ownership::Owned);
  ASSERT_EQ(remote::Publish(secondService, second), remote::Ownership::Queued);
  EXPECT_EQ(callCapture().out, "/p/first\n");

  first.reset();
  QDBusConnection::disconnectFromBus("first");
  ASSERT_TRUE(QTest::qWaitFor([&] { return second.interface()->serviceOwner(remote::kServiceName).value() ==
                                           second.baseService(); }, 30000));
  EXPECT_EQ(callCapture().out, "/p/second\n");
}

}  // namespace
