#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileDialog>
#include <QLineEdit>
#include <array>
#include <cstring>

#include "platform/filedialog/open_file_name.h"
#include "platform/filedialog/text_buffer.h"
#include "platform/runtime/paths.h"
#include "support/test_env.h"

namespace {

const char kFilter[] = " *.bmp\0 *.bmp\0 *.jpg\0 *.jpg\0 *.pdf\0 *.pdf\0";

struct Record {
  std::array<char, 1024> file{};
  std::array<char, 512> title{};
  filedialog::OPENFILENAME ofn{};
  explicit Record(const QString& initialName) {
    filedialog::fillBuffer(file.data(), 1024, initialName);
    ofn = {76, 0, kFilter, 0, file.data(), 1024, title.data(), 512, nullptr, "Save Single Frame", "bmp", 0};
  }
  QString fileText() const { return QString::fromLocal8Bit(file.data()); }
};

// Types a name and presses Save, as a user would.
void typeAndSave(QDialog& dialog, const QString& name) {
  dialog.findChild<QLineEdit*>("fileNameEdit")->setText(name);
  dialog.accept();
}

struct SaveDialogTest : ::testing::Test {
  testing_support::FakeDialogs dialogs;
  QString folder = QDir(testing_support::freshDir("save")).absolutePath();
};

TEST_F(SaveDialogTest, OpensOnTheInitialNameWithTheOfferedFormats) {
  Record record(folder + "/MOR0003");
  record.ofn.nFilterIndex = 3;
  dialogs.onModal = [&](QDialog& dialog) {
    auto& fd = dynamic_cast<QFileDialog&>(dialog);
    EXPECT_EQ(dialog.findChild<QLineEdit*>("fileNameEdit")->text(), "MOR0003");
    EXPECT_EQ(fd.windowTitle(), "Save Single Frame");
    EXPECT_EQ(fd.nameFilters(), QStringList({"*.bmp", "*.jpg", "*.pdf"}));
    EXPECT_EQ(fd.selectedNameFilter(), "*.pdf");
    EXPECT_EQ(fd.directory().absolutePath(), folder);
    return int(QDialog::Rejected);
  };
  EXPECT_EQ(filedialog::RunSaveFileDialog(&record.ofn), 0);
  EXPECT_EQ(dialogs.modalCount, 1);
  EXPECT_EQ(record.fileText(), folder + "/MOR0003");  // cancelled: unchanged
}

TEST_F(SaveDialogTest, AcceptsOfferedExtensionsOrNoneAndRefusesTheRest) {
  struct Case {
    QString type;
    QString typed;
    QString chosen;  // empty: refused, with a message, and the dialog stays open
  };
  // A name without extension takes that of the chosen type.
  const Case cases[] = {{"*.bmp", "cat", "cat.bmp"},         {"*.jpg", "cat", "cat.jpg"},
                        {"*.pdf", "cat", "cat.pdf"},         {"*.jpg", "cat0041.pdf", "cat0041.pdf"},
                        {"*.pdf", "cat.jpg", "cat.jpg"},     {"*.jpg", "cat.tiff", ""},
                        {"*.jpg", "cat.BMP", ""},            {"*.jpg", "cat.", ""},
                        {"*.jpg", "cat.jpeg", ""}};
  for (const Case& c : cases) {
    SCOPED_TRACE((c.type + " " + c.typed).toStdString());
    Record record(folder + "/MOR0003");
    dialogs.messages.clear();
    bool accepted = false;
    dialogs.onModal = [&](QDialog& dialog) {
      auto& fd = dynamic_cast<QFileDialog&>(dialog);
      fd.selectNameFilter(c.type);
      typeAndSave(dialog, c.typed);
      accepted = dialog.result() == QDialog::Accepted;
      return dialog.result();
    };
    const bool confirmed = filedialog::RunSaveFileDialog(&record.ofn) != 0;
    EXPECT_EQ(confirmed, !c.chosen.isEmpty());
    EXPECT_EQ(accepted, confirmed);
    if (confirmed) {
      EXPECT_EQ(record.fileText(), folder + "/" + c.chosen);
      EXPECT_EQ(QString::fromLocal8Bit(record.title.data()), c.chosen);
      EXPECT_EQ(record.ofn.nFilterIndex, c.type == "*.bmp" ? 1u : c.type == "*.jpg" ? 2u : 3u);
      EXPECT_TRUE(dialogs.messages.empty());
    } else {
      ASSERT_EQ(dialogs.messages.size(), 1u);
      EXPECT_TRUE(dialogs.messages[0].prompt.contains(".bmp, .jpg or .pdf"));
      EXPECT_EQ(dialogs.messages[0].title, "Save Single Frame");
    }
  }
}

TEST_F(SaveDialogTest, RefusesAFolderThatDoesNotExistAndStaysOpen) {
  ASSERT_TRUE(QFile(folder + "/a-file").open(QIODevice::WriteOnly));
  const QString cases[] = {folder + "/gone/cat.jpg", folder + "/gone/deeper/cat", folder + "/a-file/cat.bmp"};
  for (const QString& typed : cases) {
    SCOPED_TRACE(typed.toStdString());
    Record record(folder + "/MOR0003");
    dialogs.messages.clear();
    bool stayedOpen = false;
    dialogs.onModal = [&](QDialog& dialog) {
      typeAndSave(dialog, typed);
      stayedOpen = dialog.result() != QDialog::Accepted;
      // The user then picks a folder that exists.
      typeAndSave(dialog, folder + "/cat.pdf");
      return dialog.result();
    };
    EXPECT_NE(filedialog::RunSaveFileDialog(&record.ofn), 0);
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(record.fileText(), folder + "/cat.pdf");
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].prompt, "The folder " + QFileInfo(typed).absolutePath() + " does not exist.");
    EXPECT_EQ(dialogs.messages[0].title, "Save Single Frame");
    EXPECT_FALSE(QFileInfo::exists(folder + "/gone"));
  }
}

// A fresh account has no Pictures folder yet: the dialog makes it and opens
// there, rather than in its parent, where a confirmed name would move every
// later capture. Any other missing folder is left to the user.
TEST_F(SaveDialogTest, OpensInTheMissingPicturesFolderByMakingItAndMakesNoOther) {
  struct Case {
    QString initial, opensIn;
    bool picturesMade;
  };
  const Case cases[] = {{"PAX", rt::PicturesFolder(), true},
                        {rt::PicturesFolder() + "/MOR0000", rt::PicturesFolder(), true},
                        {folder + "/gone/MOR0003", folder, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.initial.toStdString());
    QDir(rt::PicturesFolder()).removeRecursively();
    Record record(c.initial);
    QString shown;
    dialogs.onModal = [&](QDialog& dialog) {
      shown = dynamic_cast<QFileDialog&>(dialog).directory().absolutePath();
      typeAndSave(dialog, "cat");
      return dialog.result();
    };
    EXPECT_NE(filedialog::RunSaveFileDialog(&record.ofn), 0);
    EXPECT_EQ(shown, c.opensIn);
    EXPECT_EQ(record.fileText(), c.opensIn + "/cat.bmp");
    EXPECT_EQ(QFileInfo(rt::PicturesFolder()).isDir(), c.picturesMade);
    EXPECT_FALSE(QFileInfo::exists(folder + "/gone"));
  }
  EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(SaveDialogTest, RefusesANameTooLongForTheBuffer) {
  Record record(folder + "/MOR0003");
  record.ofn.nMaxFile = static_cast<std::uint32_t>(folder.toLocal8Bit().size() + 10);
  dialogs.onModal = [&](QDialog& dialog) {
    typeAndSave(dialog, "a-rather-long-name.bmp");
    return dialog.result();
  };
  EXPECT_EQ(filedialog::RunSaveFileDialog(&record.ofn), 0);
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].prompt, "The file name is too long.");
}

TEST_F(SaveDialogTest, StartsInAFolderThatExists) {
  QDir().mkpath(rt::PicturesFolder());
  struct Case {
    QString initial, expected;
  };
  const Case cases[] = {{"PAX", rt::PicturesFolder()}, {folder + "/gone/deeper/MOR0003", folder}};
  for (const Case& c : cases) {
    Record record(c.initial);
    QString shown;
    dialogs.onModal = [&](QDialog& dialog) {
      shown = dynamic_cast<QFileDialog&>(dialog).directory().absolutePath();
      return int(QDialog::Rejected);
    };
    filedialog::RunSaveFileDialog(&record.ofn);
    EXPECT_EQ(shown, c.expected);
  }
}

TEST(TextBuffer, NeverWritesPastTheBufferNorCutsACharacter) {
  struct Case {
    QString text;
    QString kept;
  };
  const QString e(QChar(0xe9));  // two bytes
  const QString smiley = QString::fromUcs4(U"\U0001F600");  // four bytes, two UTF-16 units
  const Case cases[] = {{"MOR0003", "MOR0003"},       {QString(40, 'a'), QString(15, 'a')},
                        {QString(10, e[0]), QString(7, e[0])}, {"abcdefghijk" + smiley, "abcdefghijk" + smiley},
                        {"abcdefghijkl" + smiley, "abcdefghijkl"}, {QString("ab") + QChar(0) + "cd", "ab"}};
  for (const Case& c : cases) {
    std::array<char, 24> bytes;
    bytes.fill('#');
    filedialog::fillBuffer(bytes.data(), 16, c.text);
    EXPECT_EQ(filedialog::bufferText(bytes.data(), 16), c.kept);
    EXPECT_EQ(std::count(bytes.begin() + 16, bytes.end(), '#'), 8) << "written past the buffer";
    EXPECT_EQ(std::count(bytes.begin() + qsizetype(std::strlen(bytes.data())), bytes.begin() + 16, '\0'),
              16 - qsizetype(std::strlen(bytes.data())));
  }
  const char unterminated[4] = {'a', 'b', 'c', 'd'};
  EXPECT_EQ(filedialog::bufferText(unterminated, 4), "abcd");
}

}  // namespace
