// Loading and writing image files at camera frame sizes, against the floor
// (bare compression plus one flushed write) and against external tools.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <turbojpeg.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

#include "bench_env.h"
#include "platform/files/durability.h"
#include "platform/scan/image_files.h"

namespace {

namespace fs = std::filesystem;

class Workspace {
 public:
  Workspace() : dir_(fs::temp_directory_path() / ("vic-image-bench-" + std::to_string(::getpid()))) {
    fs::create_directories(dir_);
  }
  ~Workspace() {
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }
  std::string path(const std::string& name) const { return (dir_ / name).string(); }

 private:
  fs::path dir_;
};

Workspace& workspace() {
  static Workspace w;
  return w;
}

// Smooth shading with a little noise, like a camera frame.
const scan::Image& frame(int w, int h) {
  static std::map<std::pair<int, int>, scan::Image> frames;
  auto [it, made] = frames.try_emplace({w, h});
  if (made) {
    it->second = scan::blankImage(w, h, 3);
    std::uint32_t noise = 2463534242u;
    for (std::size_t i = 0; i < it->second.pixels.size(); ++i) {
      noise ^= noise << 13;
      noise ^= noise >> 17;
      noise ^= noise << 5;
      const std::size_t pixel = i / 3;
      const int x = static_cast<int>(pixel % static_cast<std::size_t>(w)), y = static_cast<int>(pixel / static_cast<std::size_t>(w));
      const int base = (i % 3 == 0 ? x * 255 / w : i % 3 == 1 ? y * 255 / h : (x + y) * 255 / (w + h));
      it->second.pixels[i] = static_cast<std::uint8_t>(std::clamp(base + static_cast<int>(noise % 17) - 8, 0, 255));
    }
  }
  return it->second;
}

std::string name(const benchmark::State& state, const char* stem, const char* ext) {
  return workspace().path(std::string(stem) + "-" + std::to_string(state.range(0)) + "." + ext);
}

const scan::Image& frameFor(const benchmark::State& state) {
  return frame(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
}

std::string sourceBmp(const benchmark::State& state) {
  const std::string path = name(state, "source", "bmp");
  if (!fs::exists(path)) scan::writeBmp(frameFor(state), path, files::Commit::Replace);
  return path;
}

std::string sourceJpeg(const benchmark::State& state) {
  const std::string path = name(state, "source", "jpg");
  if (!fs::exists(path)) scan::writeJpeg(frameFor(state), path, files::Commit::Replace);
  return path;
}

void LoadBmp(benchmark::State& state) {
  const std::string path = sourceBmp(state);
  for (auto _ : state) {
    const std::int32_t handle = TWAIN_LoadNativeFromFilename(path.c_str());
    if (handle == 0) state.SkipWithError("load failed");
    DIB_Free(handle);
  }
}

template <bool (*Write)(const scan::Image&, const std::string&, files::Commit)>
void WriteFile(benchmark::State& state, const char* ext) {
  const scan::Image& image = frameFor(state);
  const std::string path = name(state, "out", ext);
  for (auto _ : state) {
    if (!Write(image, path, files::Commit::Replace)) state.SkipWithError("write failed");
  }
}
void WriteBmp(benchmark::State& state) { WriteFile<scan::writeBmp>(state, "bmp"); }
void WriteJpeg(benchmark::State& state) { WriteFile<scan::writeJpeg>(state, "jpg"); }
void WritePdf(benchmark::State& state) { WriteFile<scan::writePdf>(state, "pdf"); }

// What the program does after a capture: load the bitmap, rewrite it as JPEG.
void LoadThenWriteJpeg(benchmark::State& state) {
  const std::string source = sourceBmp(state), out = name(state, "rewritten", "jpg");
  for (auto _ : state) DIB_WriteToJpeg(TWAIN_LoadNativeFromFilename(source.c_str()), out.c_str());
}

// The floor: compression alone, then one plain write flushed to disk.
void FloorCompressAndFlush(benchmark::State& state) {
  const scan::Image& image = frameFor(state);
  const std::string path = name(state, "floor", "jpg");
  tjhandle tj = tjInitCompress();
  for (auto _ : state) {
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    tjCompress2(tj, image.pixels.data(), image.width, 0, image.height, TJPF_RGB, &jpeg, &size, TJSAMP_420,
                scan::kJpegQuality, 0);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0 || ::write(fd, jpeg, size) != static_cast<ssize_t>(size) || ::fsync(fd) != 0) {
      state.SkipWithError("write failed");
    }
    if (fd >= 0) ::close(fd);
    tjFree(jpeg);
  }
  tjDestroy(tj);
}

void Command(benchmark::State& state, const std::string& command) {
  for (auto _ : state) {
    if (std::system(command.c_str()) != 0) state.SkipWithError(command.c_str());
  }
}
void ExternalCjpeg(benchmark::State& state) {
  Command(state, "cjpeg -quality " + std::to_string(scan::kJpegQuality) + " -outfile " + name(state, "cjpeg", "jpg") +
                     " " + sourceBmp(state));
}
void ExternalImg2pdf(benchmark::State& state) {
  Command(state, "img2pdf -o " + name(state, "img2pdf", "pdf") + " " + sourceJpeg(state));
}

// The steps of one picture, each alone: the bitmap that claims the name (not
// flushed), the flush when the bitmap stays, and the JPEG encode when it is
// converted.
void StepClaimBitmap(benchmark::State& state) {
  const std::string path = name(state, "claimed", "bmp");
  for (auto _ : state) {
    state.PauseTiming();
    scan::Image page = frameFor(state);
    fs::remove(path);
    state.ResumeTiming();
    if (!scan::writeBmp(page, path, files::Commit::NoReplace)) state.SkipWithError("write failed");
  }
}

void StepFlushBitmap(benchmark::State& state) {
  const std::string path = name(state, "flushed", "bmp");
  for (auto _ : state) {
    state.PauseTiming();
    fs::remove(path);
    state.ResumeTiming();
    if (!scan::writeBmp(frameFor(state), path, files::Commit::NoReplace)) state.SkipWithError("write failed");
  }
}

void StepEncodeJpeg(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(scan::encodeJpeg(frameFor(state)));
}

void Frames(benchmark::internal::Benchmark* b) {
  b->Args({640, 480})->Args({1280, 960})->Unit(benchmark::kMillisecond);
}

BENCHMARK(LoadBmp)->Apply(Frames);
BENCHMARK(WriteBmp)->Apply(Frames);
BENCHMARK(WriteJpeg)->Apply(Frames);
BENCHMARK(WritePdf)->Apply(Frames);
BENCHMARK(LoadThenWriteJpeg)->Apply(Frames);
BENCHMARK(FloorCompressAndFlush)->Apply(Frames);
BENCHMARK(ExternalCjpeg)->Apply(Frames);
BENCHMARK(ExternalImg2pdf)->Apply(Frames);
// Camera frames, and an A4 page at 300 dpi.
void Steps(benchmark::internal::Benchmark* b) { Frames(b->Args({2480, 3508})); }
BENCHMARK(StepClaimBitmap)->Apply(Steps);
BENCHMARK(StepFlushBitmap)->Apply(Steps);
BENCHMARK(StepEncodeJpeg)->Apply(Steps);

}  // namespace

int main(int argc, char** argv) {
  bench::startLikeTheProgram();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
