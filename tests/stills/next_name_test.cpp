#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QStringList>
#include <functional>
#include <set>

#include "stills/next_name.h"
#include "support/test_env.h"

namespace {

using stills::NumberedName;

const QString kFallback = "/home/u/Pictures/MOR0000.bmp";

NumberedName named(const QString& path, const QString& counter, const QString& ext = {}) {
  return {path, ext.isNull() ? path.right(4) : ext, counter, path.left(path.size() - 4)};
}

TEST(AdvanceName, ChangesOnlyTheCounter) {
  struct Case {
    QString path, counter, ext, next;
  };
  const Case cases[] = {
      {"C:\\MOR0000.bmp", "0000", ".bmp", "C:\\MOR0001.bmp"},
      {"C:\\MOR0009.bmp", "0009", ".bmp", "C:\\MOR0010.bmp"},
      {"C:\\images\\shot0041.pdf", "0041", ".pdf", "C:\\images\\shot0042.pdf"},
      {"/p/cat0000.jpg", "", ".jpg", "/p/cat0001.jpg"},
      {"/p/cat0000.jpg", "ab", ".jpg", "/p/cat0001.jpg"},
      {"/p/cat0000.jpg", "12ab", ".jpg", "/p/cat0013.jpg"},
      // Never a negative counter.
      {"/p/x-999.bmp", "-999", ".bmp", "/p/x0001.bmp"},
      {"/p/MOR0003.bmp", "0003", ".pdf", "/p/MOR0004.pdf"},  // the extension is FileExt's
      {"C:\\MOR9999.bmp", "9999", ".bmp", "C:\\MOR10000.bmp"},
      {"C:\\MOR10000.bmp", "10000", ".bmp", "C:\\MOR10001.bmp"},  // the stem keeps no old digit
      {"12345.bmp", "12345", ".bmp", "12346.bmp"},
      // Too short to hold the counter and an extension: the fallback's next.
      {"", "0001", ".jpg", "/home/u/Pictures/MOR0001.bmp"},
      {"ab1.bmp", "0001", ".bmp", "/home/u/Pictures/MOR0001.bmp"},
      {"2345.bmp", "12345", ".bmp", "/home/u/Pictures/MOR0001.bmp"},
  };
  for (const Case& c : cases) {
    const NumberedName next = stills::AdvanceName(named(c.path, c.counter, c.ext), kFallback);
    SCOPED_TRACE(c.path.toStdString());
    EXPECT_EQ(next.FilePath, c.next);
    EXPECT_EQ(next.FileExt, c.next.right(4));
    EXPECT_EQ(next.BasePath, c.next.left(c.next.size() - 4));
    EXPECT_TRUE(next.BasePath.endsWith(next.FileCounter));
    EXPECT_GE(next.FileCounter.size(), 4);
  }
}

TEST(AdvanceName, NeverCutsIntoTheFolder) {
  struct Case {
    QString path, next;
  };
  const Case cases[] = {
      // A file name too short for a counter and an extension: the default.
      {"/home/u/Pictures/a.bmp", "/home/u/Pictures/MOR0001.bmp"},
      {"/p/q/abc.jpg", "/home/u/Pictures/MOR0001.bmp"},
      {"/p/", "/home/u/Pictures/MOR0001.bmp"},
      // Exactly long enough: the stem is empty, the folder stays.
      {"/p/q/0041.jpg", "/p/q/0042.jpg"},
      {"rel/0009.bmp", "rel/0010.bmp"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path.toStdString());
    const QString counter = c.path.size() >= 8 ? c.path.mid(c.path.size() - 8, 4) : QString();
    EXPECT_EQ(stills::AdvanceName(named(c.path, counter), kFallback).FilePath, c.next);
  }
  const NumberedName grown = named("/p/q/10000.bmp", "10000");
  EXPECT_EQ(stills::AdvanceName(grown, kFallback).FilePath, "/p/q/10001.bmp");
  EXPECT_EQ(stills::AdvanceName(named("/p/q/9999.bmp", "9999"), kFallback).FilePath, "/p/q/10000.bmp");
  EXPECT_EQ(stills::AdvanceName(named("/p/9999.bmp", "10000"), kFallback).FilePath, "/home/u/Pictures/MOR0001.bmp");
}

TEST(NextFreeName, SkipsTakenNamesWithinItsTries) {
  const std::set<QString> taken{"/p/MOR0001.bmp", "/p/MOR0002.bmp", "/p/MOR0004.bmp"};
  auto isTaken = [&](const QString& path) { return taken.count(path) > 0; };
  const NumberedName next = stills::NextFreeName(named("/p/MOR0000.bmp", "0000"), kFallback, isTaken, 100);
  EXPECT_EQ(next.FilePath, "/p/MOR0003.bmp");
  EXPECT_EQ(next.FileCounter, "0003");
  EXPECT_EQ(stills::NextFreeName(next, kFallback, isTaken, 100).FilePath, "/p/MOR0005.bmp");
  int asked = 0;
  auto everything = [&](const QString&) { return ++asked > 0; };
  EXPECT_EQ(stills::NextFreeName(named("/p/MOR0000.bmp", "0000"), kFallback, everything, 5).FilePath,
            "/p/MOR0005.bmp");
  EXPECT_EQ(asked, 4);
}

TEST(NameInUse, AnythingUnderTheNameTakesIt) {
  const QString dir = testing_support::freshDir("inuse");
  QFile(dir + "/file.bmp").open(QIODevice::WriteOnly);
  QDir().mkpath(dir + "/folder.bmp");
  ASSERT_TRUE(QFile::link(dir + "/nowhere", dir + "/dangling.bmp"));
  for (const char* name : {"/file.bmp", "/folder.bmp", "/dangling.bmp"}) EXPECT_TRUE(stills::NameInUse(dir + name));
  for (const char* name : {"/missing.bmp", "/gone/x.bmp"}) EXPECT_FALSE(stills::NameInUse(dir + name));
  EXPECT_FALSE(stills::NameInUse(QString()));
}

// A crowded folder: the search reads it once, and still never answers free
// for a name that something took after the read.
TEST(TakenNames, AnswersAsNameInUseWhateverChangesAfterTheRead) {
  const QString dir = testing_support::freshDir("crowded");
  const auto name = [&](int n) { return QString("%1/MOR%2.bmp").arg(dir).arg(n, 4, 10, QChar('0')); };
  for (int n = 1; n <= 300; ++n) ASSERT_TRUE(QFile(name(n)).open(QIODevice::WriteOnly));
  ASSERT_TRUE(QDir().mkpath(name(302)));
  ASSERT_TRUE(QFile::link(dir + "/nowhere", name(303)));
  stills::TakenNames taken;
  const NumberedName start = named(name(0), "0000");
  EXPECT_EQ(stills::NextFreeName(start, kFallback, std::ref(taken), 1000).FilePath, name(301));
  ASSERT_TRUE(QFile(name(301)).open(QIODevice::WriteOnly));  // another program, after the read
  EXPECT_EQ(stills::NextFreeName(start, kFallback, std::ref(taken), 1000).FilePath, name(304));
  for (int n = 1; n <= 310; ++n) EXPECT_EQ(taken(name(n)), stills::NameInUse(name(n))) << n;
  // Another folder is looked at afresh.
  const QString other = testing_support::freshDir("empty");
  EXPECT_FALSE(taken(other + "/MOR0001.bmp"));
}

}  // namespace
