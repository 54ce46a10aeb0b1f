#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>

#include "e2e_steps.h"
#include "faults/fault_backend.h"
#include "platform/runtime/settings.h"
#include "support/desktop.h"
#include "support/test_env.h"

namespace {

using e2e::kLiveTitle;
using e2e::kTwainTitle;
using testing_support::waitUntil;

const QString kLibraryTitle = "^OrvaluxSoftware$";  // the scanner library's dialogs

QString output(const QString& program, const QStringList& args) {
  QProcess p;
  p.start(program, args);
  return p.waitForFinished(60000) ? QString::fromUtf8(p.readAllStandardOutput()) : QString();
}

TEST(ScannerSettings, GreyA5At150DpiChosenInTheDialogShapesEveryFeederPage) {
  QDir(testing_support::configDir()).removeRecursively();
  QDir(testing_support::picturesDir()).removeRecursively();
  const QString pictures = testing_support::picturesDir();
  ASSERT_TRUE(rt::SaveSetting("ZENO", "PARAS", "Path", pictures + "/ZENO0041.pdf"));
  // A scanner with the standard options and a feeder holding two pages.
  faults::useFaultBackend({"device options", "ok", "ok"});

  testing_support::Desktop desktop;
  ASSERT_TRUE(desktop.ok()) << "no X display";
  testing_support::Program program(desktop);
  ASSERT_TRUE(program.start());
  const QString live = program.waitForWindow(kLiveTitle);
  ASSERT_FALSE(live.isEmpty()) << program.output().toStdString();
  program.activate(live);
  program.key("alt+t");
  const QString twain = program.waitForWindow(kTwainTitle);
  ASSERT_FALSE(twain.isEmpty()) << program.output().toStdString();
  ASSERT_TRUE(program.waitForFocus(twain)) << "the scanner window does not have the keyboard focus";

  // File > Select Device: the only device, its feeder, at 300 dpi, Color, A4
  // to begin with; one step up, down and down makes 150 dpi, Gray, A5.
  desktop.run("xdotool", {"key", "--clearmodifiers", "alt+f", "d"});
  const QString dialog = program.waitForWindow(kLibraryTitle);
  ASSERT_FALSE(dialog.isEmpty()) << program.output().toStdString();
  ASSERT_TRUE(program.waitForFocus(dialog)) << "the selection dialog does not have the keyboard focus";
  desktop.run("xdotool", {"key", "--clearmodifiers", "alt+r", "Up", "alt+m", "Down", "alt+p", "Down", "Return"});
  ASSERT_TRUE(waitUntil([&] { return !program.hasWindow(kLibraryTitle); }, 10000));
  // SANE lists the device as "vicfault:vicfault:0" (backend, then its own name).
  const QString section = "Device vicfault%3Avicfault%3A0";
  EXPECT_TRUE(waitUntil([&] { return rt::GetSetting("scanner", section, "page", "") == "A5"; }, 5000))
      << output("cat", {rt::SettingsFile("scanner")}).toStdString();
  EXPECT_EQ(rt::GetSetting("scanner", section, "resolution", ""), "150");
  EXPECT_EQ(rt::GetSetting("scanner", section, "mode", ""), "Gray");

  ASSERT_TRUE(program.waitForFocus(twain)) << "the scanner window does not have the keyboard focus";
  program.key("alt+o");
  const QDir dir(pictures);
  const QStringList pages = {"ZENO0042.pdf", "ZENO0043.pdf"};
  EXPECT_TRUE(waitUntil([&] { return e2e::filesIn(pictures) == pages && program.hasWindow(kLiveTitle); }, 60000))
      << dir.entryList(QDir::Files | QDir::Hidden).join(' ').toStdString();
  for (const QString& name : pages) {
    const QString path = pictures + "/" + name;
    // An A5 page: 148 x 210 mm, 419.5 x 595.3 points; 874 x 1240 grey pixels at 150 dpi.
    const auto size = QRegularExpression(R"(Page size:\s+([\d.]+) x ([\d.]+) pts)").match(output("pdfinfo", {path}));
    ASSERT_TRUE(size.hasMatch()) << name.toStdString();
    EXPECT_NEAR(size.captured(1).toDouble(), 419.5, 0.5);
    EXPECT_NEAR(size.captured(2).toDouble(), 595.3, 0.5);
    const QStringList images = output("pdfimages", {"-list", path}).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(images.size(), 3);
    const QStringList f = images[2].split(' ', Qt::SkipEmptyParts);
    ASSERT_GE(f.size(), 14);
    EXPECT_EQ(f.mid(3, 5), (QStringList{"874", "1240", "gray", "1", "8"})) << images[2].toStdString();
    EXPECT_EQ(f.mid(12, 2), (QStringList{"150", "150"}));
  }
  const QString back = program.waitForWindow(kLiveTitle, 30000);
  ASSERT_FALSE(back.isEmpty());
  ASSERT_TRUE(program.closeAndWaitForExit(back)) << program.output().toStdString();
}

}  // namespace
