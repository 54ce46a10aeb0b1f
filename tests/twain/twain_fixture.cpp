#include "twain_fixture.h"

#include <dlfcn.h>

#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QProcess>
#include <QRegularExpression>

#include "about/frmAbout.h"
#include "app/Public.h"
#include "app/forms.h"
#include "app/settings_values.h"
#include "platform/runtime/settings.h"
#include "platform/scan/sane_test_backend.h"
#include "platform/scan/scanner.h"
#include "platform/scan/scanner_choice.h"

namespace twain_testing {

namespace {
// The test backend leaks the buffer of every page reader it kills. SANE
// unloads the backend at exit, which would leave those leaks without a
// module name to suppress them by; kept loaded, they carry its name.
const bool kBackendPinned =
    dlopen("/usr/lib/x86_64-linux-gnu/sane/libsane-test.so.1", RTLD_LAZY | RTLD_NODELETE) != nullptr;
}  // namespace

void TwainWindowTest::SetUp() {
  (void)kBackendPinned;
  QDir(testing_support::configDir()).removeRecursively();
  QDir(testing_support::picturesDir()).removeRecursively();
  app::ResetAppState();
  rt::ForgetToldSettings();
  app::Form2.setFactory([] { return std::make_unique<twain::Form2>(); });
  app::frmAbout.setFactory([] { return std::make_unique<about::frmAbout>(); });
  scanner_testing::useTestBackend();
  // Small pages keep the runs quick.
  for (const char* device : {"test:0", "test:1"})
    ASSERT_TRUE(scan::storeSettings(device, {75, scan::ColourMode::Color, "Whole area"}));
  dir = testing_support::freshDir("scans");
}

void TwainWindowTest::TearDown() {
  app::UnloadAll();
  testing_support::settle();
  TWAIN_CloseSource();
}

void TwainWindowTest::storePath(const QString& path) {
  ASSERT_TRUE(rt::SaveSetting(app::kPathsApp, app::kPathsSection, app::kPathKey, path));
}

QString TwainWindowTest::storedPath() {
  return rt::GetSetting(app::kPathsApp, app::kPathsSection, app::kPathKey, "<unset>");
}

void TwainWindowTest::chooseSource(const QString& device, const QString& source) {
  ASSERT_TRUE(rt::SaveSetting("scanner", "DefaultSource", "device", device));
  ASSERT_TRUE(rt::SaveSetting("scanner", "DefaultSource", "source", source));
}

twain::Form2& TwainWindowTest::load() {
  app::AppState.ScreenMode = 2;
  app::Form2.Show();
  testing_support::settle();
  return window();
}

twain::Form2& TwainWindowTest::window() { return static_cast<twain::Form2&>(app::Form2.get()); }

QString TwainWindowTest::label() { return app::Form3->lbFilename->text(); }

QStringList TwainWindowTest::files() const {
  return QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

void TwainWindowTest::answerPrompts(int scanning, std::function<void(int)> during) {
  dialogs.onModal = [this, scanning, during](QDialog& d) {
    EXPECT_EQ(d.objectName(), "scanPromptDialog");
    EXPECT_EQ(d.windowTitle(), "OrvaluxSoftware");
    if (during) during(dialogs.modalCount);
    return scanner_testing::click(d, dialogs.modalCount <= scanning ? "scanButton" : "doneButton");
  };
}

QSize pictureSize(const QString& path) { return scanner_testing::decodedSize(path); }

QByteArray pictureFormat(const QString& path) {
  QImageReader reader(path);
  reader.setDecideFormatFromContent(true);
  return reader.format();
}

namespace {
QString runTool(const QString& program, const QStringList& args) {
  QProcess p;
  p.start(program, args);
  if (!p.waitForFinished(30000) || p.exitCode() != 0) return {};
  return QString::fromLocal8Bit(p.readAllStandardOutput());
}
}  // namespace

int pdfPages(const QString& path) {
  const auto m = QRegularExpression("Pages:\\s+(\\d+)").match(runTool("pdfinfo", {path}));
  return m.hasMatch() ? m.captured(1).toInt() : -1;
}

QSize pdfImageSize(const QString& path) {
  // "page num type width height ..." after two heading lines; one image only.
  const QStringList lines = runTool("pdfimages", {"-list", path}).split('\n', Qt::SkipEmptyParts);
  if (lines.size() != 3) return {-1, -1};
  const QStringList cells = lines[2].split(' ', Qt::SkipEmptyParts);
  return cells.size() > 4 ? QSize(cells[3].toInt(), cells[4].toInt()) : QSize(-1, -1);
}

QByteArray contents(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
  f.write(bytes);
}

}  // namespace twain_testing
