#include "twain/run_report.h"

#include <sys/resource.h>

#include <QtGlobal>
#include <cstdio>
#include <ctime>

namespace twain {

namespace {

std::int64_t microseconds(const timeval& t) { return std::int64_t{t.tv_sec} * 1000000 + t.tv_usec; }

std::int64_t wallUs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return std::int64_t{now.tv_sec} * 1000000 + now.tv_nsec / 1000;
}

std::int64_t cpuUs() {
  std::int64_t total = 0;
  for (int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
    rusage usage{};
    if (getrusage(who, &usage) == 0) total += microseconds(usage.ru_utime) + microseconds(usage.ru_stime);
  }
  return total;
}

}  // namespace

RunReport::RunReport() : enabled_(!qEnvironmentVariableIsEmpty("VIC_REPORT_RUN")) {
  if (!enabled_) return;
  startWallUs_ = wallUs();
  startCpuUs_ = cpuUs();
}

RunReport::~RunReport() {
  if (!enabled_) return;
  std::fprintf(stderr, "scanner run: %d pages in %.1f ms, %.1f ms of processor time\n", pages_,
               static_cast<double>(wallUs() - startWallUs_) / 1000.0, static_cast<double>(cpuUs() - startCpuUs_) / 1000.0);
}

}  // namespace twain
