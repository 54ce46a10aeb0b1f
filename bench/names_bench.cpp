// The next free numbered name in a crowded folder: what the first capture
// into it costs before anything is written. `TakenNames` (one read of the
// folder) against the look-up of each name in turn, in the same run.
//
//   names_bench --benchmark_repetitions=5 [--benchmark_filter=...]
// Set BENCH_FOLDER to measure on another file system (a FUSE or network
// mount); the default is a temporary folder.

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <functional>

#include "stills/next_name.h"

namespace {

// A folder holding MOR0001 .. MOR<taken> and `unrelated` other files.
QString crowdedFolder(int taken, int unrelated) {
  static QTemporaryDir root(qEnvironmentVariable("BENCH_FOLDER", QDir::tempPath()) + "/names_bench-XXXXXX");
  const QString folder = root.path() + QString("/%1-%2").arg(taken).arg(unrelated);
  if (QDir(folder).exists()) return folder;
  QDir().mkpath(folder);
  for (int n = 1; n <= taken; ++n) QFile(QString("%1/MOR%2.bmp").arg(folder).arg(n, 4, 10, QChar('0'))).open(QIODevice::WriteOnly);
  for (int n = 1; n <= unrelated; ++n) QFile(QString("%1/other%2.txt").arg(folder).arg(n)).open(QIODevice::WriteOnly);
  return folder;
}

void search(benchmark::State& state, const std::function<std::function<bool(const QString&)>()>& taken) {
  const int takenCount = static_cast<int>(state.range(0));
  const QString folder = crowdedFolder(takenCount, static_cast<int>(state.range(1)));
  const stills::NumberedName start{folder + "/MOR0000.bmp", ".bmp", "0000", folder + "/MOR0000"};
  for (auto _ : state) {
    const stills::NumberedName next = stills::NextFreeName(start, folder + "/MOR0000.bmp", taken(), 100000);
    if (next.FileCounter.toInt() != takenCount + 1) state.SkipWithError("wrong free name");
    benchmark::DoNotOptimize(next);
  }
}

void OneReadOfTheFolder(benchmark::State& state) {
  search(state, [] { return stills::TakenNames(); });
}
void EachNameInTurn(benchmark::State& state) {
  search(state, [] { return std::function<bool(const QString&)>(stills::NameInUse); });
}

void cases(benchmark::internal::Benchmark* b) {
  b->Args({20000, 0})->Args({0, 50000})->Args({20000, 30000})->Unit(benchmark::kMillisecond)->UseRealTime();
}

}  // namespace

BENCHMARK(OneReadOfTheFolder)->Apply(cases);
BENCHMARK(EachNameInTurn)->Apply(cases);
BENCHMARK_MAIN();
