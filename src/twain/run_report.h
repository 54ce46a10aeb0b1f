#pragma once
// With VIC_REPORT_RUN set in the environment, each scanner run says on
// standard error how many pages it wrote and how long it took, in wall and
// processor time (this process and the helpers the scanner drivers start).
// The real-program feeder benchmark reads it.

#include <cstdint>

namespace twain {

class RunReport {
 public:
  RunReport();
  ~RunReport();
  RunReport(const RunReport&) = delete;
  RunReport& operator=(const RunReport&) = delete;
  void setPages(int pages) { pages_ = pages; }

 private:
  bool enabled_;
  int pages_ = 0;
  std::int64_t startWallUs_ = 0;
  std::int64_t startCpuUs_ = 0;
};

}  // namespace twain
