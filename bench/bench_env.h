#pragma once
// What the benchmarks share: a private home, SANE's test backend, and
// dialogs that nobody has to answer.

#include <benchmark/benchmark.h>

#include <QString>
#include <map>
#include <set>
#include <string>

#include "platform/runtime/dialogs.h"

namespace bench {

// Prints every message box and rejects every modal dialog.
struct Unattended final : rt::Dialogs {
  int messageBox(const QString& prompt, int style, const QString& title) override;
  int runModal(QDialog& dialog) override;
};

// Points HOME and the XDG folders at `home`, and Qt at the offscreen
// platform unless one is chosen, so no benchmark touches the user's files.
void usePrivateHome(const QString& home);

// Configures SANE's test backend (one device, 300 dpi, colour pattern) in
// `folder` and points SANE at it; false when it cannot be written.
bool useSaneTestBackend(const QString& folder);

// Makes the test backend's feeder the default source of the scanner library,
// taking A5 pages at 300 dpi in colour.
void chooseTestFeeder();

// scanimage's command for the same pages from the same device into
// `folder`/p<n>.<format>, its messages silenced.
std::string scanimageCommand(const QString& folder, const std::string& format);

// What every benchmark program does first: the program's allocator settings,
// so that the benchmarks measure what the program does.
void startLikeTheProgram();

// Prints the runs as usual and keeps, per run name ("Floor/640/480"), the
// median of repeated runs or else the last run: real and CPU time per
// iteration and the "bytes" counter.
class Collector final : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override;
  double real(const std::string& name) const { return lookup(real_, name); }
  double cpu(const std::string& name) const { return lookup(cpu_, name); }
  double bytes(const std::string& name) const { return lookup(bytes_, name); }

 private:
  static double lookup(const std::map<std::string, double>& values, const std::string& name);
  std::map<std::string, double> real_, cpu_, bytes_;
  std::set<std::string> medians_;
};

// a / b, or 0 when either is missing.
double ratio(double a, double b);

// A new empty folder below `parent`.
QString freshFolder(const QString& parent, const char* name);
int filesIn(const QString& folder);

}  // namespace bench
