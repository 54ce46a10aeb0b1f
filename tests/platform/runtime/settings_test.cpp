#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <functional>
#include <vector>

#include "platform/runtime/settings.h"
#include "support/desktop.h"
#include "support/test_env.h"

namespace {

void writeFile(const QString& path, const QByteArray& bytes) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(bytes);
}

using testing_support::contentOf;

TEST(Settings, LiveInOneIniFilePerApplication) {
  EXPECT_EQ(rt::SettingsFile("ZENO"), testing_support::configDir() + "/ZENO.ini");
  ASSERT_TRUE(rt::SaveSetting("ZENO", "PARAS", "Path", "/pics/MOR0003.bmp"));
  ASSERT_TRUE(rt::SaveSetting("ZENO", "PARAS", "Border", "2"));
  ASSERT_TRUE(rt::SaveSetting("PAX", "driver", "index", "0"));
  EXPECT_EQ(contentOf(rt::SettingsFile("ZENO")), "[PARAS]\nPath=/pics/MOR0003.bmp\nBorder=2\n");
  EXPECT_EQ(rt::GetSetting("PAX", "driver", "index", "x"), "0");
}

TEST(Settings, RoundTripAnyTextExactly) {
  const QString values[] = {"", "New", " leading and trailing ", "a=b", "100%", "line\nbreak\r",
                            "C:\\MOR0000.bmp", "Ünïcödé", "%0A literally", "[PARAS]"};
  for (const QString& v : values) {
    ASSERT_TRUE(rt::SaveSetting("RT", "S", "k", v));
    EXPECT_EQ(rt::GetSetting("RT", "S", "k", "default"), v);
  }
}

TEST(Settings, HandWrittenFilesReadAsPeopleWriteThem) {
  struct Case {
    const char* what;
    QByteArray file;
  };
  const Case cases[] = {
      {"names in another case", "[paras]\npath=/x/MOR0042.bmp\n"},
      {"blanks around '='", "[PARAS]\nPath = /x/MOR0042.bmp\n"},
      {"indented lines", "  [PARAS]\n\tPath=/x/MOR0042.bmp  \n"},
      {"blanks inside the brackets", "[ PARAS ]\nPath\t=\t/x/MOR0042.bmp\n"},
      {"CR line ends", "; old style\r[PARAS]\rBorder=2\rPath=/x/MOR0042.bmp\r"},
      {"CR LF line ends", "[PARAS]\r\nPath=/x/MOR0042.bmp\r\n"},
      {"no line end at all", "[PARAS]\nPath=/x/MOR0042.bmp"},
      {"the section twice", "[PARAS]\nBorder=1\n[other]\nPath=no\n[Paras]\nPath=/x/MOR0042.bmp\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    writeFile(rt::SettingsFile("HAND"), c.file);
    EXPECT_EQ(rt::GetSetting("HAND", "PARAS", "Path", "New"), "/x/MOR0042.bmp");
    EXPECT_EQ(rt::GetSetting("HAND", "Paras", "PATH", "New"), "/x/MOR0042.bmp");
    // A save replaces that very line and the next read finds the new value.
    ASSERT_TRUE(rt::SaveSetting("HAND", "PARAS", "Path", "/x/MOR0043.bmp"));
    EXPECT_EQ(rt::GetSetting("HAND", "PARAS", "Path", "New"), "/x/MOR0043.bmp");
    QByteArray expected = c.file;
    expected.replace("MOR0042", "MOR0043").replace("/x/MOR0043.bmp  ", "/x/MOR0043.bmp");
    EXPECT_EQ(contentOf(rt::SettingsFile("HAND")), expected);
  }
  // The file name is the application's, and file names differ in case.
  EXPECT_EQ(rt::GetSetting("hand", "PARAS", "Path", "New"), "New");
}

TEST(Settings, ASaveKeepsEverythingItDoesNotChange) {
  const QByteArray latin1 = "; caf\xe9 au lait\r\n";
  const QByteArray before = latin1 + "[PARAS]\r\n  Border = 2 ; frozen? no\r\nColour=\xff\xfe\r\n\r\n[Window]\r\nLeft=10\r\n";
  writeFile(rt::SettingsFile("KEEP"), before);
  ASSERT_TRUE(rt::SaveSetting("KEEP", "paras", "Path", "/x/MOR0001.bmp"));
  ASSERT_TRUE(rt::SaveSetting("KEEP", "Extra", "key", "v"));
  EXPECT_EQ(contentOf(rt::SettingsFile("KEEP")),
            latin1 + "[PARAS]\r\n  Border = 2 ; frozen? no\r\nColour=\xff\xfe\r\nPath=/x/MOR0001.bmp\r\n\r\n" +
                "[Window]\r\nLeft=10\r\n\r\n[Extra]\r\nkey=v\r\n");
}

TEST(Settings, AKeyFarIntoALargeFileIsStillFound) {
  QByteArray file = "[PARAS]\n";
  const QByteArray filler = "; " + QByteArray(1022, 'x') + "\n";
  for (int i = 0; i < 5 * 1024; ++i) file += filler;  // 5 MB of comments
  file += "Path=/x/MOR0077.bmp\n";
  writeFile(rt::SettingsFile("LARGE"), file);
  EXPECT_EQ(rt::GetSetting("LARGE", "PARAS", "Path", "New"), "/x/MOR0077.bmp");
  ASSERT_TRUE(rt::SaveSetting("LARGE", "PARAS", "Border", "1"));
  EXPECT_EQ(rt::GetSetting("LARGE", "PARAS", "Path", "New"), "/x/MOR0077.bmp");
  EXPECT_EQ(contentOf(rt::SettingsFile("LARGE")).size(), file.size() + 9);
}

TEST(Settings, MissingOrCorruptFilesReadAsDefaults) {
  EXPECT_EQ(rt::GetSetting("NEVER", "a", "b", "New"), "New");
  writeFile(rt::SettingsFile("BROKEN"), QByteArray("\x00\xff\xfe[[[=\n=x\nPath\n", 17));
  EXPECT_EQ(rt::GetSetting("BROKEN", "PARAS", "Path", "New"), "New");
  // Saving over a corrupt file still works and keeps the new value.
  ASSERT_TRUE(rt::SaveSetting("BROKEN", "PARAS", "Path", "/x/ABC0001.bmp"));
  EXPECT_EQ(rt::GetSetting("BROKEN", "PARAS", "Path", "New"), "/x/ABC0001.bmp");
}

TEST(Settings, AnUnwritableFolderFailsTheSaveAndReadsDefaults) {
  // The settings folder's name taken by a plain file: nothing can be saved
  // (this holds for root too, unlike permissions).
  const QString home = testing_support::freshDir("blocked");
  writeFile(home + "/video-image-capture", "not a folder");
  const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
  qputenv("XDG_CONFIG_HOME", home.toUtf8());
  EXPECT_FALSE(rt::SaveSetting("ZENO", "PARAS", "Path", "/a/NEW0002.bmp"));
  EXPECT_EQ(rt::GetSetting("ZENO", "PARAS", "Path", "New"), "New");
  qputenv("XDG_CONFIG_HOME", saved);
}

// Files that exist but cannot be read: defaults, every save refused with the
// file left exactly as it was, and one telling per file.
TEST(Settings, AFileThatCannotBeReadIsNeverReplaced) {
  struct Case {
    const char* what;
    std::function<bool(const QString& file)> make;
    const char* reason;
  };
  const auto withContent = [](const QString& file) {
    writeFile(file, "; keep me\n[PARAS]\nBorder=2\nPath=/x/MOR0007.bmp\n");
    return true;
  };
  const auto sized = [&](off_t bytes) {  // the content above, with a hole up to `bytes`
    return [=](const QString& f) { return withContent(f) && ::truncate(QFile::encodeName(f).constData(), bytes) == 0; };
  };
  std::vector<Case> cases = {
      {"a folder", [](const QString& f) { return QDir().mkpath(f); }, "it is not a regular file"},
      {"a link to /dev/zero", [](const QString& f) { return QFile::link("/dev/zero", f); }, "it is not a regular file"},
      {"a named pipe", [](const QString& f) { return ::mkfifo(QFile::encodeName(f).constData(), 0600) == 0; },
       "it is not a regular file"},
      {"a link to itself", [](const QString& f) { return QFile::link(f, f); }, "Too many levels of symbolic links"},
      {"30 GB, sparse", sized(30LL << 30), "it is larger than 16 MiB"},
      {"one byte over 16 MiB", sized(rt::kMaxSettingsBytes + 1), "it is larger than 16 MiB"},
  };
  if (::geteuid() != 0)  // root reads it all the same
    cases.push_back({"mode 0200",
                     [&](const QString& f) { return withContent(f) && QFile::setPermissions(f, QFile::WriteOwner); },
                     "Permission denied"});
  QStringList told;
  rt::OnUnreadableSettings([&](const QString& file, const QString& reason) { told << file + ": " + reason; });
  int number = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const QString application = QString("UNREAD%1").arg(++number);
    const QString file = rt::SettingsFile(application);
    QDir().mkpath(testing_support::configDir());
    ASSERT_TRUE(c.make(file));
    const QFileInfo before(file);
    const QByteArray target = QFile::symLinkTarget(file).toUtf8();
    told.clear();
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(rt::GetSetting(application, "PARAS", "Path", "New"), "New");
      for (const rt::Durability durability : {rt::Durability::Now, rt::Durability::Later})
        EXPECT_EQ(rt::StoreSetting(application, "PARAS", "Path", "/x/MOR0008.bmp", durability).outcome,
                  rt::SettingSaved::Unreadable);
      EXPECT_FALSE(rt::SaveSetting(application, "PARAS", "Border", "1"));
    }
    EXPECT_EQ(told, QStringList{file + ": " + c.reason});
    const QFileInfo after(file);
    EXPECT_EQ(after.size(), before.size());
    EXPECT_EQ(after.lastModified(), before.lastModified());
    EXPECT_EQ(QFile::symLinkTarget(file).toUtf8(), target);
    EXPECT_EQ(QDir(testing_support::configDir()).entryList({".vic-*"}, QDir::Files | QDir::Hidden), QStringList());
    QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner);
    if (before.isDir()) QDir(file).removeRecursively();
    else QFile::remove(file);
  }
  rt::OnUnreadableSettings(nullptr);
}

// A capture's path: a small file is replaced once the saves of that second
// are in, with the last of them; a large one is not rewritten for every
// capture. Both read the new value at once, and the flush at the end writes
// what still waits.
TEST(Settings, LaterSavesReplaceSmallFilesTogetherAndKeepLargeOnesForTheFlush) {
  writeFile(rt::SettingsFile("SMALL"), "[PARAS]\nBorder=2\n");
  ASSERT_TRUE(rt::StoreSetting("SMALL", "PARAS", "Path", "/x/MOR0001.bmp", rt::Durability::Later));
  ASSERT_TRUE(rt::StoreSetting("SMALL", "PARAS", "Path", "/x/MOR0002.bmp", rt::Durability::Later));
  EXPECT_EQ(contentOf(rt::SettingsFile("SMALL")), "[PARAS]\nBorder=2\n");
  EXPECT_EQ(rt::GetSetting("SMALL", "PARAS", "Path", "New"), "/x/MOR0002.bmp");
  EXPECT_TRUE(testing_support::waitUntil(
      [] { return contentOf(rt::SettingsFile("SMALL")) == "[PARAS]\nBorder=2\nPath=/x/MOR0002.bmp\n"; }, 10000));

  const QByteArray large = "[PARAS]\nPath=/x/MOR0001.bmp\n; " + QByteArray(rt::kRewriteBytes, 'x') + "\n";
  writeFile(rt::SettingsFile("BIG"), large);
  for (int n = 2; n <= 5; ++n)
    ASSERT_TRUE(rt::StoreSetting("BIG", "paras", "path", QString("/x/MOR%1.bmp").arg(n, 4, 10, QChar('0')),
                                 rt::Durability::Later));
  EXPECT_EQ(contentOf(rt::SettingsFile("BIG")), large);
  EXPECT_EQ(rt::GetSetting("BIG", "PARAS", "Path", "New"), "/x/MOR0005.bmp");
  ASSERT_TRUE(rt::FlushSettings());
  QByteArray flushed = large;
  EXPECT_EQ(contentOf(rt::SettingsFile("BIG")), flushed.replace("MOR0001", "MOR0005"));
  // A save that must reach the disk takes what waits along.
  ASSERT_TRUE(rt::StoreSetting("BIG", "PARAS", "Path", "/x/MOR0006.bmp", rt::Durability::Later));
  ASSERT_TRUE(rt::SaveSetting("BIG", "PARAS", "Border", "1"));
  EXPECT_EQ(contentOf(rt::SettingsFile("BIG")), flushed.replace("MOR0005.bmp\n", "MOR0006.bmp\nBorder=1\n"));
}

TEST(Settings, AValueThatIsNotUtf8IsNotTakenForText) {
  writeFile(rt::SettingsFile("BYTES"), "[PARAS]\nPath=/home/u/caf\xe9/MOR0003.bmp\nBorder=caf\xc3\xa9\n");
  EXPECT_EQ(rt::GetSettingText("BYTES", "PARAS", "Path", "New"), std::nullopt);
  EXPECT_EQ(rt::GetSettingText("BYTES", "PARAS", "Border", "New"), QString("caf\u00e9"));
  EXPECT_EQ(rt::GetSettingText("BYTES", "PARAS", "Missing", "New"), QString("New"));
}

}  // namespace
