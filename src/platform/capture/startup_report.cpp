#include "platform/capture/startup_report.h"

#include <QByteArray>
#include <QFile>
#include <cstdio>
#include <ctime>
#include <unistd.h>

namespace capture {

namespace {

// Milliseconds since this process started, to the kernel's clock tick.
long long sinceProcessStart() {
  QFile stat("/proc/self/stat");
  if (!stat.open(QIODevice::ReadOnly)) return -1;
  const QByteArray text = stat.readAll();
  // Fields after the command name, which is in parentheses and may hold blanks.
  const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
  if (fields.size() < 20) return -1;
  const double startSeconds = fields[19].toDouble() / static_cast<double>(sysconf(_SC_CLK_TCK));
  timespec now{};
  clock_gettime(CLOCK_BOOTTIME, &now);
  return static_cast<long long>((now.tv_sec + now.tv_nsec / 1e9 - startSeconds) * 1000);
}

}  // namespace

void reportFirstFramePainted() {
  static bool reported = false;
  if (reported || qEnvironmentVariableIsEmpty("VIC_REPORT_FIRST_FRAME")) return;
  reported = true;
  timespec cpu{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu);
  std::fprintf(stderr, "first frame painted %lld ms after start, %lld ms of processor time\n", sinceProcessStart(),
               static_cast<long long>(cpu.tv_sec * 1000 + cpu.tv_nsec / 1000000));
}

}  // namespace capture
