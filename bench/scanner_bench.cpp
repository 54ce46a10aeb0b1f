// Ten A5 feeder pages at 300 dpi in colour from SANE's test backend, through
// TWAIN_AcquireToFilename to bitmap files, side by side with scanimage's
// batch mode writing PNM from the same device with the same options.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

#include "bench_env.h"
#include "platform/runtime/dialogs.h"
#include "platform/scan/scanner.h"

namespace {

constexpr int kPages = 10;

QString workFolder;

void LibraryBmp(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    const QString folder = bench::freshFolder(workFolder, "library");
    state.ResumeTiming();
    TWAIN_OpenDefaultSource();
    TWAIN_SuppressErrorMessages(1);
    TWAIN_SetMultiTransfer(1);
    for (int page = 0;; ++page) {
      const QByteArray path = (folder + QString("/p%1.bmp").arg(page)).toLocal8Bit();
      if (TWAIN_AcquireToFilename(0, path.constData()) != 0) break;
    }
    TWAIN_CloseSource();
    state.PauseTiming();
    if (bench::filesIn(folder) != kPages) state.SkipWithError("the run did not write ten pages");
    QDir(folder).removeRecursively();
    state.ResumeTiming();
  }
}

void ScanimagePnm(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    const QString folder = bench::freshFolder(workFolder, "scanimage");
    const std::string command = bench::scanimageCommand(folder, "pnm");
    state.ResumeTiming();
    const int status = std::system(command.c_str());
    state.PauseTiming();
    // scanimage answers 7 (no documents) once the feeder runs dry.
    if ((status != 0 && WEXITSTATUS(status) != 7) || bench::filesIn(folder) != kPages)
      state.SkipWithError("scanimage did not write ten pages");
    QDir(folder).removeRecursively();
    state.ResumeTiming();
  }
}

// The machine is shared; medians of several repetitions keep the ratio steady.
BENCHMARK(LibraryBmp)->Unit(benchmark::kMillisecond)->Iterations(5)->Repetitions(7)->ReportAggregatesOnly();
BENCHMARK(ScanimagePnm)->Unit(benchmark::kMillisecond)->Iterations(5)->Repetitions(7)->ReportAggregatesOnly();

}  // namespace

int main(int argc, char** argv) {
  bench::startLikeTheProgram();
  QTemporaryDir home;
  bench::usePrivateHome(home.path());
  if (!bench::useSaneTestBackend(home.path() + "/sane")) return 1;

  QApplication application(argc, argv);
  workFolder = home.path() + "/work";
  bench::Unattended unattended;
  rt::setDialogs(&unattended);
  bench::chooseTestFeeder();

  benchmark::Initialize(&argc, argv);
  bench::Collector collector;
  benchmark::RunSpecifiedBenchmarks(&collector);
  std::printf("\nten A5 pages, 300 dpi colour, medians: BMP/scanimage PNM %.2fx (target 1.3x)\n",
              bench::ratio(collector.real("LibraryBmp"), collector.real("ScanimagePnm")));
  scan::shutdownScanner();
  rt::setDialogs(nullptr);
  benchmark::Shutdown();
  return 0;
}
