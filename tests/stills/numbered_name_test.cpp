#include <gtest/gtest.h>

#include <QDir>

#include "stills/next_name.h"
#include "stills/numbered_name.h"
#include "support/test_env.h"

namespace {

using stills::NumberedName;

NumberedName fromStored(const QString& path) {
  const stills::NumberedPath pieces = stills::SplitNumberedPath(path);
  return {path, pieces.FileExt, pieces.FileCounter, pieces.BasePath};
}

const QString kFallback = "/home/u/Pictures/MOR0000.bmp";

TEST(NumberedName, ARestartGoesOnWithTheNameTheRunningProgramWouldHaveTaken) {
  struct Case {
    QString stored, counter, next;
  };
  const Case cases[] = {
      {"/p/MOR0000.bmp", "0000", "/p/MOR0001.bmp"},
      {"/p/MOR0041.jpg", "0041", "/p/MOR0042.jpg"},
      {"/p/MOR9999.bmp", "9999", "/p/MOR10000.bmp"},
      {"/p/MOR19999.bmp", "19999", "/p/MOR20000.bmp"},
      {"/p/MOR10000.bmp", "10000", "/p/MOR10001.bmp"},
      // Names below 10000 come out as the four-digit rule gives them.
      {"/p/MOR00042.bmp", "00042", "/p/MOR00043.bmp"},
      {"/p/IMG20231205.jpg", "20231205", "/p/IMG20231206.jpg"},
      {"/p/scan_0007.pdf", "0007", "/p/scan_0008.pdf"},
      {"/p/2024/img0041.bmp", "0041", "/p/2024/img0042.bmp"},
      {"/p/12345678.bmp", "12345678", "/p/12345679.bmp"},
      {"/p/B99999999999999999999.bmp", "99999999999999999999", "/p/B100000000000000000000.bmp"},
      // Fewer than four digits: the four characters there, read as a number.
      {"/p/shot12.bmp", "ot12", "/p/sh0001.bmp"},
      {"/p/abcdefgh.bmp", "efgh", "/p/abcd0001.bmp"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored.toStdString());
    const NumberedName stored = fromStored(c.stored);
    EXPECT_EQ(stored.FileCounter, c.counter);
    const NumberedName next = stills::AdvanceName(stored, kFallback);
    EXPECT_EQ(next.FilePath, c.next);
    // Ten captures in a row name the same files as ten restarts in between.
    NumberedName running = next, restarted = fromStored(next.FilePath);
    for (int i = 0; i < 10; ++i) {
      running = stills::AdvanceName(running, kFallback);
      restarted = fromStored(stills::AdvanceName(restarted, kFallback).FilePath);
      EXPECT_EQ(restarted.FilePath, running.FilePath);
    }
  }
}

TEST(NumberedName, AStoredNameWithoutRoomForTheNextNumberReadsAsAbsent) {
  const QString dir = testing_support::freshDir("limit");
  const auto named = [&](int bytes, const QString& tail) { return dir + "/" + QString(bytes - tail.size(), 'a') + tail; };
  struct Case {
    QString path;
    bool kept;
  };
  const Case cases[] = {
      {named(255, "0041.bmp"), true},  // the next name is as long
      {named(254, "9999.bmp"), true},  // one more digit still fits
      {named(255, "9999.bmp"), false},
      {named(255, "99999.bmp"), false},
      {dir + "/missing/folder/" + QString(247, 'a') + "9999.bmp", false},  // the nearest existing folder's limit
      {dir + "/MOR0001.bmp", true},
  };
  for (const Case& c : cases) EXPECT_EQ(stills::WithRoomForNextName(c.path, kFallback), c.kept ? c.path : kFallback);
}

}  // namespace
