// The capture window's per-frame work: turning a camera buffer into a
// picture and painting it into a window-sized target, and saving a frame as
// a bitmap file including the flush to disk. Live sources stream through
// the program's own devices: a PipeWire daemon started here with its
// example video source, beside the fake Video4Linux2 device of the tests.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QApplication>
#include <QPainter>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "bench_env.h"
#include "fake_v4l2.h"
#include "jpeg_frames.h"
#include "platform/capture/dib.h"
#include "platform/capture/mjpeg.h"
#include "platform/files/durability.h"
#include "platform/capture/pipewire/pw_camera.h"
#include "platform/capture/pixels.h"
#include "platform/capture/preview.h"
#include "platform/capture/test_pattern.h"
#include "platform/capture/v4l2_camera.h"
#include "support/pipewire_desktop.h"

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

// Frames of a running device as the capture window gets them: each painted
// into a 640 x 480 preview, and timed from the wake-up of the GUI thread
// (the socket notifier of the device or of the daemon's connection) that
// brought it to the end of its paint.
class PaintingSink final : public QObject, public capture::DeviceSink {
 public:
  PaintingSink() : window_(640, 480, QImage::Format_RGB32) {
    clock_.start();
    QCoreApplication::instance()->installEventFilter(this);
  }
  ~PaintingSink() override { QCoreApplication::instance()->removeEventFilter(this); }
  PaintingSink(const PaintingSink&) = delete;
  PaintingSink& operator=(const PaintingSink&) = delete;

  void frameReady(const QImage& frame) override {
    paintScaled(window_, frame);
    latencyNs_ = clock_.nsecsElapsed() - wokeAtNs_;
    ++frames_;
  }
  void deviceLost(capture::DeviceError) override { lost_ = true; }

  // Runs the event loop until one more frame is painted; false when none
  // came within `waitMs` or the device went.
  bool next(int waitMs = 2000) {
    const int before = frames_;
    QTimer limit;
    limit.setSingleShot(true);
    limit.start(waitMs);
    while (frames_ == before && !lost_ && limit.isActive())
      QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return frames_ != before;
  }
  double latencySeconds() const { return double(latencyNs_) * 1e-9; }
  int frames() const { return frames_; }
  int wakeUps() const { return wakeUps_; }

 private:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::SockAct) {
      wokeAtNs_ = clock_.nsecsElapsed();
      ++wakeUps_;
    }
    return false;
  }

  QImage window_;
  QElapsedTimer clock_;
  qint64 wokeAtNs_ = 0, latencyNs_ = 0;
  int frames_ = 0, wakeUps_ = 0;
  bool lost_ = false;
};

// Started with the first benchmark that needs it, ended before the
// application object (its daemons are child processes of ours).
std::unique_ptr<QTemporaryDir> desktopRuntime;
std::unique_ptr<testing_support::PipeWireDesktop> desktop;

testing_support::PipeWireDesktop* pipeWireDesktop() {
  if (!desktop) {
    desktopRuntime = std::make_unique<QTemporaryDir>();
    desktop = std::make_unique<testing_support::PipeWireDesktop>(desktopRuntime->path());
    if (desktop->ok() && !desktop->startVideoSrc()) std::fprintf(stderr, "video-src did not start\n");
  }
  return desktop.get();
}

constexpr int kStreamFrames = 50;  // two seconds at the example source's 25 a second

double threadSeconds() {
  timespec t{};
  ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// Streams `device` until it delivers frames of `size`, then times one frame
// per iteration; `between` runs untimed before each (a device's own work).
void streamFrames(benchmark::State& state, capture::CaptureDevice& device, QSize size,
                  const std::function<void()>& between = {}) {
  PaintingSink sink;
  QElapsedTimer started;
  started.start();
  device.setPreviewArea({640, 480});
  if (device.setFormat(size, device.pixelFormat()) != capture::DeviceError::None ||
      device.start(sink) != capture::DeviceError::None) {
    state.SkipWithError("the device did not start");
    return;
  }
  // The first frames after a start may still be of the size before.
  do {
    if (between) between();
    if (!sink.next(5000)) {
      state.SkipWithError("no frame from the device");
      return;
    }
  } while (device.frameSize() != size && started.elapsed() < 10000);
  state.counters["first_ms"] = double(started.elapsed());
  const int frames = sink.frames(), wakeUps = sink.wakeUps();
  double guiSeconds = 0;
  for (auto _ : state) {
    if (between) {
      state.PauseTiming();
      between();
      state.ResumeTiming();
    }
    const double before = threadSeconds();
    if (!sink.next()) {
      state.SkipWithError("the stream stopped");
      break;
    }
    guiSeconds += threadSeconds() - before;
    state.SetIterationTime(sink.latencySeconds());
  }
  // How often the GUI thread woke per frame, and its own share of the CPU
  // per frame (the process's includes the threads of PipeWire's library).
  const double timed = std::max(1, sink.frames() - frames);
  state.counters["wakeups"] = (sink.wakeUps() - wakeUps) / timed;
  state.counters["gui_us"] = guiSeconds * 1e6 / timed;
  state.counters["dropped"] = device.droppedFrames();
  device.stop();
}

// The example source of PipeWire's tests (raw RGB, 25 frames a second)
// through the program's PipeWire source.
void PipeWireStream(benchmark::State& state) {
  testing_support::PipeWireDesktop* desktop = pipeWireDesktop();
  if (!desktop->ok()) {
    state.SkipWithError(qPrintable(desktop->problem()));
    return;
  }
  std::shared_ptr<capture::pw::Session> session = capture::pw::Session::connect();
  if (!session) {
    state.SkipWithError("no PipeWire daemon answers");
    return;
  }
  capture::pw::PipeWireCamera camera("video-src", "video-src", [session] { return session; });
  streamFrames(state, camera, {int(state.range(0)), int(state.range(1))});
}

// The same frames (RGB24, 25 a second) from the fake Video4Linux2 device;
// its copy into the device's buffer stands for the driver's work and is not
// timed.
void V4l2Stream(benchmark::State& state) {
  const QSize size(int(state.range(0)), int(state.range(1)));
  fake::Camera device;
  device.formats = {{capture::kRgb24, {size}}};
  capture::V4l2Camera camera("/dev/video0", "Fake camera", device.opener());
  const std::vector<std::uint8_t> picture = rgb24Frame(size);
  std::vector<std::uint8_t> frame;  // in the device's line length, known once it streams
  QElapsedTimer pace;
  pace.start();
  qint64 due = 0;
  streamFrames(state, camera, size, [&] {
    if (frame.empty()) {
      frame.resize(device.format.sizeimage);
      const std::size_t row = std::size_t(size.width()) * 3;
      for (int y = 0; y < size.height(); ++y)
        std::memcpy(frame.data() + std::size_t(y) * device.format.bytesperline, picture.data() + y * row, row);
    }
    due += 40;
    if (const qint64 wait = due - pace.elapsed(); wait > 0) QThread::msleep(std::uint64_t(wait));
    device.push(frame);
  });
}

// A camera's JPEG frame dequeued, decoded for a 640 x 480 preview and
// painted, through the Video4Linux2 device as fast as it can go.
void PreviewMjpegStream(benchmark::State& state) {
  const QSize size(int(state.range(0)), int(state.range(1)));
  fake::Camera device;
  device.formats = {{capture::kMjpeg, {size}}};
  capture::V4l2Camera camera("/dev/video0", "Fake camera", device.opener());
  (void)camera.setFormat(size, capture::kMjpeg);
  const capture_test::Bytes frame = capture_test::cameraFrame(size);
  streamFrames(state, camera, size, [&] { device.push(frame); });
}

void Streams(benchmark::internal::Benchmark* b) {
  b->Args({640, 480})->Args({1280, 720})->Iterations(kStreamFrames)->UseManualTime()->MeasureProcessCPUTime();
  b->Unit(benchmark::kMicrosecond);
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
BENCHMARK(PreviewMjpegStream)->Apply(LargeFrames)->UseManualTime()->MeasureProcessCPUTime()->Iterations(kStreamFrames);
BENCHMARK(PipeWireStream)->Apply(Streams);
BENCHMARK(V4l2Stream)->Apply(Streams);

// Ours against the floor or the other path, for the runs that were made.
void printRatios(const bench::Collector& runs) {
  struct Pair {
    const char *ours, *floor;
    double target;
  };
  const Pair pairs[] = {
      {"PipeWireStream/640/480", "V4l2Stream/640/480", 1.2},
      {"PipeWireStream/1280/720", "V4l2Stream/1280/720", 1.2},
      {"PreviewMjpegStream/1920/1080", "FloorTjDecompressScaled/1920/1080", 1.3},
      {"PreviewMjpegStream/3264/2448", "FloorTjDecompressScaled/3264/2448", 1.3},
      {"F12Jpeg/1920/1080", "FloorCameraJpeg/1920/1080", 1.3},
      {"F12Jpeg/3264/2448", "FloorCameraJpeg/3264/2448", 1.3},
      {"F12Bmp/1920/1080", "FloorDecodeBmp/1920/1080", 1.3},
      {"F12Bmp/3264/2448", "FloorDecodeBmp/3264/2448", 1.3},
  };
  for (const Pair& p : pairs) {
    const double wall = bench::ratio(runs.real(p.ours), runs.real(p.floor));
    const double cpu = bench::ratio(runs.cpu(p.ours), runs.cpu(p.floor));
    if (wall == 0 && cpu == 0) continue;
    std::printf("%-30s against %-34s wall %.2fx, CPU %.2fx (target %.1fx)\n", p.ours, p.floor, wall, cpu, p.target);
  }
}

}  // namespace

int main(int argc, char** argv) {
  bench::startLikeTheProgram();
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // The capture window's settings go to a private home.
  const QTemporaryDir home;
  bench::usePrivateHome(home.path());
  QApplication app(argc, argv);  // the capture window, and fonts for the test pattern's caption
  benchmark::Initialize(&argc, argv);
  bench::Collector runs;
  benchmark::RunSpecifiedBenchmarks(&runs);
  benchmark::Shutdown();
  desktop.reset();
  desktopRuntime.reset();
  printRatios(runs);
  return 0;
}
