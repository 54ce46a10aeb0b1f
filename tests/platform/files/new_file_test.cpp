// New files in a folder: every step's failure told, names never followed,
// modes from the umask alone, and pictures a crash left on their way to a
// name finished at the next write.

#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFileInfo>
#include <cerrno>
#include <optional>
#include <fcntl.h>

#include "platform/files/file_fakes.h"
#include "platform/files/new_file.h"
#include "platform/files/stale_temps.h"
#include "support/test_env.h"

namespace {

using files_testing::Umask;
using testing_support::contentOf;
using testing_support::entries;
using testing_support::native;
using testing_support::put;

using files::Step;

// Each step's failure is told with its reason; a missing folder fails the
// first step (which FailingStep leaves alone).
TEST(NewFile, EachFailingStepIsToldAndLeavesWhatItSays) {
  struct Case {
    Step step;
    int error;
    bool stands;  // the file is under its name afterwards
  };
  const Case cases[] = {
      {Step::Write, ENOSPC, false}, {Step::Flush, EIO, false},      {Step::Claim, EACCES, false},
      {Step::Close, EIO, true},     {Step::FlushFolder, EIO, true}, {Step::OpenFolder, ENOENT, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "step " << int(c.step));
    const QString dir = testing_support::freshDir("steps");
    const files::Folder folder(native(c.step == Step::OpenFolder ? dir + "/missing" : dir));
    files::Claimed claimed;
    {
      const files_testing::FailingStep failing(c.step, c.error);
      files::NewFile file(folder);
      file.write("picture", 7);
      claimed = file.claim("MOR0001.jpg");
    }
    EXPECT_EQ(claimed.failure, (files::Failure{c.step, c.error}));
    EXPECT_EQ(claimed.stands, c.stands);
    EXPECT_FALSE(claimed.durable);
    EXPECT_EQ(entries(dir), c.stands ? QStringList{"MOR0001.jpg"} : QStringList{});
    if (c.stands) {
      EXPECT_EQ(contentOf(dir + "/MOR0001.jpg"), "picture");
    }
  }
}

// A direct write makes the same file as a plain one, whatever its size and
// alignment, also where the file system refuses direct writes only when
// they come (as some do); a failing direct write is told as a write's.
TEST(NewFile, DirectWritesMakeTheFileAPlainWriteMakes) {
  static bool refuse = false;
  static int direct = 0;  // direct writes made
  files::writeCall() = [](int fd, const void* data, std::size_t size) -> ssize_t {
    if ((::fcntl(fd, F_GETFL) & O_DIRECT) != 0) {
      if (refuse) return files_testing::failWith(EINVAL);
      ++direct;
    }
    return ::write(fd, data, size);
  };
  constexpr std::size_t kBlock = files::kDirectBlock;
  alignas(kBlock) static char aligned[4 * kBlock];
  for (std::size_t i = 0; i < 4 * kBlock; ++i) aligned[i] = char('a' + i % 23);
  struct Case {
    const char* name;
    std::size_t offset, size;
    bool refused, goesDirect;
  };
  const Case cases[] = {{"blocks and a tail", 0, 3 * kBlock + 17, false, true},
                        {"whole blocks", 0, 2 * kBlock, false, true},
                        {"less than a block", 0, 100, false, false},
                        {"data off a block", 1, 2 * kBlock, false, false},
                        {"refused when written", 0, 3 * kBlock + 5, true, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    refuse = c.refused;
    direct = 0;
    const QString dir = testing_support::freshDir("direct");
    const files::Folder folder(native(dir));
    files::NewFile file(folder);
    // Where the file system takes no direct writes at all, none are made.
    const int flags = ::fcntl(file.fd(), F_GETFL);
    const bool takesDirect = ::fcntl(file.fd(), F_SETFL, flags | O_DIRECT) == 0;
    ::fcntl(file.fd(), F_SETFL, flags);
    ASSERT_TRUE(file.writeDirect(aligned + c.offset, c.size));
    ASSERT_TRUE(file.writeDirect(aligned, 10));  // after the file's end left its offset off a block
    EXPECT_EQ(::fcntl(file.fd(), F_GETFL) & O_DIRECT, 0);
    EXPECT_EQ(direct > 0, c.goesDirect && takesDirect);
    ASSERT_TRUE(file.claim("MOR0001.jpg").durable);
    EXPECT_EQ(contentOf(dir + "/MOR0001.jpg"), QByteArray(aligned + c.offset, qsizetype(c.size)) + QByteArray(aligned, 10));
  }
  // Replaces the counting write call, and puts the system's back.
  const files_testing::FailingStep full(Step::Write, ENOSPC);
  const files::Folder folder(native(testing_support::freshDir("direct-full")));
  files::NewFile file(folder);
  EXPECT_FALSE(file.writeDirect(aligned, 2 * kBlock));
  EXPECT_EQ(file.failure(), (files::Failure{Step::Write, ENOSPC}));
}

// Taken by a file, a link to a file and a dangling link alike, a name is
// neither followed nor replaced, also where a placeholder claims it (no
// no-replace renames or links), and the file stays a plain temporary ready
// for the next. Its mode comes from the umask alone, never from the file a
// link leads to.
TEST(NewFile, ATakenNameLeavesTheFileReadyForTheNextWithTheUmasksMode) {
  struct Case {
    mode_t mask;
    bool placeholder;
  };
  const Case cases[] = {{077, false}, {022, false}, {002, false}, {022, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << std::oct << c.mask << (c.placeholder ? " placeholder" : ""));
    std::optional<files_testing::FailingStep> missing;
    if (c.placeholder) missing.emplace(Step::Claim, EINVAL, EPERM);
    const QString dir = testing_support::freshDir("taken");
    ASSERT_TRUE(put(dir + "/victim.txt", "notes"));
    ASSERT_EQ(::chmod(native(dir + "/victim.txt").c_str(), 0666), 0);
    ASSERT_TRUE(put(dir + "/MOR0001.jpg", "earlier"));
    ASSERT_EQ(::symlink("victim.txt", native(dir + "/MOR0002.jpg").c_str()), 0);
    ASSERT_EQ(::symlink("nowhere", native(dir + "/MOR0003.jpg").c_str()), 0);
    const Umask umask(c.mask);
    const files::Folder folder(native(dir));
    files::NewFile file(folder);
    struct stat st {};
    ASSERT_EQ(::fstat(file.fd(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0666 & ~c.mask);
    ASSERT_TRUE(file.write("picture", 7));
    for (const char* name : {"MOR0001.jpg", "MOR0002.jpg", "MOR0003.jpg"})
      EXPECT_EQ(file.claim(name).failure, (files::Failure{Step::Claim, EEXIST})) << name;
    ASSERT_EQ(entries(dir).size(), 5);
    EXPECT_TRUE(files::isTempName(entries(dir).front().toStdString()));
    const files::Claimed claimed = file.claim("MOR0004.jpg");
    EXPECT_TRUE(claimed.stands && claimed.durable);
    EXPECT_EQ(contentOf(dir + "/victim.txt"), "notes");
    EXPECT_EQ(contentOf(dir + "/MOR0001.jpg"), "earlier");
    EXPECT_EQ(contentOf(dir + "/MOR0004.jpg"), "picture");
    EXPECT_EQ(entries(dir), (QStringList{"MOR0001.jpg", "MOR0002.jpg", "MOR0003.jpg", "MOR0004.jpg", "victim.txt"}));
  }
}

// What another writer of a shared folder puts under our temporary's name:
// a link to a file, or another name of a file, before the claim or between
// its look at the temporary and the rename.
enum class Swap { SymbolicLink, HardLink, AtTheRename };

int swapThenRename(int fromDir, const char* from, int toDir, const char* to) {
  ::symlinkat("victim.txt", fromDir, "bait");
  ::renameat(fromDir, "bait", fromDir, from);
  return files::systemMoveCalls().renameNoReplace(fromDir, from, toDir, to);
}

TEST(NewFile, ATemporarySwappedForAnotherEntryIsNeverNamedAndToldGone) {
  for (const Swap swap : {Swap::SymbolicLink, Swap::HardLink, Swap::AtTheRename}) {
    SCOPED_TRACE(int(swap));
    const QString dir = testing_support::freshDir("swapped");
    ASSERT_TRUE(put(dir + "/victim.txt", "notes"));
    const files::Folder folder(native(dir));
    files::NewFile file(folder);
    ASSERT_TRUE(file.write("picture", 7));
    const QString temp = dir + "/" + entries(dir).front();
    ASSERT_TRUE(files::isTempName(QFileInfo(temp).fileName().toStdString()));
    const std::string bait = native(dir + "/bait");
    if (swap == Swap::AtTheRename) {
      files::moveCalls().renameNoReplace = swapThenRename;
    } else {
      ASSERT_EQ(swap == Swap::SymbolicLink ? ::symlink("victim.txt", bait.c_str())
                                           : ::link(native(dir + "/victim.txt").c_str(), bait.c_str()),
                0);
      ASSERT_EQ(::rename(bait.c_str(), native(temp).c_str()), 0);
    }
    const files::Claimed claimed = file.claim("MOR0001.jpg");
    files::moveCalls() = files::systemMoveCalls();
    EXPECT_FALSE(claimed.stands);
    EXPECT_EQ(claimed.failure, (files::Failure{Step::Claim, ENOENT}));
    EXPECT_EQ(entries(dir), QStringList{"victim.txt"});
    EXPECT_EQ(contentOf(dir + "/victim.txt"), "notes");
  }
}

// Whole when the content starts with "whole".
bool startsWhole(int fd, const std::string&) {
  char head[5] = {};
  return ::pread(fd, head, sizeof head, 0) == 5 && std::string(head, 5) == "whole";
}

TEST(RecoverPending, APictureLeftOnItsWayToANameIsFinishedOnlyWhenSafe) {
  struct Case {
    const char* what;
    QByteArray content;
    const char* placeholder;  // nullptr: no file under the name
    bool locked;
    bool finished;
    const char* othersFile = nullptr;  // "pending" or "placeholder": another user's (a shared folder)
  };
  const Case cases[] = {
      {"crash after the placeholder", "whole picture", "", false, true},
      {"crash before the placeholder", "whole picture", nullptr, false, true},
      {"cut off", "part", "", false, false},
      {"the name holds another file since", "whole picture", "other", false, false},
      {"a writer still holds it", "whole picture", "", true, false},
      {"another user's temporary", "whole picture", "", false, false, "pending"},
      {"another user's placeholder", "whole picture", "", false, false, "placeholder"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const QString dir = testing_support::freshDir("recover");
    const QString pending = dir + "/.vic-a1B2c3.MOR0007.jpg", name = dir + "/MOR0007.jpg";
    ASSERT_TRUE(put(pending, c.content));
    if (c.placeholder) {
      ASSERT_TRUE(put(name, c.placeholder));
    }
    if (c.othersFile) {
      const QString whose = QByteArray(c.othersFile) == "pending" ? pending : name;
      if (::geteuid() != 0) continue;  // only root can give a file away
      ASSERT_EQ(::chown(native(whose).c_str(), 65534, 65534), 0);
    }
    const int held = c.locked ? ::open(native(pending).c_str(), O_RDONLY | O_CLOEXEC) : -1;
    if (c.locked) {
      ASSERT_EQ(::flock(held, LOCK_EX), 0);
    }

    const files::Folder folder(native(dir));
    EXPECT_EQ(files::recoverPending(folder, startsWhole), c.finished ? 1 : 0);
    if (held >= 0) ::close(held);
    if (c.finished) {
      EXPECT_EQ(entries(dir), QStringList{"MOR0007.jpg"});
      EXPECT_EQ(contentOf(name), c.content);
    } else {
      EXPECT_EQ(contentOf(pending), c.content);
      EXPECT_EQ(contentOf(name), c.placeholder ? QByteArray(c.placeholder) : QByteArray("<none>"));
    }
  }
}

TEST(RecoverPending, OnlyOurPendingNamesCount) {
  const char* names[] = {".vic-a1B2c3", ".vic-a1B2c3.", ".vic-short.MOR0001.jpg", "vic-a1B2c3.MOR0001.jpg"};
  for (const char* name : names) EXPECT_EQ(files::pendingTarget(name), "") << name;
  EXPECT_EQ(files::pendingTarget(".vic-a1B2c3.MOR0001.jpg"), "MOR0001.jpg");
}

}  // namespace
