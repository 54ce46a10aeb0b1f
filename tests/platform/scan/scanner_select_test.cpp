#include <gtest/gtest.h>

#include <QFile>
#include <QListWidget>
#include <QPushButton>
#include <QWidget>

#include "platform/runtime/settings.h"
#include "platform/scan/sane_device.h"
#include "platform/scan/scanner.h"
#include "platform/scan/scanner_choice.h"
#include "platform/window/window.h"
#include "sane_test_backend.h"
#include "support/test_env.h"

namespace {

using scanner_testing::click;
using scanner_testing::useTestBackend;

QByteArray iniFile() {
  QFile f(rt::SettingsFile("scanner"));
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList rows(QDialog& d) {
  QStringList out;
  auto* list = d.findChild<QListWidget*>("sourceList");
  for (int i = 0; list && i < list->count(); ++i) out << list->item(i)->text();
  return out;
}

// Picks the row with that text and presses a button.
int choose(QDialog& d, const QString& row, const char* button) {
  auto* list = d.findChild<QListWidget*>("sourceList");
  const auto found = list->findItems(row, Qt::MatchExactly);
  EXPECT_EQ(found.size(), 1) << row.toStdString();
  if (!found.empty()) list->setCurrentItem(found.front());
  return click(d, button);
}

const QString kFeeder1 = "Automatic Document Feeder on Noname frontend-tester (test:1)";

class SourceSelection : public ::testing::Test {
 protected:
  void SetUp() override {
    QFile::remove(rt::SettingsFile("scanner"));
    useTestBackend();
    TWAIN_SetAppTitle("Title of the program");
    TWAIN_SuppressErrorMessages(0);
    TWAIN_SetMultiTransfer(1);
  }
  void TearDown() override { TWAIN_CloseSource(); }
  testing_support::FakeDialogs dialogs;
};

TEST_F(SourceSelection, ListsEverySourceAndStoresTheChoice) {
  QWidget owner;
  QStringList listed;
  QWidget* parent = nullptr;
  dialogs.onModal = [&](QDialog& d) {
    listed = rows(d);
    parent = d.parentWidget();
    EXPECT_EQ(d.windowTitle(), "Title of the program");
    return choose(d, kFeeder1, "selectButton");
  };
  EXPECT_EQ(TWAIN_SelectImageSource(win::handleOf(&owner)), 1);
  EXPECT_EQ(parent, &owner);
  EXPECT_EQ(listed, (QStringList{"Flatbed on Noname frontend-tester (test:0)",
                                 "Automatic Document Feeder on Noname frontend-tester (test:0)",
                                 "Flatbed on Noname frontend-tester (test:1)", kFeeder1}));
  EXPECT_TRUE(iniFile().startsWith("[DefaultSource]\ndevice=test:1\nsource=Automatic Document Feeder\n"));

  // The feeder now opens by default and takes pages without asking.
  ASSERT_EQ(TWAIN_OpenDefaultSource(), 1);
  const QString path = testing_support::freshDir("sel") + "/p.bmp";
  EXPECT_EQ(TWAIN_AcquireToFilename(0, path.toLocal8Bit()), 0);
  EXPECT_EQ(dialogs.modalCount, 1);
  EXPECT_EQ(scan::openSource()->name(), "test:1");
}

TEST_F(SourceSelection, OffersTheStoredChoiceAndCancelKeepsIt) {
  ASSERT_TRUE(scan::storeChoice({"test:1", "Automatic Document Feeder"}));
  const QByteArray before = iniFile();
  QString current;
  dialogs.onModal = [&](QDialog& d) {
    current = d.findChild<QListWidget*>("sourceList")->currentItem()->text();
    return choose(d, "Flatbed on Noname frontend-tester (test:0)", "cancelButton");
  };
  EXPECT_EQ(TWAIN_SelectImageSource(0), 0);
  EXPECT_EQ(current, kFeeder1);
  EXPECT_EQ(iniFile(), before);
}

TEST_F(SourceSelection, OwnerClosedWhileTheDialogRunsChoosesNothing) {
  auto* owner = new QWidget;
  dialogs.onModal = [&](QDialog& d) {
    choose(d, kFeeder1, "selectButton");
    delete owner;
    return int(QDialog::Accepted);
  };
  EXPECT_EQ(TWAIN_SelectImageSource(win::handleOf(owner)), 0);
  EXPECT_TRUE(iniFile().isEmpty());
}

TEST_F(SourceSelection, NoScannerAtAll) {
  useTestBackend({"no devices"});
  QStringList listed{"not asked"};
  bool selectEnabled = true;
  dialogs.onModal = [&](QDialog& d) {
    listed = rows(d);
    selectEnabled = d.findChild<QPushButton*>("selectButton")->isEnabled();
    return click(d, "selectButton");
  };
  EXPECT_EQ(TWAIN_SelectImageSource(0), 0);
  EXPECT_TRUE(listed.isEmpty());
  EXPECT_FALSE(selectEnabled);
  EXPECT_EQ(TWAIN_OpenDefaultSource(), 0);
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].prompt, "No scanner was found.");
}

struct Stale {
  const char* name;
  scan::SourceChoice stored;
};

class StaleChoice : public SourceSelection, public ::testing::WithParamInterface<Stale> {};

TEST_P(StaleChoice, OpensNothingAndSaysWhy) {
  ASSERT_TRUE(scan::storeChoice(GetParam().stored));
  EXPECT_EQ(TWAIN_OpenDefaultSource(), 0);
  EXPECT_EQ(scan::openSource(), nullptr);
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_TRUE(dialogs.messages[0].prompt.contains(QString::fromStdString(GetParam().stored.device)));
  TWAIN_SuppressErrorMessages(1);
  EXPECT_EQ(TWAIN_OpenDefaultSource(), 0);
  EXPECT_EQ(dialogs.messages.size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Choices, StaleChoice,
                         ::testing::Values(Stale{"DeviceGone", {"test:7", ""}},
                                           Stale{"SourceGone", {"test:0", "Transparency unit"}},
                                           Stale{"OtherBackend", {"nosuchbackend:0", "Flatbed"}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(FeederSources, AreToldByName) {
  for (const char* feeder : {"Automatic Document Feeder", "ADF", "ADF Front", "ADF Duplex", "adf back",
                             "Document Feeder"})
    EXPECT_TRUE(scan::isFeederSource(feeder)) << feeder;
  for (const char* other : {"", "Flatbed", "Transparency Adapter", "Film", "Negative", "Headfirst"})
    EXPECT_FALSE(scan::isFeederSource(other)) << other;
}

}  // namespace
