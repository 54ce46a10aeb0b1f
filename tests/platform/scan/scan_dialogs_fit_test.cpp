#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QListWidget>

#include "platform/runtime/window_fit.h"
#include "platform/scan/scan_dialog_progress.h"
#include "platform/scan/scan_dialog_select.h"
#include "support/test_env.h"

namespace {

scan::SourceEntry entry(const std::string& device, const std::string& source, const std::string& description) {
  scan::SourceEntry e;
  e.choice = {device, source};
  e.description = description;
  return e;
}

// Two sources of two devices of one model differ only at the end of their
// entries, so every entry must be readable to its last character.
TEST(ScanDialogsFit, TheSelectionListShowsItsLongestEntryWhole) {
  const std::vector<scan::SourceEntry> entries = {
      entry("test:0", "Flatbed", "Noname frontend-tester"),
      entry("test:1", "Automatic Document Feeder", "Noname frontend-tester"),
      entry("net:192.168.100.200:airscan:e0:Department Printer", "Automatic Document Feeder (duplex)",
            "Maker of Office Machines Department Printer Model 4000 Series"),
  };
  scan::SelectSourceDialog dialog(nullptr, "OrvaluxSoftware", entries, std::nullopt);
  dialog.show();
  testing_support::settle();
  auto* list = dialog.findChild<QListWidget*>("sourceList");
  ASSERT_NE(list, nullptr);
  const int screenWidth = rt::WithinScreenWidth(1 << 20, dialog);
  for (int row = 0; row < list->count(); ++row) {
    const int needed = list->fontMetrics().horizontalAdvance(list->item(row)->text());
    if (needed < screenWidth - 100) {
      EXPECT_GE(list->viewport()->width(), needed) << list->item(row)->text().toStdString();
    }
  }
  EXPECT_LE(dialog.width(), screenWidth);
}

TEST(ScanDialogsFit, ScannerWindowsAreAsWideAsTheirTitle) {
  for (const QString& title : {QStringLiteral("OrvaluxSoftware"), QStringLiteral("A much longer title of the program")}) {
    SCOPED_TRACE(title.toStdString());
    scan::ScanProgressDialog progress(nullptr, title);
    scan::SelectSourceDialog select(nullptr, title, {}, std::nullopt);
    for (QDialog* dialog : {static_cast<QDialog*>(&progress), static_cast<QDialog*>(&select)}) {
      dialog->show();
      testing_support::settle();
      EXPECT_GE(dialog->width(), rt::TitleBarWidth(title)) << dialog->objectName().toStdString();
    }
  }
}

}  // namespace
