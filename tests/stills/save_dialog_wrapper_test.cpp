#include <gtest/gtest.h>

#include <QStringList>
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

// The zero-separated strings of a double-zero-ended list.
QStringList listStrings(const char* list) {
  QStringList strings;
  for (const char* at = list; *at; at += std::strlen(at) + 1) strings << QString::fromLocal8Bit(at);
  return strings;
}

struct Seen {
  OPENFILENAME record{};
  QString file, fileTitle, filter, initialDir, title, defExt;
  bool initialDirNull = false;
};

// Stands in for the dialog: records what it was handed, then answers as
// `answer` says (returning its value).
struct StandIn {
  explicit StandIn(std::function<std::int32_t(OPENFILENAME*)> answer) {
    filedialog::setSaveFileNameFunction([this, answer](OPENFILENAME* r) {
      ++calls;
      seen.record = *r;
      seen.file = QString::fromLocal8Bit(r->lpstrFile);
      seen.fileTitle = QString::fromLocal8Bit(r->lpstrFileTitle);
      seen.filter = listStrings(r->lpstrFilter).join('|');
      seen.initialDirNull = r->lpstrInitialDir == nullptr;
      seen.initialDir = QString::fromLocal8Bit(r->lpstrInitialDir);
      seen.title = QString::fromLocal8Bit(r->lpstrTitle);
      seen.defExt = QString::fromLocal8Bit(r->lpstrDefExt);
      return answer(r);
    });
  }
  ~StandIn() { filedialog::setSaveFileNameFunction({}); }
  Seen seen;
  int calls = 0;
};

struct Call {
  QString fileName = "/p/MOR0003";
  QString fileTitle;
  std::int32_t flags = -1;
  QString filter = kFilter;
  std::int32_t filterIndex = 0;
  QString initialDir;
  QString title = "Save Single Frame";
  QString defExt = "bmp";
  std::int32_t owner = 77;
  std::int32_t resultFlags = 99;
  rt::Bool16 run() {
    return stills::ShowSaveDialog(fileName, fileTitle, flags, filter, filterIndex, initialDir, title, defExt, owner,
                                  resultFlags);
  }
};

void answer(OPENFILENAME* r, const char* file, const char* title, std::uint32_t index, std::uint32_t flags) {
  std::strcpy(r->lpstrFile, file);
  std::strcpy(r->lpstrFileTitle, title);
  r->nFilterIndex = index;
  r->Flags = flags;
}

TEST(ConvertFilter, BarsAndColonsBecomeZerosAndTwoZerosEndIt) {
  EXPECT_EQ(stills::ConvertFilter(kFilter),
            zs({" *.bmp", Z, " *.bmp", Z, " *.jpg", Z, " *.jpg", Z, " *.pdf", Z, " *.pdf", Z, Z}));
  EXPECT_EQ(stills::ConvertFilter("Pictures: JPEG|*.jpg"), zs({"Pictures", Z, " JPEG", Z, "*.jpg", Z, Z}));
  EXPECT_EQ(stills::ConvertFilter(""), zs({Z, Z}));
}

TEST(FilterEntry, PicksTheNthPair) {
  const QString list = stills::ConvertFilter(kFilter);
  struct Case {
    std::int32_t n;
    QString entry;
  };
  const Case cases[] = {
      {1, zs({" *.bmp", Z, " *.bmp"})}, {2, zs({" *.jpg", Z, " *.jpg"})}, {3, zs({" *.pdf", Z, " *.pdf"})},
      {4, ""}, {5, ""}, {0, ""}, {-1, ""}, {INT32_MIN, ""},
  };
  for (const Case& c : cases) EXPECT_EQ(stills::FilterEntry(list, c.n), c.entry) << c.n;
  EXPECT_EQ(stills::FilterEntry(QString(Z), 1), "");
  EXPECT_EQ(stills::FilterEntry("", 1), "");
  EXPECT_EQ(stills::FilterEntry("no zeros", 1), "");
  // A list without its double zero ends where the text ends.
  EXPECT_EQ(stills::FilterEntry(zs({"a", Z, "b", Z, "c", Z, "d"}), 2), zs({"c", Z, "d"}));
}

TEST(ShowSaveDialog, HandsTheDialogTheRecordItExpects) {
  StandIn standIn([](OPENFILENAME*) { return 0; });
  Call call;
  call.run();
  ASSERT_EQ(standIn.calls, 1);
  const Seen& s = standIn.seen;
  EXPECT_EQ(s.record.lStructSize, 76u);
  EXPECT_EQ(s.record.hwndOwner, 77u);
  EXPECT_EQ(s.filter, " *.bmp| *.bmp| *.jpg| *.jpg| *.pdf| *.pdf");
  EXPECT_EQ(s.record.nFilterIndex, 0u);
  EXPECT_EQ(s.file, "/p/MOR0003");
  EXPECT_EQ(s.record.nMaxFile, 1024u);
  EXPECT_EQ(s.fileTitle, "");
  EXPECT_EQ(s.record.nMaxFileTitle, 512u);
  EXPECT_TRUE(s.initialDirNull);
  EXPECT_EQ(s.title, "Save Single Frame");
  EXPECT_EQ(s.defExt, "bmp");
  EXPECT_EQ(s.record.Flags, 0u);
}

TEST(ShowSaveDialog, HasNoOwnerForMinusOneAndAnInitialFolderWhenGiven) {
  StandIn standIn([](OPENFILENAME*) { return 0; });
  Call call;
  call.owner = -1;
  call.initialDir = "/p";
  call.run();
  EXPECT_EQ(standIn.seen.record.hwndOwner, 0u);
  EXPECT_FALSE(standIn.seen.initialDirNull);
  EXPECT_EQ(standIn.seen.initialDir, "/p");
}

TEST(ShowSaveDialog, CutsAnOverlongNameAndTitleToTheirBuffers) {
  std::size_t fileLength = 0, titleLength = 0;
  StandIn standIn([&](OPENFILENAME* r) {
    fileLength = strnlen(r->lpstrFile, r->nMaxFile);
    titleLength = strnlen(r->lpstrFileTitle, r->nMaxFileTitle);
    return 0;
  });
  Call call;
  call.fileName = "/p/" + QString(3000, 'n');
  call.fileTitle = QString(2000, 't');
  call.run();
  EXPECT_EQ(fileLength, 1023u);
  EXPECT_EQ(titleLength, 511u);
  EXPECT_EQ(standIn.seen.file, ("/p/" + QString(3000, 'n')).left(1023));
}

TEST(ShowSaveDialog, GivesBackTheChosenNameTitleAndFilter) {
  StandIn standIn([](OPENFILENAME* r) {
    answer(r, "/p/cat0041.pdf", "cat0041.pdf", 3, 0x20);
    return 1;
  });
  Call call;
  EXPECT_EQ(call.run(), rt::True);
  EXPECT_EQ(call.fileName, "/p/cat0041.pdf");
  EXPECT_EQ(call.fileTitle, "cat0041.pdf");
  EXPECT_EQ(call.filterIndex, 3);
  EXPECT_EQ(call.filter, zs({" *.pdf", Z, " *.pdf"}));
  EXPECT_EQ(call.resultFlags, 0x20);
  EXPECT_EQ(call.flags, -1);
}

TEST(ShowSaveDialog, ReadsNoFurtherThanTheBuffersWhenTheDialogFillsThemCompletely) {
  StandIn standIn([](OPENFILENAME* r) {
    std::memset(r->lpstrFile, 'x', r->nMaxFile);
    std::memset(r->lpstrFileTitle, 'y', r->nMaxFileTitle);
    return 1;
  });
  Call call;
  EXPECT_EQ(call.run(), rt::True);
  EXPECT_EQ(call.fileName, QString(1024, 'x'));
  EXPECT_EQ(call.fileTitle, QString(512, 'y'));
}

TEST(ShowSaveDialog, ACancelledDialogAnswersFalseAndZeroText) {
  StandIn standIn([](OPENFILENAME* r) {
    r->nFilterIndex = 2;
    return 0;
  });
  Call call;
  EXPECT_EQ(call.run(), rt::False);
  EXPECT_EQ(call.fileName, QString(Z));
  EXPECT_EQ(call.fileTitle, QString(Z));
  EXPECT_EQ(call.filter, QString(Z));
  EXPECT_EQ(call.filterIndex, 0);
  EXPECT_EQ(call.resultFlags, 0);
}

}  // namespace
