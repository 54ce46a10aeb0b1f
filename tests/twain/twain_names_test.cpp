#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSet>

#include "stills/next_name.h"
#include "stills/numbered_name.h"
#include "support/test_env.h"
#include "twain/twain_names.h"

namespace {

using twain::FollowingCounter;
using twain::NextPassNames;
using twain::PathToStore;
using twain::SplitTwainName;

struct SplitCase {
  const char* path;
  const char* stem;
  const char* counter;
  const char* ext;
};

TEST(TwainNames, SplitsFromTheEnd) {
  const SplitCase cases[] = {
      {"C:\\ZENO0041.jpg", "C:\\ZENO", "0041", ".jpg"},
      {"/p/ZENO10000.bmp", "/p/ZENO", "10000", ".bmp"},
      {"/p/scan_0007.pdf", "/p/scan_", "0007", ".pdf"},
      {"/p/2024/img0041.bmp", "/p/2024/img", "0041", ".bmp"},
      {"/p/IMG_20240101123456.bmp", "/p/IMG_", "20240101123456", ".bmp"},  // the whole run of digits
      {"/p/ab12x.bmp", "/p/a", "b12x", ".bmp"},                            // no digits to extend over
      {"abcdefgh", "", "abcd", "efgh"},
      {"0000tiff", "", "0000", "tiff"},
  };
  for (const auto& c : cases) {
    const auto name = SplitTwainName(c.path);
    ASSERT_TRUE(name) << c.path;
    EXPECT_EQ(name->stem, c.stem) << c.path;
    EXPECT_EQ(name->counter, c.counter) << c.path;
    EXPECT_EQ(name->ext, c.ext) << c.path;
    EXPECT_EQ(name->path(), c.path);
  }
  EXPECT_FALSE(SplitTwainName("abc.bmp"));
  EXPECT_FALSE(SplitTwainName(""));
}

TEST(TwainNames, FollowingCounterKeepsItsWidth) {
  const std::pair<const char*, const char*> cases[] = {
      {"0041", "0042"},   {"0009", "0010"},   {"9999", "10000"},       {"10000", "10001"},
      {"", "0001"},       {"abcd", "0001"},   {"12ab", "0013"},        {"00000041", "00000042"},
      {"-005", "0001"},   {" 12 ", "0013"},   {"99999998", "99999999"}, {"1e3x", "1001"},
      {"999999999", "1000000000"}, {"00000000000000000099", "00000000000000000100"},
  };
  for (const auto& [counter, next] : cases) EXPECT_EQ(FollowingCounter(counter), QString(next)) << counter;
}

// One rule for every stored name, in both windows: the digits in front of
// the extension, or else the leading number of the four characters there,
// never below zero.
TEST(TwainNames, TheScannerNumbersOnAsTheLiveWindowDoes) {
  const std::pair<QString, QString> cases[] = {
      {"/p/ZENO0041.bmp", "/p/ZENO0042"},   {"/p/ZENO9999.bmp", "/p/ZENO10000"},
      {"/p/MOR19999.jpg", "/p/MOR20000"},   {"/p/MOR00042.bmp", "/p/MOR00043"},
      {"/p/IMG20231205.bmp", "/p/IMG20231206"}, {"/p/ZENO123456789012.pdf", "/p/ZENO123456789013"},
      {"/p/shot12.bmp", "/p/sh0001"},       {"/p/MOR 123.bmp", "/p/MOR0124"},
      {"/p/x-012.bmp", "/p/x0001"},         {"/p/MOR-000.bmp", "/p/MOR0001"},
      {"/p/ab12x.bmp", "/p/a0001"},         {"/p/MOR   7.jpg", "/p/MOR0008"},
      {"/p/IMG_1.5x.bmp", "/p/IMG_0002"},
  };
  const auto never = [](const QString&) { return false; };
  for (const auto& [path, next] : cases) {
    SCOPED_TRACE(path.toStdString());
    const stills::NumberedPath pieces = stills::SplitNumberedPath(path);
    const stills::NumberedName live =
        stills::AdvanceName({path, pieces.FileExt, pieces.FileCounter, pieces.BasePath}, "/p/MOR0000.bmp");
    const auto scanner = NextPassNames(path, ".bmp", never, 1);
    ASSERT_TRUE(scanner);
    EXPECT_EQ(live.BasePath, next);
    EXPECT_EQ(scanner->acquired, next + ".bmp");
  }
}

struct SkipCase {
  const char* fileExt;
  QSet<QString> taken;
  const char* acquired;
  const char* target;
};

TEST(TwainNames, SkipsEveryNumberWhoseBitmapOrTargetNameIsTaken) {
  const SkipCase cases[] = {
      {".jpg", {}, "/p/Z0042.bmp", "/p/Z0042.jpg"},
      {".jpg", {"/p/Z0042.jpg"}, "/p/Z0043.bmp", "/p/Z0043.jpg"},
      {".jpg", {"/p/Z0042.bmp"}, "/p/Z0043.bmp", "/p/Z0043.jpg"},
      {".pdf", {"/p/Z0042.pdf", "/p/Z0043.bmp", "/p/Z0044.pdf"}, "/p/Z0045.bmp", "/p/Z0045.pdf"},
      {".bmp", {"/p/Z0042.jpg"}, "/p/Z0042.bmp", "/p/Z0042.bmp"},  // other formats do not matter
      {".bmp", {"/p/Z0042.bmp"}, "/p/Z0043.bmp", "/p/Z0043.bmp"},
      {"tiff", {}, "/p/Z0042.bmp", "/p/Z0042.bmp"},
      {".JPG", {}, "/p/Z0042.bmp", "/p/Z0042.bmp"},  // exact, case-sensitive
  };
  for (const auto& c : cases) {
    const auto names = NextPassNames("/p/Z0041.jpg", c.fileExt, [&](const QString& n) { return c.taken.contains(n); }, 100);
    ASSERT_TRUE(names) << c.fileExt;
    EXPECT_EQ(names->acquired, c.acquired) << c.fileExt;
    EXPECT_EQ(names->target, c.target) << c.fileExt;
  }
}

TEST(TwainNames, NoNameWhenNothingIsFreeOrThePathIsTooShort) {
  const auto never = [](const QString&) { return false; };
  EXPECT_FALSE(NextPassNames("/p/Z0041.bmp", ".bmp", [](const QString&) { return true; }, 50));
  EXPECT_FALSE(NextPassNames("a.bmp", ".bmp", never, 50));
  EXPECT_EQ(NextPassNames("/p/Z999999999.bmp", ".bmp", never, 1)->acquired, "/p/Z1000000000.bmp");
  // A counter that grew past 9999 is read back whole from a stored path.
  EXPECT_EQ(NextPassNames("/p/ZENO19999.bmp", ".bmp", never, 1)->acquired, "/p/ZENO20000.bmp");
}

struct StoreCase {
  const char* name;
  const char* loaded;
  std::optional<QString> lastImage;
  bool runEnded;
  const char* fileExt;
  const char* stored;
};

TEST(TwainNames, StoredPathNamesTheLastImageOrTheLoadedOne) {
  const StoreCase cases[] = {
      {"no run keeps the loaded path", "/p/ZENO0041.jpg", {}, false, ".bmp", "/p/ZENO0041.jpg"},
      {"no run at counter zero", "/p/ZENO0000.bmp", {}, false, ".jpg", "/p/ZENO0000.bmp"},
      {"two images", "/p/ZENO0041.jpg", QString("/p/ZENO0043.jpg"), true, ".jpg", "/p/ZENO0043.jpg"},
      {"a run without images", "/p/ZENO0041.bmp", {}, true, ".pdf", "/p/ZENO0041.pdf"},
      {"extension is the format's", "/p/ZENO0041.jpg", QString("/p/ZENO0045.bmp"), true, ".pdf", "/p/ZENO0045.pdf"},
      {"grown counter", "/p/ZENO9998.bmp", QString("/p/ZENO10003.bmp"), true, ".bmp", "/p/ZENO10003.bmp"},
      {"no format known", "/p/ZENO0041.bmp", QString("/p/ZENO0042.bmp"), true, "", "/p/ZENO0042.bmp"},
  };
  for (const auto& c : cases) EXPECT_EQ(PathToStore(c.loaded, c.lastImage, c.runEnded, c.fileExt), c.stored) << c.name;
}

TEST(TwainNames, NameTakenSeesFilesFoldersAndDanglingLinks) {
  const QString dir = testing_support::freshDir("names");
  QFile file(dir + "/file");
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.close();
  ASSERT_TRUE(QDir(dir).mkdir("folder"));
  ASSERT_TRUE(QFile::link(dir + "/nowhere", dir + "/dangling"));
  EXPECT_TRUE(twain::NameTaken(dir + "/file"));
  EXPECT_TRUE(twain::NameTaken(dir + "/folder"));
  EXPECT_TRUE(twain::NameTaken(dir + "/dangling"));
  EXPECT_FALSE(twain::NameTaken(dir + "/nowhere"));
}

}  // namespace
