// The live window when its settings cannot be read, are corrupt, or cannot
// be written when it closes: it starts, it keeps every picture, and it says
// when the last file name was not kept.

#include <sys/stat.h>

#include <QFile>
#include <QRandomGenerator>

#include "app/settings_values.h"
#include "fault_tools.h"
#include "live_fixture.h"
#include "platform/capture/dib.h"
#include "platform/runtime/settings.h"
#include "platform/runtime/vb.h"

namespace faults {
namespace {

using app::AppState;
using testing_support::picturesDir;

const QString kSaveFailed = "Problem saving frame";

QString zenoFile() { return rt::SettingsFile(app::kPathsApp); }

void earlierPictures(int count) {
  QDir().mkpath(picturesDir());
  for (int i = 1; i <= count; ++i)
    ASSERT_TRUE(capture::saveDib(busyPicture(16, 12, i),
                                 QFile::encodeName(LiveFaultTest::pictures(rt::Format0000(i).prepend("MOR") + ".bmp"))
                                     .toStdString()));
}

QByteArray randomBytes(int seed, int size) {
  QRandomGenerator random(static_cast<quint32>(seed));
  QByteArray bytes(size, '\0');
  for (char& b : bytes) b = static_cast<char>(random.bounded(256));
  return bytes;
}

QByteArray storedPath(const QByteArray& path) { return "[PARAS]\nPath=" + path + "\n"; }

TEST_F(LiveFaultTest, UnreadableOrCorruptSettingsStartAfreshWithoutTouchingAPicture) {
  const QByteArray elsewhere = QFile::encodeName(testing_support::homeDir() + "/gone/MOR0041.bmp");
  const QByteArray longName = QFile::encodeName(picturesDir() + "/" + QString(300, 'x') + "0041.bmp");
  const QByteArray withZero = QFile::encodeName(picturesDir()) + QByteArray("/MOR\0x/y0041.bmp", 16);
  struct Case {
    const char* what;
    QByteArray zeno, pax;  // file contents; "folder" puts a folder in the file's place
    QString written;       // the capture's file; empty when the capture must fail
  };
  const Case cases[] = {
      {"folders in place of the files", "folder", "folder", "MOR0004.bmp"},
      {"random bytes", randomBytes(1, 65536), randomBytes(2, 4096), "MOR0004.bmp"},
      {"random bytes after the right section", "[PARAS]\n" + randomBytes(3, 9000), randomBytes(4, 70), "MOR0004.bmp"},
      {"cut in the middle of the path", "[PARAS]\nPath=/ho", "[driver]\nindex=99999999999999999999", "MOR0004.bmp"},
      {"a path in a folder that is gone", storedPath(elsewhere), "", ""},
      // A name that cannot take the next number reads as no name stored.
      {"a file name too long for the file system", storedPath(longName), "", "MOR0004.bmp"},
      // No file can have such a name; it is not taken for a shorter one.
      {"a path with a zero byte", storedPath(withZero), "", "MOR0004.bmp"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TearDown();
    SetUp();
    earlierPictures(3);
    QDir().mkpath(rt::ConfigFolder());
    for (const auto& [file, content] : {std::pair{zenoFile(), c.zeno}, std::pair{rt::SettingsFile(app::kDriverApp), c.pax}}) {
      if (content == "folder")
        ASSERT_TRUE(QDir().mkpath(file));
      else
        ASSERT_TRUE(writeFile(file, content));
    }
    const Snapshot earlier = snapshot(picturesDir());
    const Snapshot home = snapshot(testing_support::homeDir());

    showLive();
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(AppState.DriverIndex, 0);
    capture();
    Snapshot now = snapshot(picturesDir());
    if (c.written.isEmpty()) {
      ASSERT_EQ(prompts().size(), 1);
      EXPECT_EQ(prompts()[0].section('\n', 0, 0), kSaveFailed);
      EXPECT_EQ(snapshot(testing_support::homeDir()), home);
    } else {
      EXPECT_TRUE(dialogs.messages.empty());
      EXPECT_EQ(AppState.FilePath, pictures(c.written));
      EXPECT_EQ(formatOf(pictures(c.written)), "bmp");
      now.erase(c.written);
    }
    EXPECT_EQ(now, earlier);
  }
}

TEST_F(LiveFaultTest, ALastFileNameThatCannotBeStoredIsToldAndNoPictureIsLost) {
  enum Kind { FolderInPlace, ReadOnlyFolder, DiskFull };
  struct Case {
    const char* what;
    Kind kind;
  };
  const Case cases[] = {
      {"a folder in place of the settings file", FolderInPlace},
      {"a read-only settings folder", ReadOnlyFolder},
      {"a full disk", DiskFull},
  };
  const QString folder = rt::ConfigFolder();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TearDown();
    SetUp();
    showLive();
    capture(2);
    ASSERT_EQ(AppState.FilePath, pictures("MOR0002.bmp"));
    bool broken = true;
    // The captures' path may still wait in memory; the file, if written, is
    // replaced by a folder.
    if (c.kind == FolderInPlace)
      broken = (!QFile::exists(zenoFile()) || QFile::remove(zenoFile())) && QDir().mkpath(zenoFile());
    if (c.kind == ReadOnlyFolder) {
      broken = rt::SaveSetting(app::kPathsApp, app::kPathsSection, app::kPathKey, pictures("MOR0000.bmp")) &&
               ::chmod(QFile::encodeName(folder).constData(), 0555) == 0;
    }
    ASSERT_TRUE(broken);
    const Snapshot settings = snapshot(folder);
    const Snapshot earlier = snapshot(picturesDir());

    auto unloadWhileBroken = [&] {
      PermissionsApply asUser;
      std::optional<FileSizeLimit> full;
      if (c.kind == DiskFull) full.emplace(8);
      app::form1.Unload();
    };
    // Closing the window ends the program.
    AppState.EndOnUnload = rt::True;
    EXPECT_THROW(unloadWhileBroken(), testing_support::ProgramEnded);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    // A folder cannot be read: it is told so, and is never replaced.
    const QString unreadable =
        c.kind == FolderInPlace ? "\nThe file could not be read (it is not a regular file), so it is left as it is."
                                : "";
    EXPECT_EQ(dialogs.messages[0].prompt,
              "The last file name could not be saved in " + rt::DisplayPath(zenoFile()) + "." + unreadable);
    EXPECT_EQ(dialogs.messages[0].style, rt::vbOKOnly | rt::vbInformation);
    EXPECT_EQ(dialogs.messages[0].title, "PAX");
    EXPECT_EQ(snapshot(folder), settings);
    EXPECT_TRUE(leftoverTemps(folder).isEmpty());

    // The next start numbers from the name stored at the last capture, or
    // from an older one, and steps over every picture it finds.
    AppState.EndOnUnload = rt::False;
    unloadWhileBroken();
    testing_support::settle();
    dialogs.messages.clear();
    app::ResetAppState();
    showLive();
    EXPECT_EQ(AppState.FilePath, pictures(c.kind == DiskFull ? "MOR0002.bmp" : "MOR0000.bmp"));
    {
      PermissionsApply asUser;
      capture();
    }
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(AppState.FilePath, pictures("MOR0003.bmp"));
    Snapshot now = snapshot(picturesDir());
    now.erase("MOR0003.bmp");
    EXPECT_EQ(now, earlier);
    ::chmod(QFile::encodeName(folder).constData(), 0755);
  }
}

TEST_F(LiveFaultTest, AStoredLastFileNameIsKeptWhenItCanBe) {
  showLive();
  capture(2);
  AppState.EndOnUnload = rt::True;
  {
    PermissionsApply asUser;
    EXPECT_THROW(app::form1.Unload(), testing_support::ProgramEnded);
  }
  EXPECT_TRUE(dialogs.messages.empty());
  EXPECT_EQ(rt::GetSetting(app::kPathsApp, app::kPathsSection, app::kPathKey, "New"), pictures("MOR0002.bmp"));
}

}  // namespace
}  // namespace faults

namespace faults {
namespace {

// Named pipes where files are expected: reading one would wait for a
// writer that never comes.
TEST_F(LiveFaultTest, PipesInPlaceOfTheSettingsOrTheLastPictureDoNotHoldUpTheStart) {
  for (const bool settingsPipe : {true, false}) {
    SCOPED_TRACE(settingsPipe ? "settings file" : "last picture");
    TearDown();
    SetUp();
    earlierPictures(2);
    QDir().mkpath(rt::ConfigFolder());
    const QString pipe = settingsPipe ? zenoFile() : pictures("MOR0002.bmp");
    if (!settingsPipe) {
      ASSERT_TRUE(QFile::remove(pipe));
      ASSERT_TRUE(rt::SaveSetting(app::kPathsApp, app::kPathsSection, app::kPathKey, pipe));
    }
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0644), 0);
    showLive();
    EXPECT_FALSE(app::Form3.IsLoaded());
    capture();
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(AppState.FilePath, pictures("MOR0003.bmp"));
    EXPECT_EQ(formatOf(pictures("MOR0003.bmp")), "bmp");
  }
}

}  // namespace
}  // namespace faults
