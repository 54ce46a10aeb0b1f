#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QStringList>
#include <set>

#include "stills/next_name.h"
#include "support/test_env.h"

namespace {

using stills::NumberedName;

const QString kFallback = "/home/u/Pictures/MOR0000.bmp";

NumberedName named(const QString& path, const QString& counter) {
  return {path, path.right(4), counter, path.left(path.size() - 4)};
}

TEST(NextCounter, AddsOneToTheLeadingNumber) {
  struct Case {
    const char* counter;
    const char* next;
  };
  const Case cases[] = {
      {"0000", "0001"}, {"0009", "0010"}, {"0041", "0042"}, {"9999", "10000"}, {"10000", "10001"},
      {"", "0001"},     {"abcd", "0001"}, {"12ab", "0013"}, {" 7", "0008"},    {"2.75", "0003"},
  };
  for (const Case& c : cases) EXPECT_EQ(stills::NextCounter(c.counter), c.next) << c.counter;
}

TEST(AdvanceName, ChangesOnlyTheCounter) {
  struct Case {
    QString path, counter, ext;
    QString next, nextCounter;
  };
  const Case cases[] = {
      {"C:\\MOR0000.bmp", "0000", ".bmp", "C:\\MOR0001.bmp", "0001"},
      {"C:\\MOR0009.bmp", "0009", ".bmp", "C:\\MOR0010.bmp", "0010"},
      {"C:\\images\\shot0041.pdf", "0041", ".pdf", "C:\\images\\shot0042.pdf", "0042"},
      {"/p/cat0000.jpg", "", ".jpg", "/p/cat0001.jpg", "0001"},
      {"/p/cat0000.jpg", "ab", ".jpg", "/p/cat0001.jpg", "0001"},
      // The extension comes from FileExt, not from the path.
      {"/p/MOR0003.bmp", "0003", ".pdf", "/p/MOR0004.pdf", "0004"},
  };
  for (const Case& c : cases) {
    NumberedName last = named(c.path, c.counter);
    last.FileExt = c.ext;
    const NumberedName next = stills::AdvanceName(last, kFallback);
    EXPECT_EQ(next.FilePath, c.next) << c.path.toStdString();
    EXPECT_EQ(next.FileCounter, c.nextCounter);
    EXPECT_EQ(next.FileExt, c.ext);
    EXPECT_EQ(next.BasePath, c.next.left(c.next.size() - 4));
  }
}

TEST(AdvanceName, ACounterPast9999KeepsGrowingWithoutTouchingTheStem) {
  NumberedName name = named("C:\\MOR9998.bmp", "9998");
  QStringList paths;
  for (int i = 0; i < 4; ++i) {
    name = stills::AdvanceName(name, kFallback);
    paths << name.FilePath;
  }
  EXPECT_EQ(paths, QStringList({"C:\\MOR9999.bmp", "C:\\MOR10000.bmp", "C:\\MOR10001.bmp", "C:\\MOR10002.bmp"}));
  EXPECT_EQ(name.BasePath, "C:\\MOR10002");
  EXPECT_EQ(name.FileCounter, "10002");
}

TEST(AdvanceName, APathTooShortToSplitStartsFromTheFallback) {
  for (const QString& path : {QString(), QString("a.bmp"), QString("ab1.bmp"), QString("0001.bm")}) {
    const NumberedName next = stills::AdvanceName(named(path, "0001"), kFallback);
    EXPECT_EQ(next.FilePath, "/home/u/Pictures/MOR0001.bmp") << path.toStdString();
    EXPECT_EQ(next.FileExt, ".bmp");
    EXPECT_EQ(next.FileCounter, "0001");
    EXPECT_EQ(next.BasePath, "/home/u/Pictures/MOR0001");
  }
  // A five-digit counter needs nine characters.
  EXPECT_EQ(stills::AdvanceName(named("2345.bmp", "12345"), kFallback).FilePath, "/home/u/Pictures/MOR0001.bmp");
  EXPECT_EQ(stills::AdvanceName(named("12345.bmp", "12345"), kFallback).FilePath, "12346.bmp");
}

TEST(NextFreeName, SkipsNamesThatAreTaken) {
  const std::set<QString> taken{"/p/MOR0001.bmp", "/p/MOR0002.bmp", "/p/MOR0004.bmp"};
  auto isTaken = [&](const QString& path) { return taken.count(path) > 0; };
  const NumberedName next = stills::NextFreeName(named("/p/MOR0000.bmp", "0000"), kFallback, isTaken, 100);
  EXPECT_EQ(next.FilePath, "/p/MOR0003.bmp");
  EXPECT_EQ(next.FileCounter, "0003");
  EXPECT_EQ(next.BasePath, "/p/MOR0003");
  const NumberedName after = stills::NextFreeName(next, kFallback, isTaken, 100);
  EXPECT_EQ(after.FilePath, "/p/MOR0005.bmp");
}

TEST(NextFreeName, GivesUpAfterItsTries) {
  int asked = 0;
  auto everything = [&](const QString&) {
    ++asked;
    return true;
  };
  const NumberedName next = stills::NextFreeName(named("/p/MOR0000.bmp", "0000"), kFallback, everything, 5);
  EXPECT_EQ(next.FilePath, "/p/MOR0005.bmp");
  EXPECT_EQ(asked, 4);
}

TEST(NameInUse, AnythingUnderTheNameTakesIt) {
  const QString dir = testing_support::freshDir("inuse");
  QFile file(dir + "/file.bmp");
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.close();
  QDir().mkpath(dir + "/folder.bmp");
  ASSERT_TRUE(QFile::link(dir + "/nowhere", dir + "/dangling.bmp"));
  struct Case {
    QString path;
    bool inUse;
  };
  const Case cases[] = {{dir + "/file.bmp", true},     {dir + "/folder.bmp", true}, {dir + "/dangling.bmp", true},
                        {dir + "/missing.bmp", false}, {dir + "/gone/x.bmp", false}, {QString(), false}};
  for (const Case& c : cases) EXPECT_EQ(stills::NameInUse(c.path), c.inUse) << c.path.toStdString();
}

}  // namespace
