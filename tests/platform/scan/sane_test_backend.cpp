#include "sane_test_backend.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QPushButton>
#include <dlfcn.h>

#include "platform/scan/scanner.h"
#include "support/test_env.h"

namespace scanner_testing {

void useTestBackend(const QStringList& testConf) {
  // The backend's reader thread, when cancelled, leaves its buffer behind.
  // Kept loaded past SANE's own unloading, the leak checker can tell that
  // the buffer is the backend's (and the suppression file names it).
  static void* const pinned = dlopen("/usr/lib/x86_64-linux-gnu/sane/libsane-test.so.1", RTLD_NOW | RTLD_LOCAL);
  (void)pinned;
  EXPECT_TRUE(scan::shutdownScanner());
  // The files are read again at every start of the library.
  const QString dir = testing_support::saneConfigDir();
  QFile dll(dir + "/dll.conf");
  ASSERT_TRUE(dll.open(QIODevice::WriteOnly));
  dll.write(testConf.contains("no devices") ? "" : "test\n");
  dll.close();
  QFile conf(dir + "/test.conf");
  ASSERT_TRUE(conf.open(QIODevice::WriteOnly));
  // Every value a test may change, since the loaded backend keeps the values
  // of earlier files for lines that are missing.
  const QStringList base = {"number_of_devices 2",    "mode Gray",           "depth 8",
                            "hand-scanner false",     "three-pass false",    "three-pass-order RGB",
                            "resolution 50",          "test-picture \"Solid white\"",
                            "invert-endianess false", "read-limit false",    "read-limit-size 1",
                            "read-delay false",       "read-delay-duration 1000",
                            "read-status-code \"Default\"",                "fuzzy-parameters false",
                            "ppl-loss 0",             "non-blocking false",  "select-fd false",
                            "tl_x 0.0",               "tl_y 0.0",            "br_x 80.0",
                            "br_y 100.0",          "geometry_max 200.0"};
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
