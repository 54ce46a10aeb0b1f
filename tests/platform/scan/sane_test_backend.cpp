#include "sane_test_backend.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QPushButton>

#include "platform/scan/scanner.h"
#include "support/test_env.h"

namespace scanner_testing {

void useTestBackend(const QStringList& testConf) {
  EXPECT_TRUE(scan::shutdownScanner());
  // SANE looks up its configuration folder once per process; the files in
  // it are read again at every start of the library.
  static const QString dir = testing_support::freshDir("sane");
  QFile dll(dir + "/dll.conf");
  ASSERT_TRUE(dll.open(QIODevice::WriteOnly));
  dll.write(testConf.contains("no devices") ? "" : "test\n");
  dll.close();
  QFile conf(dir + "/test.conf");
  ASSERT_TRUE(conf.open(QIODevice::WriteOnly));
  const QStringList base = {"number_of_devices 2", "resolution 50", "test-picture \"Solid white\""};
  conf.write(((base + testConf).join('\n') + '\n').toUtf8());
  conf.close();
  qputenv("SANE_CONFIG_DIR", dir.toUtf8());
}

int click(QDialog& dialog, const char* button) {
  auto* b = dialog.findChild<QPushButton*>(button);
  EXPECT_TRUE(b) << button;
  if (b) b->click();
  return dialog.result();
}

QSize decodedSize(const QString& path) {
  QImageReader reader(path);
  const QImage image = reader.read();
  return image.isNull() ? QSize(-1, -1) : image.size();
}

}  // namespace scanner_testing
