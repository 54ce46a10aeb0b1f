// A ten-page feeder run (A5 pages at 300 dpi in colour) through the scanner window, side
// by side with scanimage's batch mode on the same device and options writing
// the nearest format (PNM against our BMP, JPEG against our JPEG).

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include "app/Public.h"
#include "app/forms.h"
#include "bench_env.h"
#include "platform/runtime/dialogs.h"
#include "platform/runtime/program.h"
#include "platform/runtime/settings.h"
#include "twain/Form2.h"

namespace {

constexpr int kPages = 10;

bench::Unattended unattended;
QString workFolder;

void WindowRun(benchmark::State& state, const QString& ext) {
  app::AppState.FileExt = ext;
  for (auto _ : state) {
    state.PauseTiming();
    const QString folder = bench::freshFolder(workFolder, "run");
    rt::SaveSetting("ZENO", "PARAS", "Path", folder + "/ZENO0000" + ext);
    app::Form2.Show();
    auto& window = static_cast<twain::Form2&>(app::Form2.get());
    state.ResumeTiming();
    window.AcquireRun();
    state.PauseTiming();
    app::Form2.Unload();
    if (bench::filesIn(folder) != kPages) state.SkipWithError("the run did not write ten pages");
    QDir(folder).removeRecursively();
    state.ResumeTiming();
  }
}
void OurBmp(benchmark::State& state) { WindowRun(state, ".bmp"); }
void OurJpeg(benchmark::State& state) { WindowRun(state, ".jpg"); }

void Scanimage(benchmark::State& state, const std::string& format) {
  for (auto _ : state) {
    state.PauseTiming();
    const QString folder = bench::freshFolder(workFolder, "scanimage");
    const std::string command = bench::scanimageCommand(folder, format);
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
void ScanimagePnm(benchmark::State& state) { Scanimage(state, "pnm"); }
void ScanimageJpeg(benchmark::State& state) { Scanimage(state, "jpeg"); }

BENCHMARK(OurBmp)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(ScanimagePnm)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(OurJpeg)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(ScanimageJpeg)->Unit(benchmark::kMillisecond)->Iterations(5);

void printRatios(const bench::Collector& c) {
  std::printf("\nten A5 pages, 300 dpi colour: BMP/scanimage PNM %.2fx (target 1.3x), JPEG/scanimage JPEG %.2fx "
              "(target 1.5x)\n",
              bench::ratio(c.real("OurBmp"), c.real("ScanimagePnm")),
              bench::ratio(c.real("OurJpeg"), c.real("ScanimageJpeg")));
}

}  // namespace

int main(int argc, char** argv) {
  bench::startLikeTheProgram();
  QTemporaryDir home;
  bench::usePrivateHome(home.path());
  // SANE's test backend alone, for us and for scanimage.
  if (!bench::useSaneTestBackend(home.path() + "/sane")) return 1;

  QApplication application(argc, argv);
  workFolder = home.path() + "/work";
  rt::setDialogs(&unattended);
  rt::setEndHandler([] { throw std::runtime_error("the program ended"); });
  app::Form2.setFactory([] { return std::make_unique<twain::Form2>(); });
  bench::chooseTestFeeder();

  benchmark::Initialize(&argc, argv);
  bench::Collector collector;
  benchmark::RunSpecifiedBenchmarks(&collector);
  printRatios(collector);
  app::UnloadAll();
  rt::setDialogs(nullptr);
  benchmark::Shutdown();
  return 0;
}
