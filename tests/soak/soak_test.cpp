// A long session: a thousand captures from the test pattern in alternating
// formats, and twenty round trips to the scanner window with a feeder run
// each. Memory, open files and windows must stay flat after the first round,
// and the numbering must have neither gaps nor repeats.

#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QRegularExpression>
#include <cstring>
#include <iostream>
#include <map>

#include "../platform/capture/pattern_catalog.h"
#include "../platform/capture/capture_test_util.h"
#include "../faults/fault_backend.h"
#include "app/Public.h"
#include "app/forms.h"
#include "live/form1.h"
#include "platform/capture/capture_window.h"
#include "platform/capture/catalog.h"
#include "platform/capture/test_pattern.h"
#include "platform/filedialog/open_file_name.h"
#include "platform/runtime/settings.h"
#include "platform/scan/image_handles.h"
#include "platform/scan/scanner.h"
#include "program/compose.h"
#include "support/test_env.h"
#include "twain/Form2.h"

namespace {

using app::AppState;

constexpr int kCaptures = 1000;
constexpr int kSwitches = 20;
constexpr int kPagesPerRun = 10;
// Allocators and Qt's caches settle within this after the first round.
constexpr long kRssSlackKb = 4 * 1024;

struct Usage {
  long rssKb = 0;
  int fds = 0;
  int widgets = 0;
  int windows = 0;
  std::size_t images = 0;
};

Usage usage() {
  testing_support::settle();
  Usage u;
  QFile statm("/proc/self/statm");
  if (statm.open(QIODevice::ReadOnly)) {
    const QList<QByteArray> fields = statm.readAll().split(' ');
    if (fields.size() > 1) u.rssKb = fields[1].toLong() * (sysconf(_SC_PAGESIZE) / 1024);
  }
  u.fds = static_cast<int>(QDir("/proc/self/fd").entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System).size());
  u.widgets = static_cast<int>(QApplication::allWidgets().size());
  u.windows = static_cast<int>(QApplication::topLevelWidgets().size());
  u.images = scan::heldImageCount();
  return u;
}

live::form1& live() { return static_cast<live::form1&>(app::form1.get()); }

bool liveWithFrame() {
  return capture_test::runUntil([] {
    auto* cap = app::form1.IsLoaded()
                    ? dynamic_cast<capture::CaptureWindow*>(win::widgetOf(AppState.hCapWnd))
                    : nullptr;
    return cap && !cap->newestFrame().isNull();
  }, 20000);
}

// The format the content of a file is in, as cheaply as it can be told.
QString contentFormat(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return "unreadable";
  const QByteArray head = file.read(8);
  if (head.startsWith("%PDF-")) {
    file.seek(std::max<qint64>(0, file.size() - 32));
    return file.readAll().contains("%%EOF") ? "pdf" : "cut pdf";
  }
  file.close();
  QImageReader reader(path);
  reader.setDecideFormatFromContent(true);
  return reader.canRead() ? QString::fromLatin1(reader.format()) : "unknown";
}

TEST(Soak, AThousandCapturesAndTwentySwitchesLeakNothingAndNumberEveryFile) {
  testing_support::FakeDialogs dialogs;
  capture_test::PatternOnly<> catalog;
  capture::setDeviceCatalog(&catalog);
  capture::rememberFormat(capture::kTestPatternKey, {{320, 240}, 0});
  faults::useFaultBackend(QStringList(kPagesPerRun, "ok"));
  ASSERT_TRUE(rt::SaveSetting("scanner", "DefaultSource", "device", "vicfault:0"));
  ASSERT_TRUE(rt::SaveSetting("scanner", "DefaultSource", "source", "Automatic Document Feeder"));
  composeProgram();

  // The save-as dialog answers the current stem and counter in the next
  // format, so each capture changes format and nothing else.
  const QString formats[] = {".bmp", ".jpg", ".pdf"};
  QString chosen;
  filedialog::setSaveFileNameFunction([&](filedialog::OPENFILENAME* r) {
    const QByteArray name = QFile::encodeName(chosen);
    std::memcpy(r->lpstrFile, name.constData(), static_cast<std::size_t>(name.size()) + 1);
    return 1;
  });

  app::frmControl.Load();
  ASSERT_TRUE(liveWithFrame());

  int captures = 0, switches = 0, pages = 0;
  Usage warm, before = usage();
  for (int round = 0; round < kSwitches; ++round) {
    for (int i = 0; i < kCaptures / kSwitches; ++i, ++captures) {
      chosen = AppState.BasePath + formats[captures % 3];
      live().mnuSaveFrame->trigger();
      const QString expected = AppState.FilePath.left(AppState.FilePath.size() - 8) +
                               rt::Format0000(AppState.FileCounter.toInt() + 1) + formats[captures % 3];
      live().mnuCapFrame->trigger();
      ASSERT_EQ(AppState.FilePath, expected);
    }
    // To the scanner window and back, through the controller's timer.
    live().mnuTwain->trigger();
    ASSERT_TRUE(capture_test::runUntil([] { return app::Form2.IsLoaded() && !app::form1.IsLoaded(); }, 20000));
    auto& scanner = static_cast<twain::Form2&>(app::Form2.get());
    const QString first = scanner.Filename0;
    scanner.mnuCapture->trigger();
    pages += kPagesPerRun;
    ASSERT_TRUE(capture_test::runUntil([] { return !app::Form2.IsLoaded(); }, 20000)) << first.toStdString();
    ASSERT_TRUE(liveWithFrame());
    ++switches;
    const Usage now = usage();
    if (round == 0) warm = now;
    std::cout << "soak: round " << round + 1 << ": RSS " << now.rssKb << " kB, fds " << now.fds << "\n";
  }
  const Usage after = usage();

  std::cout << "soak: " << captures << " captures, " << switches << " switches, " << pages << " scanned pages\n"
            << "soak: RSS " << before.rssKb / 1024 << " MB at start, " << warm.rssKb / 1024 << " MB after warm-up, "
            << after.rssKb / 1024 << " MB at the end (" << (after.rssKb - warm.rssKb) << " kB growth)\n"
            << "soak: open fds " << warm.fds << " after warm-up, " << after.fds << " at the end\n"
            << "soak: widgets " << warm.widgets << " / " << after.widgets << ", windows " << warm.windows << " / "
            << after.windows << ", pictures held " << after.images << "\n";
#ifndef __SANITIZE_ADDRESS__
  EXPECT_LE(after.rssKb - warm.rssKb, kRssSlackKb);
#else
  // Freed memory stays in the sanitizer's quarantine, so resident memory says
  // nothing here; its leak check at exit takes the place of this one.
#endif
  EXPECT_LE(after.fds, warm.fds);
  EXPECT_EQ(after.widgets, warm.widgets);
  EXPECT_EQ(after.windows, warm.windows);
  EXPECT_EQ(after.images, 0u);
  EXPECT_TRUE(dialogs.messages.empty());

  // Every number from 1 on exactly once, each file in its extension's format.
  std::map<int, QString> byNumber;
  int repeated = 0;
  const QRegularExpression numbered("^(?:MOR|ZENO)(\\d{4,})(\\.\\w{3})$");
  const QStringList all = QDir(testing_support::picturesDir())
                              .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
  for (const QString& name : all) {
    const auto m = numbered.match(name);
    ASSERT_TRUE(m.hasMatch()) << name.toStdString();
    repeated += !byNumber.emplace(m.captured(1).toInt(), name).second;
    const QString want = m.captured(2) == ".jpg" ? "jpeg" : m.captured(2).mid(1);
    EXPECT_EQ(contentFormat(testing_support::picturesDir() + "/" + name), want) << name.toStdString();
  }
  EXPECT_EQ(repeated, 0);
  ASSERT_EQ(static_cast<int>(byNumber.size()), captures + pages);
  EXPECT_EQ(byNumber.begin()->first, 1);
  EXPECT_EQ(byNumber.rbegin()->first, captures + pages);

  filedialog::setSaveFileNameFunction({});
  app::UnloadAll();
  testing_support::settle();
  capture::setDeviceCatalog(nullptr);
  TWAIN_CloseSource();
}

}  // namespace
