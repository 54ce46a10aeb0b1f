#include "e2e_steps.h"

#include <QDir>
#include <QFile>
#include <QImageReader>

#include "platform/runtime/settings.h"
#include "support/desktop.h"
#include "support/test_env.h"

namespace e2e {

bool useTestScanner(const QString& source, const QByteArray& extra) {
  const QString dir = testing_support::freshDir("sane");
  QFile dll(dir + "/dll.conf");
  QFile conf(dir + "/test.conf");
  if (dll.open(QIODevice::WriteOnly)) dll.write("test\n");
  if (conf.open(QIODevice::WriteOnly))
    conf.write("number_of_devices 1\nresolution 50\ntest-picture \"Color pattern\"\n" + extra);
  qputenv("SANE_CONFIG_DIR", dir.toUtf8());
  // The program scans at the resolution kept for the device (300 dpi on first use).
  rt::SaveSetting("scanner", "Device test%3A0", "resolution", "75");
  return source.isEmpty() || (rt::SaveSetting("scanner", "DefaultSource", "device", "test:0") &&
                              rt::SaveSetting("scanner", "DefaultSource", "source", source));
}

QString startLive(testing_support::Program& program) {
  return program.start() ? program.waitForWindow(kLiveTitle) : QString();
}

QString openScannerWindow(testing_support::Program& program) {
  program.key("alt+t");
  const QString twain = program.waitForWindow(kTwainTitle);
  return !twain.isEmpty() && program.waitForFocus(twain) ? twain : QString();
}

QStringList numbered(const QString& stem, int first, int last, const QString& ext) {
  QStringList names;
  for (int n = first; n <= last; ++n) names << QString("%1%2%3").arg(stem).arg(n, 4, 10, QChar('0')).arg(ext);
  return names;
}

QStringList filesIn(const QString& folder) { return QDir(folder).entryList(QDir::Files, QDir::Name); }

bool holdsFormat(const QString& path) {
  if (path.endsWith(".pdf")) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return false;
    const QByteArray content = file.readAll();
    return content.startsWith("%PDF-") && content.trimmed().endsWith("%%EOF");
  }
  QImageReader reader(path);
  reader.setDecideFormatFromContent(true);
  const QByteArray want = path.endsWith(".jpg") ? "jpeg" : "bmp";
  return reader.format() == want && !reader.read().isNull();
}

}  // namespace e2e
