// Start-up from any stored settings, then one capture: the real live window
// on the test pattern, every dialog answered, in a private HOME.
//
// Input: the "Path" text, 0xFF, the driver "index" text, 0xFF, the "Border"
// text (all UTF-8). An absolute path is placed below the private root and a
// relative one lands in the private working folder; ".." is taken out, so
// that no input can point outside.
//
// Invariants: no crash and no end of the program; the capture writes one
// picture, in the folder of the stored path or in the Pictures folder, and
// nothing else anywhere; a picture already at the next name is left alone;
// the driver is entry 0 and the border menu matches the border choice.

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <cstddef>
#include <cstdint>

#include "app/Public.h"
#include "app/forms.h"
#include "app/settings_values.h"
#include "fuzz_env.h"
#include "live/form1.h"
#include "platform/capture/capture_window.h"
#include "platform/capture/catalog.h"
#include "platform/capture/test_pattern.h"
#include "platform/runtime/program.h"
#include "platform/runtime/settings.h"
#include "stills/next_name.h"
#include "stills/numbered_name.h"

namespace {

using app::AppState;
using fuzzing::check;

struct PatternOnly final : capture::DeviceCatalog {
  std::vector<capture::DeviceInfo> list() override { return {{capture::kTestPatternKey, "Test pattern"}}; }
  std::unique_ptr<capture::CaptureDevice> make(const capture::DeviceInfo&) override {
    return std::make_unique<capture::TestPattern>();
  }
};

fuzzing::QuietDialogs* dialogs = nullptr;
const QByteArray kUsersPicture = "a picture the user took";

// The stored path as the input gives it, kept inside the private root.
QString storedPath(const QByteArray& bytes) {
  const QString text = QString::fromUtf8(bytes);
  QStringList parts = text.split('/');
  parts.removeAll("..");
  const QString path = parts.join('/');
  return path.startsWith('/') ? fuzzing::root() + path : path;
}

// Every file below the root but the settings store, with its content.
QMap<QString, QByteArray> filesBelowRoot() {
  QMap<QString, QByteArray> files;
  QDirIterator it(fuzzing::root(), QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
  while (it.hasNext()) {
    const QString path = it.next();
    if (path.startsWith(fuzzing::configFolder() + '/')) continue;
    QFile file(path);
    files.insert(path, file.open(QIODevice::ReadOnly) ? file.read(64) : QByteArray());
  }
  return files;
}

// Qt takes a name that starts with ':' for one of its resources; the file
// system takes it as a name in the working folder, and so does the program.
QString absolute(const QString& path) {
  return QDir::cleanPath(path.startsWith('/') ? path : QDir::currentPath() + '/' + path);
}

QString folderOf(const QString& path) { return QFileInfo(absolute(path)).absoluteDir().absolutePath(); }

// The name the next capture would take, as the user's picture to protect:
// only when it lies in a folder that exists.
QString occupyNextName(const QString& stored) {
  const QString path = app::LivePathFromSetting(stored);
  const stills::NumberedPath pieces = stills::SplitNumberedPath(path);
  const stills::NumberedName next =
      stills::AdvanceName({path, pieces.FileExt, pieces.FileCounter, pieces.BasePath}, app::DefaultLivePath());
  const QString name = absolute(next.FilePath);
  if (!name.startsWith(fuzzing::root() + '/') || QFileInfo::exists(name) || !QFileInfo(folderOf(name)).isDir())
    return {};
  QFile file(name);
  if (!file.open(QIODevice::WriteOnly) || file.write(kUsersPicture) != kUsersPicture.size()) return {};
  return name;
}

void runOnce(const QString& path, const QString& index, const QString& border) {
  rt::SaveSetting(app::kPathsApp, app::kPathsSection, app::kPathKey, path);
  rt::SaveSetting(app::kDriverApp, app::kDriverSection, app::kDriverKey, index);
  rt::SaveSetting(app::kPathsApp, app::kPathsSection, app::kBorderKey, border);
  const QString protectedName = occupyNextName(path);
  const QMap<QString, QByteArray> before = filesBelowRoot();
  dialogs->messages = 0;

  app::ResetAppState();
  app::form1.Show();
  auto& window = static_cast<live::form1&>(app::form1.get());
  check(AppState.DriverIndex == 0, "a driver other than the only entry");
  check(window.mnuBorder->isChecked() == (AppState.FreeResize == rt::False), "border menu and choice differ");
  check(window.mnuBorder->isChecked() == (border == "New" || border == "1"), "border choice");
  auto* capture = dynamic_cast<capture::CaptureWindow*>(win::widgetOf(AppState.hCapWnd));
  check(capture && capture->device(), "the test pattern is not connected");
  static_cast<capture::TestPattern*>(capture->device())->tick();

  const QString loaded = AppState.FilePath;
  window.mnuCapFrame_Click();
  const QString written = absolute(AppState.FilePath);
  const QMap<QString, QByteArray> after = filesBelowRoot();

  if (!protectedName.isEmpty()) {
    check(after.value(protectedName) == kUsersPicture, "the user's picture was overwritten");
    check(written != protectedName, "the capture took the name of the user's picture");
  }
  QStringList added;
  for (auto it = after.begin(); it != after.end(); ++it)
    if (!before.contains(it.key())) added << it.key();
  for (auto it = before.begin(); it != before.end(); ++it)
    check(after.contains(it.key()), "a file disappeared: " + it.key().toStdString());

  if (dialogs->messages == 0) {
    check(added == QStringList{written}, "the capture wrote other files than its picture");
    check(folderOf(written) == folderOf(loaded) || folderOf(written) == fuzzing::pictures(),
          "the picture went to another folder: " + written.toStdString());
    check(written.endsWith(AppState.FileExt), "the picture lost its extension");
  } else {
    // The first line is the fixed text; the second names the file and the reason.
    check(dialogs->lastMessage.section('\n', 0, 0) == "Problem saving frame",
          "unexpected message: " + dialogs->lastMessage.toStdString());
    check(added.isEmpty(), "a failed capture left a file");
  }

  AppState.EndOnUnload = rt::False;
  app::UnloadAll();
  fuzzing::settle();
  for (const QString& file : added) QFile::remove(file);
  if (!protectedName.isEmpty()) QFile::remove(protectedName);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzzing::usePrivateHome();
  fuzzing::enterWorkFolder();
  fuzzing::useApplication();
  static PatternOnly catalog;
  capture::setDeviceCatalog(&catalog);
  capture::rememberFormat(capture::kTestPatternKey, {QSize(320, 240), 0});  // the smallest: quicker captures
  dialogs = new fuzzing::QuietDialogs;
  rt::setDialogs(dialogs);
  rt::setEndHandler([] { fuzzing::fail("the program ended"); });
  app::form1.setFactory([] { return std::make_unique<live::form1>(); });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzing::Input input(data, size);
  const QString path = storedPath(input.until(0xFF));
  const QString index = QString::fromUtf8(input.until(0xFF));
  const QString border = QString::fromUtf8(input.rest());
  runOnce(path, index, border);
  return 0;
}
