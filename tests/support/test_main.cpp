#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdlib>

#include "platform/runtime/program.h"
#include "support/test_env.h"

namespace testing_support {

namespace {
QTemporaryDir* root = nullptr;
}

QString homeDir() { return root->path() + "/home"; }
QString picturesDir() { return homeDir() + "/Pictures"; }
QString configDir() { return homeDir() + "/.config/video-image-capture"; }

QString freshDir(const QString& name) {
  static int counter = 0;
  QString dir = homeDir() + "/" + name + QString::number(++counter);
  QDir().mkpath(dir);
  return dir;
}

QString saneConfigDir() {
  static const QString dir = freshDir("sane");
  return dir;
}

std::string native(const QString& path) { return QFile::encodeName(path).toStdString(); }

QByteArray contentOf(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<none>");
}

bool put(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QStringList entries(const QString& folder) {
  QStringList names = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
  names.sort();
  return names;
}

void settle() {
  for (int i = 0; i < 3; ++i) {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
  }
}

FakeDialogs::FakeDialogs() { rt::setDialogs(this); }
FakeDialogs::~FakeDialogs() { rt::setDialogs(nullptr); }

int FakeDialogs::messageBox(const QString& prompt, int style, const QString& title) {
  messages.push_back({prompt, style, title});
  return rt::vbOK;
}

int FakeDialogs::runModal(QDialog& dialog) {
  ++modalCount;
  return onModal ? onModal(dialog) : QDialog::Rejected;
}

}  // namespace testing_support

int main(int argc, char** argv) {
  // Nothing a test does may touch the user's own files.
  static QTemporaryDir dir;
  testing_support::root = &dir;
  const QString home = dir.path() + "/home";
  QDir().mkpath(home);
  qputenv("HOME", home.toUtf8());
  qputenv("XDG_CONFIG_HOME", (home + "/.config").toUtf8());
  qputenv("XDG_DATA_HOME", (home + "/.local/share").toUtf8());
  qputenv("XDG_CACHE_HOME", (home + "/.cache").toUtf8());
  qputenv("XDG_RUNTIME_DIR", (home + "/.run").toUtf8());
  QDir().mkpath(home + "/.run");
  QFile::setPermissions(home + "/.run", QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");

  QApplication app(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  rt::setEndHandler([] { throw testing_support::ProgramEnded(); });
  ::testing::InitGoogleTest(&argc, argv);
  int result = RUN_ALL_TESTS();
  testing_support::settle();
  return result;
}
