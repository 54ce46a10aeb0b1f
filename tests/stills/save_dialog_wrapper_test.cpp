#include <gtest/gtest.h>

#include <cstring>

#include "platform/filedialog/open_file_name.h"
#include "stills/mCmnDlg.h"

namespace {

using filedialog::OPENFILENAME;

const QString kFilter = " *.bmp| *.bmp| *.jpg| *.jpg| *.pdf| *.pdf";
const QChar Z(0);

QString zs(std::initializer_list<QString> parts) {
  QString text;
  for (const QString& p : parts) text += p;
  return text;
}

struct StandIn {
  explicit StandIn(std::function<std::int32_t(OPENFILENAME*)> f) { filedialog::setSaveFileNameFunction(f); }
  ~StandIn() { filedialog::setSaveFileNameFunction({}); }
};

struct Call {
  QString fileName = "/p/MOR0003", fileTitle, filter = kFilter;
  std::int32_t flags = -1, filterIndex = 0, resultFlags = 99;
  rt::Bool16 run() {
    return stills::ShowSaveDialog(fileName, fileTitle, flags, filter, filterIndex, QString(), "Save Single Frame",
                                  "bmp", -1, resultFlags);
  }
};

TEST(ConvertFilter, BarsAndColonsBecomeZerosAndTwoZerosEndIt) {
  EXPECT_EQ(stills::ConvertFilter(kFilter),
            zs({" *.bmp", Z, " *.bmp", Z, " *.jpg", Z, " *.jpg", Z, " *.pdf", Z, " *.pdf", Z, Z}));
  EXPECT_EQ(stills::ConvertFilter("Pictures: JPEG|*.jpg"), zs({"Pictures", Z, " JPEG", Z, "*.jpg", Z, Z}));
}

TEST(FilterEntry, PicksTheNthPair) {
  const QString list = stills::ConvertFilter(kFilter);
  struct Case {
    QString list;
    std::int32_t n;
    QString entry;
  };
  const Case cases[] = {
      {list, 1, zs({" *.bmp", Z, " *.bmp"})}, {list, 2, zs({" *.jpg", Z, " *.jpg"})},
      {list, 3, zs({" *.pdf", Z, " *.pdf"})}, {list, 4, ""}, {list, 0, ""}, {list, INT32_MIN, ""},
      {QString(Z), 1, ""}, {"no zeros", 1, ""},
      {zs({"a", Z, "b", Z, "c", Z, "d"}), 2, zs({"c", Z, "d"})},  // no double zero: ends with the text
  };
  for (const Case& c : cases) EXPECT_EQ(stills::FilterEntry(c.list, c.n), c.entry) << c.n;
}

TEST(ShowSaveDialog, CutsAnOverlongNameAndTitleToTheirBuffers) {
  std::size_t fileLength = 0, titleLength = 0;
  StandIn standIn([&](OPENFILENAME* r) {
    fileLength = strnlen(r->lpstrFile, r->nMaxFile);
    titleLength = strnlen(r->lpstrFileTitle, r->nMaxFileTitle);
    return 0;
  });
  Call call;
  call.fileName = QString(3000, 'n');
  call.fileTitle = QString(2000, 't');
  call.run();
  EXPECT_EQ(fileLength, 1023u);
  EXPECT_EQ(titleLength, 511u);
}

TEST(ShowSaveDialog, GivesBackTheChoiceOrZeroTextWhenCancelled) {
  StandIn confirm([](OPENFILENAME* r) {
    std::strcpy(r->lpstrFile, "/p/cat0041.pdf");
    std::strcpy(r->lpstrFileTitle, "cat0041.pdf");
    r->nFilterIndex = 3;
    r->Flags = 0x20;
    return 1;
  });
  Call call;
  EXPECT_EQ(call.run(), rt::True);
  EXPECT_EQ(call.fileName, "/p/cat0041.pdf");
  EXPECT_EQ(call.fileTitle, "cat0041.pdf");
  EXPECT_EQ(call.filterIndex, 3);
  EXPECT_EQ(call.filter, zs({" *.pdf", Z, " *.pdf"}));
  EXPECT_EQ(call.resultFlags, 0x20);

  StandIn cancel([](OPENFILENAME* r) {
    r->nFilterIndex = 2;
    return 0;
  });
  Call cancelled;
  EXPECT_EQ(cancelled.run(), rt::False);
  EXPECT_EQ(cancelled.fileName + cancelled.fileTitle + cancelled.filter, zs({Z, Z, Z}));
  EXPECT_EQ(cancelled.filterIndex, 0);
  EXPECT_EQ(cancelled.resultFlags, 0);
}

}  // namespace
