// The capture window's per-frame work: turning a camera buffer into a
// picture and painting it into a window-sized target, and saving a frame as
// a bitmap file including the flush to disk.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QGuiApplication>
#include <QPainter>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_env.h"
#include "jpeg_frames.h"
#include "platform/capture/dib.h"
#include "platform/capture/mjpeg.h"
#include "platform/files/durability.h"
#include "platform/capture/pixels.h"
#include "platform/capture/preview.h"
#include "platform/capture/test_pattern.h"

namespace {

namespace fs = std::filesystem;

std::vector<std::uint8_t> rgb24Frame(QSize size) {
  const QImage pattern = capture::renderTestPattern(size, capture::Pattern::ColourBars, 0, 17, QDateTime());
  const QImage rgb = pattern.convertToFormat(QImage::Format_RGB888);
  std::vector<std::uint8_t> bytes(std::size_t(size.width()) * 3 * size.height());
  for (int y = 0; y < size.height(); ++y)
    std::memcpy(bytes.data() + std::size_t(y) * size.width() * 3, rgb.constScanLine(y), std::size_t(size.width()) * 3);
  return bytes;
}

void paintScaled(QImage& window, const QImage& image) {
  QPainter painter(&window);
  capture::paintPreview(painter, image, window.rect(), true);
  painter.end();
  benchmark::DoNotOptimize(window.constBits());
}

// A converted camera frame painted, scaled, into a 640 x 480 window.
void PreviewFrame(benchmark::State& state) {
  const QSize frame(int(state.range(0)), int(state.range(1)));
  const std::vector<std::uint8_t> buffer = rgb24Frame(frame);
  QImage window(640, 480, QImage::Format_RGB32);
  for (auto _ : state) {
    const QImage image = capture::decodeFrame(capture::kRgb24, buffer.data(), buffer.size(), frame, 0);
    paintScaled(window, image);
  }
}

// The same, from YUYV (a camera's own format, converted here).
void PreviewYuyvFrame(benchmark::State& state) {
  const QSize frame(int(state.range(0)), int(state.range(1)));
  const std::vector<std::uint8_t> buffer(std::size_t(frame.width()) * 2 * frame.height(), 0x80);
  QImage window(640, 480, QImage::Format_RGB32);
  for (auto _ : state) {
    const QImage image = capture::decodeFrame(capture::kYuyv, buffer.data(), buffer.size(), frame, 0);
    paintScaled(window, image);
  }
}

void RenderTestPattern(benchmark::State& state) {
  const QSize frame(int(state.range(0)), int(state.range(1)));
  std::uint64_t n = 0;
  for (auto _ : state)
    benchmark::DoNotOptimize(
        capture::renderTestPattern(frame, capture::Pattern::ColourBars, 0, n++, QDateTime::currentDateTime()));
}

// Written where the program writes: a folder on disk, not /tmp.
void SaveDib(benchmark::State& state) {
  const QSize frame(int(state.range(0)), int(state.range(1)));
  const QImage image = capture::renderTestPattern(frame, capture::Pattern::ColourBars, 0, 3, QDateTime());
  const fs::path dir = fs::current_path() / ("vic-capture-bench-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  int n = 0;
  for (auto _ : state) {
    const std::string path = (dir / ("MOR" + std::to_string(n++) + ".bmp")).string();
    // A bitmap that stays is flushed by the capture command once it knows.
    if (!capture::saveDib(image, path) || !files::flushToDisk(path)) state.SkipWithError("save failed");
    state.PauseTiming();
    fs::remove(path);
    state.ResumeTiming();
  }
  fs::remove_all(dir);
}

// A camera's JPEG frame decoded for the live picture, at the reduction the
// capture window picks for a 640 x 480 picture area, and painted there.
void PreviewMjpegFrame(benchmark::State& state) {
  const QSize frame(int(state.range(0)), int(state.range(1)));
  const capture_test::Bytes jpeg = capture_test::cameraFrame(frame);
  QImage window(640, 480, QImage::Format_RGB32);
  capture::JpegDecoder decoder;
  const int reduction = capture::previewReduction(frame, window.size());
  state.counters["reduction"] = reduction;
  for (auto _ : state) {
    const QImage image = decoder.decode(jpeg.data(), jpeg.size(), frame, reduction);
    paintScaled(window, image);
  }
}

// The floor for it: TurboJPEG alone, same frame, same scale.
void FloorTjDecompressScaled(benchmark::State& state) {
  const QSize frame(int(state.range(0)), int(state.range(1)));
  const capture_test::Bytes jpeg = capture_test::cameraFrame(frame);
  const tjscalingfactor scale{1, capture::previewReduction(frame, {640, 480})};
  tjhandle handle = tjInitDecompress();
  std::vector<unsigned char> out(std::size_t(TJSCALED(frame.width(), scale)) * 4 * TJSCALED(frame.height(), scale));
  for (auto _ : state) {
    tjDecompress2(handle, jpeg.data(), jpeg.size(), out.data(), TJSCALED(frame.width(), scale), 0,
                  TJSCALED(frame.height(), scale), TJPF_BGRX, 0);
    benchmark::DoNotOptimize(out.data());
  }
  tjDestroy(handle);
}

// How camera JPEG frames were shown before: decoded whole by Qt's image reader.
void PreviewMjpegFrameWhole(benchmark::State& state) {
  const QSize frame(int(state.range(0)), int(state.range(1)));
  const capture_test::Bytes jpeg = capture_test::cameraFrame(frame);
  QImage window(640, 480, QImage::Format_RGB32);
  for (auto _ : state) {
    const QImage image = QImage::fromData(jpeg.data(), int(jpeg.size()), "JPEG").convertToFormat(QImage::Format_RGB32);
    paintScaled(window, image);
  }
}

void LargeFrames(benchmark::internal::Benchmark* b) {
  b->Args({1920, 1080})->Args({3264, 2448})->Unit(benchmark::kMicrosecond);
}

void Frames(benchmark::internal::Benchmark* b) {
  b->Args({640, 480})->Args({1280, 960})->Unit(benchmark::kMicrosecond);
}

BENCHMARK(PreviewFrame)->Apply(Frames);
BENCHMARK(PreviewYuyvFrame)->Apply(Frames);
BENCHMARK(RenderTestPattern)->Apply(Frames);
BENCHMARK(SaveDib)->Args({640, 480})->Unit(benchmark::kMicrosecond);
BENCHMARK(PreviewMjpegFrame)->Apply(LargeFrames);
BENCHMARK(FloorTjDecompressScaled)->Apply(LargeFrames);
BENCHMARK(PreviewMjpegFrameWhole)->Apply(LargeFrames);

}  // namespace

int main(int argc, char** argv) {
  bench::startLikeTheProgram();
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);  // fonts for the test pattern's caption
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
