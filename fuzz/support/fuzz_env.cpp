#include "fuzz_env.h"

#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace fuzzing {

namespace {
QTemporaryDir* privateRoot = nullptr;
}

void usePrivateHome() {
  if (privateRoot) return;
  // Left behind only when the process dies: a crash keeps its evidence. In
  // memory where possible, since the settings store syncs every save to disk.
  const QString base = QFileInfo(QStringLiteral("/dev/shm")).isWritable() ? QStringLiteral("/dev/shm") : QDir::tempPath();
  privateRoot = new QTemporaryDir(base + "/vic-fuzz-XXXXXX");
  if (!privateRoot->isValid()) fail("no private folder");
  std::atexit([] { delete privateRoot; });
  QDir().mkpath(pictures());
  QDir().mkpath(home() + "/.run");
  QDir().mkpath(workFolder());
  QDir().mkpath(configFolder());
  QFile::setPermissions(home() + "/.run", QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
  qputenv("HOME", home().toUtf8());
  qputenv("XDG_CONFIG_HOME", (home() + "/.config").toUtf8());
  qputenv("XDG_DATA_HOME", (home() + "/.local/share").toUtf8());
  qputenv("XDG_CACHE_HOME", (home() + "/.cache").toUtf8());
  qputenv("XDG_RUNTIME_DIR", (home() + "/.run").toUtf8());
}

void enterWorkFolder() {
  if (::chdir(QFile::encodeName(workFolder()).constData()) != 0) fail("cannot enter the working folder");
}

QString root() { return privateRoot->path(); }
QString home() { return root() + "/home"; }
QString pictures() { return home() + "/Pictures"; }
QString configFolder() { return home() + "/.config/video-image-capture"; }
QString workFolder() { return root() + "/work"; }

void useApplication() {
  static int argc = 1;
  static char name[] = "fuzz";
  static char* argv[] = {name, nullptr};
  if (QApplication::instance()) return;
  qputenv("QT_QPA_PLATFORM", "offscreen");
  // The offscreen platform's notes on every window would drown the fuzzer's.
  qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtFatalMsg) fail(text.toStdString());
  });
  auto* app = new QApplication(argc, argv);  // kept to the end of the process
  QApplication::setQuitOnLastWindowClosed(false);
  (void)app;
}

void settle() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

int QuietDialogs::messageBox(const QString& prompt, int, const QString&) {
  ++messages;
  lastMessage = prompt;
  return rt::vbOK;
}

int QuietDialogs::runModal(QDialog&) {
  ++modals;
  return 0;  // rejected
}

std::uint8_t Input::byte() { return pos_ < size_ ? data_[pos_++] : 0; }

std::uint16_t Input::u16() {
  const std::uint16_t low = byte();
  return static_cast<std::uint16_t>(low | byte() << 8);
}

std::int32_t Input::i32() {
  std::uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v |= std::uint32_t{byte()} << (8 * i);
  return static_cast<std::int32_t>(v);
}

QByteArray Input::until(std::uint8_t separator) {
  const std::size_t start = pos_;
  while (pos_ < size_ && data_[pos_] != separator) ++pos_;
  QByteArray piece(reinterpret_cast<const char*>(data_ + start), static_cast<qsizetype>(pos_ - start));
  if (pos_ < size_) ++pos_;
  return piece;
}

QByteArray Input::rest() {
  QByteArray piece(reinterpret_cast<const char*>(data_ + pos_), static_cast<qsizetype>(size_ - pos_));
  pos_ = size_;
  return piece;
}

void fail(const std::string& what) {
  std::fprintf(stderr, "fuzz invariant broken: %s\n", what.c_str());
  std::fflush(stderr);
  std::abort();
}

}  // namespace fuzzing
