#include "fault_backend.h"

#include <gtest/gtest.h>

#include <QFile>

#include "platform/scan/scanner.h"
#include "support/test_env.h"

namespace faults {

void useFaultBackend(const QStringList& plan) {
  ASSERT_TRUE(scan::shutdownScanner());
  const QString dir = testing_support::saneConfigDir();
  for (const auto& [name, text] : {std::pair{QString("dll.conf"), QByteArray("vicfault\n")},
                                   std::pair{QString("vicfault.conf"), (plan.join('\n') + '\n').toUtf8()}}) {
    QFile file(dir + "/" + name);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
  }
  qputenv("SANE_CONFIG_DIR", dir.toUtf8());
  // SANE looks for backends along these before its own folder.
  const QByteArray backends = VIC_FAULT_BACKEND_DIR;
  const QByteArray searched = qgetenv("LD_LIBRARY_PATH");
  if (!searched.startsWith(backends))
    qputenv("LD_LIBRARY_PATH", searched.isEmpty() ? backends : backends + ":" + searched);
  qputenv("LIBPATH", backends);
}

}  // namespace faults
