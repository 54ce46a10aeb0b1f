#include <gtest/gtest.h>

#include "stills/next_name.h"

namespace {

TEST(ChooseFromSavedName, DerivesTheSchemeFromTheChosenName) {
  struct Case {
    const char* what;
    QString chosen, basePath, counter;
    QString wantBase, wantCounter, wantPath, wantExt, wantLabel;
  };
  const Case cases[] = {
      {"other stem", "D:\\pics\\cat.jpg", "C:\\MOR0003", "0003",
       "D:\\pics\\cat", "0000", "D:\\pics\\cat0000.jpg", ".jpg", "*.jpg"},
      {"counter in the name", "D:\\pics\\cat0041.pdf", "C:\\MOR0003", "0003",
       "D:\\pics\\cat0041", "0041", "D:\\pics\\cat0041.pdf", ".pdf", "*.pdf"},
      {"same stem, other format", "C:\\MOR0003.pdf", "C:\\MOR0003", "0003",
       "C:\\MOR0003", "0003", "C:\\MOR0003.pdf", ".pdf", "*.pdf"},
      {"same stem, counter kept", "/p/holiday.bmp", "/p/holiday", "0007",
       "/p/holiday", "0007", "/p/holiday0007.bmp", ".bmp", "*.bmp"},
      {"same stem, empty counter", "/p/holiday.bmp", "/p/holiday", "",
       "/p/holiday", "0000", "/p/holiday0000.bmp", ".bmp", "*.bmp"},
      {"four-letter extension", "D:\\pics\\cat.tiff", "C:\\MOR0003", "0003",
       "D:\\pics\\cat.", "0000", "D:\\pics\\cat.0000.iff", "tiff", "*.iff"},
      {"digits that are not ASCII", QString("/p/cat") + QString(4, QChar(0x0663)) + ".bmp", "/q/x", "0003",
       QString("/p/cat") + QString(4, QChar(0x0663)), "0000",
       QString("/p/cat") + QString(4, QChar(0x0663)) + "0000.bmp", ".bmp", "*.bmp"},
      {"eight characters", "ab12.bmp", "/q/x", "0003", "ab12", "0000", "ab120000.bmp", ".bmp", "*.bmp"},
      {"nine characters", "a1234.bmp", "/q/x", "0003", "a1234", "1234", "a1234.bmp", ".bmp", "*.bmp"},
  };
  for (const Case& c : cases) {
    const stills::SaveAsResult r = stills::ChooseFromSavedName(c.chosen, c.basePath, c.counter);
    EXPECT_EQ(r.name.BasePath, c.wantBase) << c.what;
    EXPECT_EQ(r.name.FileCounter, c.wantCounter) << c.what;
    EXPECT_EQ(r.name.FilePath, c.wantPath) << c.what;
    EXPECT_EQ(r.name.FileExt, c.wantExt) << c.what;
    EXPECT_EQ(r.label, c.wantLabel) << c.what;
  }
}

TEST(ChooseFromSavedName, TheNextCaptureFollowsTheChosenName) {
  struct Case {
    QString chosen, basePath, counter, next;
  };
  const Case cases[] = {
      {"D:\\pics\\cat.jpg", "C:\\MOR0003", "0003", "D:\\pics\\cat0001.jpg"},
      {"D:\\pics\\cat0041.pdf", "C:\\MOR0003", "0003", "D:\\pics\\cat0042.pdf"},
      {"C:\\MOR0003.pdf", "C:\\MOR0003", "0003", "C:\\MOR0004.pdf"},
  };
  for (const Case& c : cases) {
    const stills::SaveAsResult r = stills::ChooseFromSavedName(c.chosen, c.basePath, c.counter);
    EXPECT_EQ(stills::AdvanceName(r.name, "/fallback/MOR0000.bmp").FilePath, c.next) << c.chosen.toStdString();
  }
}

TEST(ChooseFromSavedName, ToleratesNamesTooShortToSplit) {
  for (const QString& chosen : {QString(), QString("a"), QString(".bmp")}) {
    const stills::SaveAsResult r = stills::ChooseFromSavedName(chosen, "/p/MOR0003", "0003");
    EXPECT_EQ(r.name.FileExt, chosen.right(4));
    EXPECT_TRUE(r.name.FilePath.endsWith("0000." + chosen.right(3))) << chosen.toStdString();
  }
}

}  // namespace
