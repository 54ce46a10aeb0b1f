#include <gtest/gtest.h>

#include "platform/filedialog/save_name_rules.h"

namespace {

using filedialog::FilterPair;

const char kThreeFormats[] = " *.bmp\0 *.bmp\0 *.jpg\0 *.jpg\0 *.pdf\0 *.pdf\0";  // plus the literal's zero

TEST(FilterList, ReadsPairsUpToTheDoubleZero) {
  const QList<FilterPair> pairs = filedialog::parseFilterList(kThreeFormats);
  ASSERT_EQ(pairs.size(), 3);
  EXPECT_EQ(pairs[1].description, " *.jpg");
  EXPECT_EQ(pairs[2].pattern, " *.pdf");
  // Nothing after the end of the list is read.
  EXPECT_EQ(filedialog::parseFilterList("a\0*.a\0\0b\0*.b\0").size(), 1);
  EXPECT_TRUE(filedialog::parseFilterList(nullptr).isEmpty());
  EXPECT_TRUE(filedialog::parseFilterList("").isEmpty());
  // A description without its pattern is no entry.
  EXPECT_EQ(filedialog::parseFilterList("a\0*.a\0b\0").size(), 1);
}

TEST(FilterList, OffersTheExtensionsOfItsPatterns) {
  struct Case {
    QList<FilterPair> filters;
    QStringList extensions;
  };
  const Case cases[] = {
      {filedialog::parseFilterList(kThreeFormats), {".bmp", ".jpg", ".pdf"}},
      {{{"JPEG", "*.jpg;*.jpeg"}}, {".jpg", ".jpeg"}},
      {{{"Pictures", " *.png  *.gif "}}, {".png", ".gif"}},
      {{{"Twice", "*.bmp"}, {"Again", "*.bmp"}}, {".bmp"}},
      {{{"Prefix only", "MOR*"}}, {}},
      {{{"Bitmaps", "*.bmp"}, {"All", "*.*"}}, {}},
      {{{"All", "*"}}, {}},
  };
  for (const Case& c : cases) EXPECT_EQ(filedialog::offeredExtensions(c.filters), c.extensions);
}

TEST(SaveName, CompletesOnlyNamesWithoutAnyDot) {
  struct Case {
    const char* typed;
    const char* completed;
  };
  const Case cases[] = {
      {"/p/cat", "/p/cat.bmp"},
      {"/p/cat.jpg", "/p/cat.jpg"},
      {"/p/cat.tiff", "/p/cat.tiff"},
      {"/p/cat.", "/p/cat."},
      {"/p.d/cat", "/p.d/cat.bmp"},
      {"cat", "cat.bmp"},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(filedialog::completeName(c.typed, "bmp"), c.completed) << c.typed;
  EXPECT_EQ(filedialog::completeName("/p/cat", ""), "/p/cat");
}

TEST(SaveName, AcceptsOnlyTheOfferedExtensionsExactly) {
  const QStringList offered{".bmp", ".jpg", ".pdf"};
  struct Case {
    const char* name;
    bool accepted;
  };
  const Case cases[] = {
      {"/p/cat.bmp", true}, {"/p/cat0041.pdf", true}, {"/p/cat.jpg", true},
      {"/p/cat.BMP", false}, {"/p/cat.tiff", false}, {"/p/cat.jpeg", false},
      {"/p/cat.", false},   {"/p/cat.bmp.txt", false},
  };
  for (const Case& c : cases) EXPECT_EQ(filedialog::hasOfferedExtension(c.name, offered), c.accepted) << c.name;
  EXPECT_TRUE(filedialog::hasOfferedExtension("/p/anything.tiff", {}));
}

TEST(SaveName, ListsEachFilterWithItsPatterns) {
  EXPECT_EQ(filedialog::nameFilterText({" *.bmp", " *.bmp"}), "*.bmp");
  EXPECT_EQ(filedialog::nameFilterText({"Bitmap", " *.bmp"}), "Bitmap (*.bmp)");
  EXPECT_EQ(filedialog::nameFilterText({"JPEG", "*.jpg;*.jpeg"}), "JPEG (*.jpg *.jpeg)");
}

}  // namespace
