// A picture folder shared by a group: the program runs as one member (the
// victim), while another member (the attacker, tests/e2e/folder_attacker)
// reacts through inotify to every entry the program makes there, swapping
// it for a link to a private file of the victim's or opening it. Real users,
// so this needs root; without it the tests are skipped.
#include <gtest/gtest.h>

#include <memory>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTest>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include "../faults/qt_printers.h"
#include "e2e_steps.h"
#include "platform/runtime/settings.h"
#include "support/desktop.h"
#include "support/session_bus.h"
#include "support/test_env.h"

namespace {

using testing_support::homeDir;
using testing_support::native;
using testing_support::waitUntil;

constexpr int kCaptures = 50;
constexpr const char* kGroup = "vic-share";

// A throwaway system user in the shared group.
struct User {
  uid_t uid = 0;
  gid_t gid = 0;
  bool make(const char* name) { return testing_support::systemUser(name, uid, gid, kGroup); }
};

bool own(const QString& path, uid_t uid, gid_t gid, mode_t mode) {
  return ::chown(native(path).c_str(), uid, gid) == 0 && ::chmod(native(path).c_str(), mode) == 0;
}

struct Case {
  const char* attack;  // folder_attacker's mode
  mode_t folderMode;
  mode_t umask;
  bool scan;  // a scanner run's pages instead of --capture calls
};

class SharedFolderTest : public ::testing::TestWithParam<Case> {
 protected:
  void SetUp() override {
    if (geteuid() != 0) GTEST_SKIP() << "needs root: the victim and the attacker are real users";
    ASSERT_TRUE(victim_.make("vic-victim") && attacker_.make("vic-attacker")) << "useradd failed";
    shared_ = getgrnam(kGroup)->gr_gid;

    // The victim's private HOME holds the file the attacker is after.
    QDir(testing_support::configDir()).removeRecursively();
    secret_ = homeDir() + "/notes.txt";
    ASSERT_TRUE(testing_support::put(secret_, kNotes));
    base_ = QString("/tmp/vic-shared-%1-%2").arg(getpid()).arg(++count_);
    folder_ = base_ + "/pictures";
    baits_ = base_ + "/baits";
    ASSERT_TRUE(QDir().mkpath(folder_) && QDir().mkpath(baits_));
    ASSERT_TRUE(rt::SaveSetting("ZENO", "PARAS", "Path", folder_ + "/MOR0000.jpg"));
    ASSERT_TRUE(!GetParam().scan || e2e::useTestScanner("Automatic Document Feeder"));
    const QString root = QFileInfo(homeDir()).absolutePath();
    ASSERT_EQ(QProcess::execute("chown", {"-R", QString("%1:%2").arg(victim_.uid).arg(victim_.gid), root}), 0);
    ASSERT_TRUE(own(secret_, victim_.uid, victim_.gid, 0600));
    ASSERT_TRUE(own(folder_, victim_.uid, shared_, GetParam().folderMode));
    // Hard links to the victim's file, made by root: the attacker could make
    // them himself on a kernel without protected hard links.
    struct stat home {}, shared {};
    ASSERT_EQ(::stat(native(secret_).c_str(), &home), 0);
    ASSERT_EQ(::stat(native(base_).c_str(), &shared), 0);
    if (QByteArray(GetParam().attack) == "hardlink") {
      if (home.st_dev != shared.st_dev) GTEST_SKIP() << "the private HOME and /tmp are on different file systems";
      for (int i = 0; i < 2 * kCaptures; ++i)
        ASSERT_EQ(::link(native(secret_).c_str(), native(baits_ + "/" + QString::number(i)).c_str()), 0);
    }
    ASSERT_TRUE(own(baits_, attacker_.uid, attacker_.gid, 0700));

    bus_ = std::make_unique<testing_support::SessionBus>(victim_.uid, victim_.gid);
    ASSERT_TRUE(bus_->ok()) << "dbus-daemon did not start";
    bus_->useForThisProcess();
    ASSERT_TRUE(desktop_.ok()) << "no X display";
  }

  void TearDown() override {
    if (!base_.isEmpty()) QDir(base_).removeRecursively();
  }

  // One `video-image-capture --capture` as the victim; it is retried while
  // the program has not yet taken its name on the bus.
  testing_support::CaptureCall capture() {
    testing_support::CaptureCall result;
    for (int tries = 0; tries < 100; ++tries) {
      result = testing_support::callCapture(desktop_, [&](QProcess& call) {
        testing_support::runAsUser(call, victim_.uid, victim_.gid, shared_, GetParam().umask);
      });
      if (result.status != 2) break;
      QTest::qWait(300);
    }
    return result;
  }

  // The program's message box waits for its user's click; until then it
  // takes no call. False when none shows.
  static bool dismissMessageBox(testing_support::Program& program, int timeoutMs = 10000) {
    const QString box = program.waitForWindow("^PAX$", timeoutMs);
    if (box.isEmpty()) return false;
    program.activate(box);
    program.key("Return");
    return waitUntil([&] { return !program.hasWindow("^PAX$"); }, 10000);
  }

  // kCaptures calls: each told saved leaves its whole picture under the
  // name told; the names told saved.
  QStringList captureMany(testing_support::Program& program) {
    QStringList told;
    for (int i = 0; i < kCaptures; ++i) {
      const testing_support::CaptureCall call = capture();
      if (call.status == 1) {  // told as a failure, naming the file
        EXPECT_TRUE(call.err.startsWith("Problem saving frame\n" + folder_ + "/MOR")) << call.err.toStdString();
        EXPECT_TRUE(dismissMessageBox(program));
        continue;
      }
      EXPECT_EQ(call.status, 0) << call.err.toStdString();
      if (call.status != 0) break;
      const QString path = call.out.trimmed();
      EXPECT_EQ(QFileInfo(path).absolutePath(), folder_);
      EXPECT_TRUE(isVictimsPicture(path)) << path.toStdString();
      told << QFileInfo(path).fileName();
    }
    return told;
  }

  // A feeder run of ten pages from the scanner window; whether a message
  // box told of a stop.
  bool scanRun(testing_support::Program& program) {
    program.activate(program.waitForWindow(e2e::kLiveTitle));
    EXPECT_FALSE(e2e::openScannerWindow(program).isEmpty());
    program.key("alt+o");
    bool told = false;
    waitUntil([&] {
      if (!told) told = dismissMessageBox(program, 100);
      return program.hasWindow(e2e::kLiveTitle) && !program.hasWindow(e2e::kTwainTitle);
    }, 60000);
    return told;
  }

  // A regular file of the victim's own: no link, no second name.
  bool isVictimsFile(const QString& path) {
    struct stat st {};
    return ::lstat(native(path).c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_nlink == 1 &&
           st.st_uid == victim_.uid && (st.st_mode & 07777 & GetParam().umask) == 0;
  }
  // And a whole picture.
  bool isVictimsPicture(const QString& path) { return isVictimsFile(path) && e2e::holdsFormat(path); }

  QStringList victimsFiles() {
    QStringList names;
    for (const QFileInfo& entry : QDir(folder_).entryInfoList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name))
      if (isVictimsFile(entry.filePath())) names << entry.fileName();
    return names;
  }

  static constexpr char kNotes[] = "the victim's own notes\n";
  static inline int count_ = 0;
  User victim_, attacker_;
  gid_t shared_ = 0;
  QString secret_, base_, folder_, baits_;
  testing_support::Desktop desktop_;
  std::unique_ptr<testing_support::SessionBus> bus_;
};

TEST_P(SharedFolderTest, TheOtherUserNeitherRedirectsNorReadsAPicture) {
  const Case c = GetParam();
  QProcess attacker;
  testing_support::runAsUser(attacker, attacker_.uid, attacker_.gid, shared_, 022);
  QStringList args = {c.attack, folder_};
  if (QByteArray(c.attack) == "symlink") args << secret_;
  if (QByteArray(c.attack) == "hardlink") args << baits_;
  attacker.start(qEnvironmentVariable("VIC_BINARY_DIR") + "/tests/e2e/folder_attacker", args);
  ASSERT_TRUE(attacker.waitForReadyRead(10000) && attacker.readLine() == "ready\n")
      << attacker.readAllStandardError().toStdString();

  testing_support::Program program(desktop_);
  program.runAs(victim_.uid, victim_.gid, shared_, c.umask);
  ASSERT_TRUE(program.start());
  QStringList told;
  bool stopTold = false;
  if (c.scan)
    stopTold = scanRun(program);
  else
    told = captureMany(program);
  attacker.closeWriteChannel();
  ASSERT_TRUE(attacker.waitForFinished(10000));
  const QString report = QString::fromLocal8Bit(attacker.readAllStandardOutput()).trimmed();
  SCOPED_TRACE(report.toStdString());

  // Nothing was written through a link: the victim's file is as it was.
  EXPECT_EQ(testing_support::contentOf(secret_), QByteArray(kNotes));
  struct stat notesStat {};
  ASSERT_EQ(::stat(native(secret_).c_str(), &notesStat), 0);
  EXPECT_EQ(notesStat.st_mode & 07777, 0600u);
  // What was told saved, and nothing else of the victim's, is in the folder;
  // a scanner run leaves whole pages only.
  const QStringList files = victimsFiles();
  if (c.scan) {
    EXPECT_FALSE(files.isEmpty());
    for (const QString& name : files) EXPECT_TRUE(isVictimsPicture(folder_ + "/" + name)) << name.toStdString();
  } else {
    told.sort();
    EXPECT_EQ(files, told);
  }

  const QStringList figures = report.split(' ');
  ASSERT_EQ(figures.size(), 8);
  const int swapped = figures[1].toInt(), planted = figures[3].toInt(), refused = figures[5].toInt(),
            opened = figures[7].toInt();
  if (QByteArray(c.attack) == "read") {
    // Every entry was tried, and none opened, the temporaries included.
    EXPECT_EQ(opened, 0);
    EXPECT_GE(refused, c.scan ? 10 : kCaptures);
  } else {
    // The race was run: links stood under names the program was using.
    EXPECT_GT(swapped + planted, 0);
    // A page whose file was taken away stops the run, and that is told.
    EXPECT_TRUE(stopTold || !c.scan || swapped == 0);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Attacks, SharedFolderTest,
    ::testing::Values(Case{"symlink", 02770, 022, false}, Case{"hardlink", 02770, 022, false},
                      Case{"symlink", 03770, 022, false}, Case{"read", 03770, 077, false},
                      Case{"symlink", 02770, 022, true}, Case{"read", 03770, 077, true}),
    [](const auto& info) {
      return std::string(info.param.attack) + ((info.param.folderMode & 01000) != 0 ? "Sticky" : "GroupWritable") +
             (info.param.scan ? "Scan" : "Capture");
    });

}  // namespace
