#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMainWindow>
#include <array>

#include "platform/filedialog/open_file_name.h"
#include "platform/runtime/paths.h"
#include "support/test_env.h"

namespace {

using filedialog::OPENFILENAME;
using testing_support::FakeDialogs;

const char kFilter[] = " *.bmp\0 *.bmp\0 *.jpg\0 *.jpg\0 *.pdf\0 *.pdf\0";

struct Record {
  std::array<char, 1024> file{};
  std::array<char, 512> title{};
  OPENFILENAME ofn{};
  explicit Record(const QString& initialName, std::uint32_t maxFile = 1024) {
    const QByteArray name = initialName.toLocal8Bit();
    std::copy(name.begin(), name.end(), file.begin());
    ofn.lStructSize = filedialog::kOpenFileNameSize;
    ofn.lpstrFilter = kFilter;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = maxFile;
    ofn.lpstrFileTitle = title.data();
    ofn.nMaxFileTitle = 512;
    ofn.lpstrTitle = "Save Single Frame";
    ofn.lpstrDefExt = "bmp";
  }
  QString fileText() const { return QString::fromLocal8Bit(file.data()); }
  QString titleText() const { return QString::fromLocal8Bit(title.data()); }
};

QFileDialog& asFileDialog(QDialog& dialog) { return dynamic_cast<QFileDialog&>(dialog); }

// Types a name into the dialog and presses Save, as a user would.
void typeAndSave(QDialog& dialog, const QString& name) {
  QLineEdit* edit = dialog.findChild<QLineEdit*>("fileNameEdit");
  ASSERT_NE(edit, nullptr);
  edit->setText(name);
  dialog.accept();
}

struct SaveDialogTest : ::testing::Test {
  void SetUp() override {
    folder = testing_support::freshDir("save");
  }
  FakeDialogs dialogs;
  QString folder;
};

TEST_F(SaveDialogTest, OpensOnTheInitialNameWithTheOfferedFormats) {
  Record record(folder + "/MOR0003");
  QString shownName, shownTitle;
  QStringList shownFilters;
  QString shownFolder;
  dialogs.onModal = [&](QDialog& dialog) {
    QFileDialog& fd = asFileDialog(dialog);
    shownName = dialog.findChild<QLineEdit*>("fileNameEdit")->text();
    shownTitle = fd.windowTitle();
    shownFilters = fd.nameFilters();
    shownFolder = fd.directory().absolutePath();
    EXPECT_EQ(fd.acceptMode(), QFileDialog::AcceptSave);
    EXPECT_EQ(fd.defaultSuffix(), "bmp");
    return int(QDialog::Rejected);
  };
  EXPECT_EQ(filedialog::RunSaveFileDialog(&record.ofn), 0);
  EXPECT_EQ(shownName, "MOR0003");
  EXPECT_EQ(shownTitle, "Save Single Frame");
  EXPECT_EQ(shownFilters, QStringList({"*.bmp", "*.jpg", "*.pdf"}));
  EXPECT_EQ(shownFolder, QDir(folder).absolutePath());
  // Cancelling leaves the buffers as they were.
  EXPECT_EQ(record.fileText(), folder + "/MOR0003");
  EXPECT_EQ(record.titleText(), "");
}

TEST_F(SaveDialogTest, ANameWithoutExtensionGetsTheDefaultOne) {
  Record record(folder + "/MOR0003");
  dialogs.onModal = [&](QDialog& dialog) {
    typeAndSave(dialog, "cat");
    return dialog.result();
  };
  ASSERT_NE(filedialog::RunSaveFileDialog(&record.ofn), 0);
  EXPECT_EQ(record.fileText(), QDir(folder).absolutePath() + "/cat.bmp");
  EXPECT_EQ(record.titleText(), "cat.bmp");
  EXPECT_EQ(record.ofn.nFilterIndex, 1u);
  EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(SaveDialogTest, RefusesOtherExtensionsAndStaysOpen) {
  for (const QString& refused : {QString("cat.tiff"), QString("cat.BMP"), QString("cat.")}) {
    Record record(folder + "/MOR0003");
    dialogs.messages.clear();
    bool stayedOpen = false;
    dialogs.onModal = [&](QDialog& dialog) {
      typeAndSave(dialog, refused);
      stayedOpen = dialog.result() != QDialog::Accepted;
      typeAndSave(dialog, "cat0041.pdf");
      return dialog.result();
    };
    ASSERT_NE(filedialog::RunSaveFileDialog(&record.ofn), 0) << refused.toStdString();
    EXPECT_TRUE(stayedOpen) << refused.toStdString();
    ASSERT_EQ(dialogs.messages.size(), 1u) << refused.toStdString();
    EXPECT_TRUE(dialogs.messages[0].prompt.contains(".bmp, .jpg or .pdf"));
    EXPECT_EQ(dialogs.messages[0].title, "Save Single Frame");
    EXPECT_EQ(record.fileText(), QDir(folder).absolutePath() + "/cat0041.pdf");
  }
}

TEST_F(SaveDialogTest, RefusesANameTooLongForTheBuffer) {
  Record record(folder + "/MOR0003", 1024);
  record.ofn.nMaxFile = static_cast<std::uint32_t>(folder.toLocal8Bit().size() + 10);
  dialogs.onModal = [&](QDialog& dialog) {
    typeAndSave(dialog, "a-rather-long-name.bmp");
    return dialog.result();
  };
  EXPECT_EQ(filedialog::RunSaveFileDialog(&record.ofn), 0);
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].prompt, "The file name is too long.");
}

TEST_F(SaveDialogTest, ReportsTheFilterLeftSelected) {
  Record record(folder + "/MOR0003");
  record.ofn.nFilterIndex = 3;
  QString preselected;
  dialogs.onModal = [&](QDialog& dialog) {
    QFileDialog& fd = asFileDialog(dialog);
    preselected = fd.selectedNameFilter();
    fd.selectNameFilter("*.jpg");
    typeAndSave(dialog, "dog.jpg");
    return dialog.result();
  };
  ASSERT_NE(filedialog::RunSaveFileDialog(&record.ofn), 0);
  EXPECT_EQ(preselected, "*.pdf");
  EXPECT_EQ(record.ofn.nFilterIndex, 2u);
}

TEST_F(SaveDialogTest, OpensInThePicturesFolderOrTheNearestExistingParent) {
  struct Case {
    QString initial;
    QString initialDir;  // null: none
    QString expected;
  };
  QDir().mkpath(rt::PicturesFolder());
  const Case cases[] = {
      {"PAX", QString(), rt::PicturesFolder()},
      {"PAX", folder, folder},
      {folder + "/gone/deeper/MOR0003", QString(), folder},
      {folder + "/MOR0003", rt::PicturesFolder(), folder},
  };
  for (const Case& c : cases) {
    const QByteArray initialDir = c.initialDir.toLocal8Bit();
    Record record(c.initial);
    record.ofn.lpstrInitialDir = c.initialDir.isNull() ? nullptr : initialDir.constData();
    QString shown;
    dialogs.onModal = [&](QDialog& dialog) {
      shown = asFileDialog(dialog).directory().absolutePath();
      return int(QDialog::Rejected);
    };
    filedialog::RunSaveFileDialog(&record.ofn);
    EXPECT_EQ(shown, QDir(c.expected).absolutePath()) << c.initial.toStdString();
  }
}

TEST_F(SaveDialogTest, IsOwnedByTheOwnersWindow) {
  QMainWindow owner;
  QWidget* inner = new QWidget(&owner);
  owner.setCentralWidget(inner);
  Record record(folder + "/MOR0003");
  record.ofn.hwndOwner = win::handleOf(inner);
  QWidget* parent = nullptr;
  dialogs.onModal = [&](QDialog& dialog) {
    parent = dialog.parentWidget();
    return int(QDialog::Rejected);
  };
  filedialog::RunSaveFileDialog(&record.ofn);
  EXPECT_EQ(parent, &owner);
}

TEST_F(SaveDialogTest, ShowsNothingWithoutAFileBuffer) {
  Record record(folder + "/MOR0003");
  record.ofn.lpstrFile = nullptr;
  EXPECT_EQ(filedialog::RunSaveFileDialog(&record.ofn), 0);
  Record empty(folder + "/MOR0003", 0);
  EXPECT_EQ(filedialog::RunSaveFileDialog(&empty.ofn), 0);
  EXPECT_EQ(filedialog::RunSaveFileDialog(nullptr), 0);
  EXPECT_EQ(dialogs.modalCount, 0);
}

TEST_F(SaveDialogTest, TestsCanStandInForTheDialog) {
  Record record(folder + "/MOR0003");
  int calls = 0;
  filedialog::setSaveFileNameFunction([&](OPENFILENAME* ofn) {
    ++calls;
    EXPECT_EQ(ofn, &record.ofn);
    return 7;
  });
  EXPECT_EQ(filedialog::GetSaveFileNameA(&record.ofn), 7);
  filedialog::setSaveFileNameFunction({});
  dialogs.onModal = [](QDialog&) { return int(QDialog::Rejected); };
  EXPECT_EQ(filedialog::GetSaveFileNameA(&record.ofn), 0);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(dialogs.modalCount, 1);
}

}  // namespace
