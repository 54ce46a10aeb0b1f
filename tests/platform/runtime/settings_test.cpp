#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "platform/runtime/settings.h"
#include "support/test_env.h"

namespace {

void writeFile(const QString& path, const QByteArray& bytes) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(bytes);
}

TEST(Settings, LiveInOneIniFilePerApplication) {
  EXPECT_EQ(rt::SettingsFile("ZENO"), testing_support::configDir() + "/ZENO.ini");
  ASSERT_TRUE(rt::SaveSetting("ZENO", "PARAS", "Path", "/pics/MOR0003.bmp"));
  ASSERT_TRUE(rt::SaveSetting("ZENO", "PARAS", "Border", "2"));
  ASSERT_TRUE(rt::SaveSetting("PAX", "driver", "index", "0"));
  QFile f(rt::SettingsFile("ZENO"));
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), "[PARAS]\nPath=/pics/MOR0003.bmp\nBorder=2\n");
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

TEST(Settings, NamesAreExactAndCaseSensitive) {
  ASSERT_TRUE(rt::SaveSetting("CASE", "PARAS", "Path", "one"));
  EXPECT_EQ(rt::GetSetting("CASE", "paras", "Path", "New"), "New");
  EXPECT_EQ(rt::GetSetting("CASE", "PARAS", "path", "New"), "New");
  EXPECT_EQ(rt::GetSetting("case", "PARAS", "Path", "New"), "New");
  EXPECT_EQ(rt::GetSetting("CASE", "PARAS", "Path", "New"), "one");
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

}  // namespace
