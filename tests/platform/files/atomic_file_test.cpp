// Modes, links, file systems without no-replace renames, and leftovers of
// crashed writes.

#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <ctime>
#include <fcntl.h>

#include "platform/files/atomic_file.h"
#include "platform/files/move_no_replace.h"
#include "platform/files/stale_temps.h"
#include "platform/files/file_fakes.h"
#include "support/test_env.h"

namespace {

using files_testing::Umask;
using testing_support::contentOf;
using testing_support::entries;
using testing_support::native;

using files::Commit;

bool put(const QString& path, const QByteArray& bytes, Commit mode) {
  return files::writeFileAtomically(native(path), bytes.constData(), std::size_t(bytes.size()), mode);
}

mode_t modeOf(const QString& path) {
  struct stat st {};
  return ::stat(native(path).c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

TEST(AtomicFile, NewFilesFollowTheUmaskAndReplacedFilesKeepTheirMode) {
  struct Case {
    mode_t umask;
    mode_t existing;  // 0: no file before
    Commit commit;
    mode_t expected;
  };
  const Case cases[] = {
      {077, 0, Commit::NoReplace, 0600}, {002, 0, Commit::NoReplace, 0664}, {022, 0, Commit::Replace, 0644},
      {022, 0640, Commit::Replace, 0640}, {002, 0600, Commit::Replace, 0600}, {077, 0664, Commit::Replace, 0664},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << std::oct << "umask " << c.umask << " existing " << c.existing);
    const QString path = testing_support::freshDir("modes") + "/ZENO.ini";
    if (c.existing) {
      ASSERT_TRUE(put(path, "old", Commit::NoReplace));
      ASSERT_EQ(::chmod(native(path).c_str(), c.existing), 0);
    }
    const Umask mask(c.umask);
    ASSERT_TRUE(put(path, "new", c.commit));
    EXPECT_EQ(modeOf(path), c.expected);
    EXPECT_EQ(contentOf(path), "new");
  }
}

TEST(AtomicFile, ReplacingALinkWritesThroughToItsTarget) {
  const QString dir = testing_support::freshDir("links");
  ASSERT_TRUE(QDir().mkpath(dir + "/dotfiles"));
  const QString target = dir + "/dotfiles/ZENO.ini";
  ASSERT_TRUE(put(target, "old", Commit::NoReplace));
  ASSERT_EQ(::chmod(native(target).c_str(), 0600), 0);
  ASSERT_EQ(::symlink("dotfiles/ZENO.ini", native(dir + "/middle.ini").c_str()), 0);
  ASSERT_EQ(::symlink(native(dir + "/middle.ini").c_str(), native(dir + "/ZENO.ini").c_str()), 0);

  ASSERT_TRUE(put(dir + "/ZENO.ini", "new", Commit::Replace));
  EXPECT_TRUE(QFileInfo(dir + "/ZENO.ini").isSymLink());
  EXPECT_TRUE(QFileInfo(dir + "/middle.ini").isSymLink());
  EXPECT_EQ(contentOf(target), "new");
  EXPECT_EQ(modeOf(target), 0600u);
  EXPECT_EQ(entries(dir + "/dotfiles"), QStringList{"ZENO.ini"});

  // A link to a file not made yet makes it; a no-replace write never follows one.
  ASSERT_EQ(::symlink("dotfiles/later.ini", native(dir + "/later.ini").c_str()), 0);
  ASSERT_TRUE(put(dir + "/later.ini", "made", Commit::Replace));
  EXPECT_EQ(contentOf(dir + "/dotfiles/later.ini"), "made");
  EXPECT_FALSE(put(dir + "/ZENO.ini", "picture", Commit::NoReplace));
  EXPECT_EQ(contentOf(target), "new");
}

TEST(MoveNoReplace, WithoutNoReplaceRenameOrLinksStillNeverReplaces) {
  struct Errors {
    int rename;
    int link;
  };
  const Errors kinds[] = {{EINVAL, EPERM}, {EINVAL, EOPNOTSUPP}, {ENOSYS, ENOSYS}, {EPERM, EPERM}};
  struct Case {
    const char* what;
    QString under;  // what stands under the final name: "", "file", "dangling link"
    bool source;    // something stands under the name to move
    bool sourceIsFolder;
    bool moved;
  };
  const Case cases[] = {
      {"free name", "", true, false, true},
      {"name taken by a file", "file", true, false, false},
      {"name taken by a dangling link", "dangling link", true, false, false},
      {"source missing", "", false, false, false},
      {"source cannot take the name", "", true, true, false},
  };
  for (const Errors& kind : kinds) {
    const files_testing::FailingStep missing(files::Step::Claim, kind.rename, kind.link);
    for (const Case& c : cases) {
      SCOPED_TRACE(testing::Message() << c.what << ", errors " << kind.rename << "/" << kind.link);
      const QString dir = testing_support::freshDir("fallback");
      const QString from = dir + "/page.bmp", to = dir + "/ZENO0042.jpg";
      bool made = true;
      if (c.source && !c.sourceIsFolder) made = put(from, "page", Commit::NoReplace);
      if (c.sourceIsFolder) made = QDir().mkpath(from);
      if (c.under == "file") made = made && put(to, "earlier", Commit::NoReplace);
      if (c.under == "dangling link") made = made && QFile::link(dir + "/nowhere", to);
      ASSERT_TRUE(made);
      const QStringList before = entries(dir);

      EXPECT_EQ(files::renameNoReplace(native(from), native(to)), c.moved);
      if (c.moved) {
        EXPECT_EQ(contentOf(to), "page");
        EXPECT_EQ(entries(dir), QStringList{"ZENO0042.jpg"});
      } else {
        EXPECT_EQ(entries(dir), before);
        if (c.under == "file") {
          EXPECT_EQ(contentOf(to), "earlier");
        }
      }
    }
    // A whole write commits the same way.
    const QString dir = testing_support::freshDir("fallback");
    EXPECT_TRUE(put(dir + "/MOR0001.bmp", "frame", Commit::NoReplace));
    EXPECT_FALSE(put(dir + "/MOR0001.bmp", "other", Commit::NoReplace));
    EXPECT_EQ(contentOf(dir + "/MOR0001.bmp"), "frame");
    EXPECT_EQ(entries(dir), QStringList{"MOR0001.bmp"});
  }
}

TEST(StaleTemps, CrashLeftoversGoWhenTheFolderIsNextWritten) {
  struct Case {
    const char* name;
    int ageSeconds;
    bool locked;  // a running writer holds it
    bool folder;
    bool removed;
  };
  const Case cases[] = {
      {".vic-a1B2c3", 120, false, false, true},  {".vic-fresh1", 10, false, false, false},
      {".vic-locked", 3600, true, false, false}, {".vic-longer1", 3600, false, false, false},
      {".vic-short", 3600, false, false, false}, {"vic-abcdef", 3600, false, false, false},
      {".vic-folder", 3600, false, true, false},
  };
  const QString dir = testing_support::freshDir("stale");
  std::vector<int> held;
  for (const Case& c : cases) {
    const QString path = dir + "/" + c.name;
    // Made without the writer, whose first write into the folder looks for leftovers.
    ASSERT_TRUE(c.folder ? QDir().mkpath(path) : testing_support::put(path, "partial"));
    const timespec times[2] = {{std::time(nullptr) - c.ageSeconds, 0}, {std::time(nullptr) - c.ageSeconds, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, native(path).c_str(), times, 0), 0);
    if (c.locked) {
      held.push_back(::open(native(path).c_str(), O_RDONLY | O_CLOEXEC));
      ASSERT_EQ(::flock(held.back(), LOCK_EX), 0);
    }
  }

  ASSERT_TRUE(put(dir + "/MOR0001.bmp", "frame", Commit::NoReplace));
  for (const Case& c : cases) EXPECT_EQ(QFileInfo::exists(dir + "/" + c.name), !c.removed) << c.name;
  for (int fd : held) ::close(fd);
}

}  // namespace
