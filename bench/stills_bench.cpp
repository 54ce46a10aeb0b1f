// From the capture command to the final file, for each format and two frame
// sizes, side by side with the floor (a bare JPEG encode of the same frame
// plus one flushed write) and with external tools on the same input.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <turbojpeg.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include "app/Public.h"
#include "app/forms.h"
#include "live/form1.h"
#include "platform/capture/capture_window.h"
#include "platform/capture/catalog.h"
#include "platform/capture/dib.h"
#include "platform/capture/test_pattern.h"
#include "bench_env.h"
#include "platform/runtime/dialogs.h"
#include "platform/runtime/program.h"
#include "platform/scan/image_writes.h"

namespace {

struct PatternOnly final : capture::DeviceCatalog {
  std::vector<capture::DeviceInfo> list() override { return {{capture::kTestPatternKey, "Test pattern"}}; }
  std::unique_ptr<capture::CaptureDevice> make(const capture::DeviceInfo&) override {
    return std::make_unique<capture::TestPattern>();
  }
};

// A failed capture must not wait for someone to close a message box.
struct Unattended final : rt::Dialogs {
  int messageBox(const QString& prompt, int, const QString&) override {
    std::fprintf(stderr, "message: %s\n", qPrintable(prompt));
    failures++;
    return rt::vbOK;
  }
  int runModal(QDialog&) override { return 0; }
  int failures = 0;
};

Unattended unattended;
PatternOnly catalog;
QString picturesFolder;

QSize sizeOf(const benchmark::State& state) { return {int(state.range(0)), int(state.range(1))}; }

// The live window showing the test pattern at `size`, with a frame ready.
live::form1& liveWindowAt(QSize size) {
  static QSize current;
  if (current != size) {
    app::UnloadAll();
    capture::rememberFormat(capture::kTestPatternKey, {size, 0});
    app::form1.Show();
    auto* window = dynamic_cast<capture::CaptureWindow*>(win::widgetOf(app::AppState.hCapWnd));
    QElapsedTimer waited;
    waited.start();
    while (window && window->newestFrame().size() != size && waited.elapsed() < 20000)
      QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    current = size;
  }
  return static_cast<live::form1&>(app::form1.get());
}

QImage frameAt(QSize size) {
  liveWindowAt(size);
  auto* window = dynamic_cast<capture::CaptureWindow*>(win::widgetOf(app::AppState.hCapWnd));
  return window ? window->newestFrame() : QImage();
}

std::string fileName(const benchmark::State& state, const char* stem, const char* ext) {
  return (picturesFolder + QString("/%1-%2.%3").arg(stem).arg(state.range(0)).arg(ext)).toStdString();
}

void Capture(benchmark::State& state, const QString& ext) {
  live::form1& window = liveWindowAt(sizeOf(state));
  const QString start = picturesFolder + "/MOR0000" + ext;
  const QString written = picturesFolder + "/MOR0001" + ext;
  qint64 bytes = 0;
  for (auto _ : state) {
    state.PauseTiming();
    QFile::remove(written);
    app::AppState.FilePath = start;
    app::AppState.FileExt = ext;
    app::AppState.FileCounter = "0000";
    app::AppState.BasePath = start.left(start.size() - 4);
    state.ResumeTiming();
    window.mnuCapFrame_Click();
  }
  bytes = QFileInfo(written).size();
  if (unattended.failures > 0 || bytes == 0) state.SkipWithError("capture failed");
  state.counters["bytes"] = double(bytes);
}
void CaptureBmp(benchmark::State& state) { Capture(state, ".bmp"); }
void CaptureJpeg(benchmark::State& state) { Capture(state, ".jpg"); }
void CapturePdf(benchmark::State& state) { Capture(state, ".pdf"); }

// The floor: the same frame compressed once and written once, flushed.
void Floor(benchmark::State& state) {
  const QImage frame = frameAt(sizeOf(state)).convertToFormat(QImage::Format_RGB888);
  const std::string path = fileName(state, "floor", "jpg");
  tjhandle tj = tjInitCompress();
  unsigned long size = 0;
  for (auto _ : state) {
    unsigned char* jpeg = nullptr;
    tjCompress2(tj, frame.constBits(), frame.width(), int(frame.bytesPerLine()), frame.height(), TJPF_RGB, &jpeg,
                &size, TJSAMP_420, scan::kJpegQuality, 0);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0 || ::write(fd, jpeg, size) != ssize_t(size) || ::fsync(fd) != 0) state.SkipWithError("write failed");
    if (fd >= 0) ::close(fd);
    tjFree(jpeg);
  }
  tjDestroy(tj);
  state.counters["bytes"] = double(size);
}

void Command(benchmark::State& state, const std::string& command, const std::string& output) {
  for (auto _ : state)
    if (std::system(command.c_str()) != 0) state.SkipWithError(command.c_str());
  state.counters["bytes"] = double(QFileInfo(QString::fromStdString(output)).size());
}

void ExternalCjpeg(benchmark::State& state) {
  const std::string bitmap = fileName(state, "frame", "bmp"), out = fileName(state, "cjpeg", "jpg");
  capture::saveDib(frameAt(sizeOf(state)), bitmap);
  Command(state, "cjpeg -quality " + std::to_string(scan::kJpegQuality) + " -outfile " + out + " " + bitmap, out);
}

void ExternalImg2pdf(benchmark::State& state) {
  const std::string jpeg = fileName(state, "frame", "jpg"), out = fileName(state, "img2pdf", "pdf");
  const QImage frame = frameAt(sizeOf(state));
  frame.save(QString::fromStdString(jpeg), "JPG", scan::kJpegQuality);
  Command(state, "img2pdf -o " + out + " " + jpeg, out);
}

void Frames(benchmark::internal::Benchmark* b) {
  b->Args({640, 480})->Args({1280, 960})->Unit(benchmark::kMillisecond);
}

BENCHMARK(Floor)->Apply(Frames);
BENCHMARK(CaptureBmp)->Apply(Frames);
BENCHMARK(CaptureJpeg)->Apply(Frames);
BENCHMARK(CapturePdf)->Apply(Frames);
BENCHMARK(ExternalCjpeg)->Apply(Frames);
BENCHMARK(ExternalImg2pdf)->Apply(Frames);

void printRatios(const bench::Collector& c) {
  std::printf("\n%-9s %10s %11s %15s %9s %11s %10s %12s\n", "frame", "bmp/floor", "jpeg/floor", "jpeg/floor cpu",
              "pdf/jpeg", "pdf-jpeg B", "cjpeg/jpeg", "img2pdf/pdf");
  for (const std::string size : {"640/480", "1280/960"}) {
    auto t = [&](const char* name) { return c.real(name + ("/" + size)); };
    auto cpu = [&](const char* name) { return c.cpu(name + ("/" + size)); };
    auto bytes = [&](const char* name) { return c.bytes(name + ("/" + size)); };
    using bench::ratio;
    std::printf("%-9s %10.2f %11.2f %15.2f %9.2f %11.0f %10.2f %12.2f\n", size.c_str(),
                ratio(t("CaptureBmp"), t("Floor")), ratio(t("CaptureJpeg"), t("Floor")),
                ratio(cpu("CaptureJpeg"), cpu("Floor")), ratio(t("CapturePdf"), t("CaptureJpeg")),
                bytes("CapturePdf") - bytes("CaptureJpeg"), ratio(t("ExternalCjpeg"), t("CaptureJpeg")),
                ratio(t("ExternalImg2pdf"), t("CapturePdf")));
  }
}

}  // namespace

int main(int argc, char** argv) {
  bench::startLikeTheProgram();
  // A private home: the program's settings and pictures stay out of the user's.
  QTemporaryDir home;
  bench::usePrivateHome(home.path());
  QApplication application(argc, argv);
  picturesFolder = home.path() + "/Pictures";
  QDir().mkpath(picturesFolder);
  rt::setDialogs(&unattended);
  rt::setEndHandler([] { throw std::runtime_error("the program ended"); });
  capture::setDeviceCatalog(&catalog);
  app::form1.setFactory([] { return std::make_unique<live::form1>(); });

  benchmark::Initialize(&argc, argv);
  bench::Collector collector;
  benchmark::RunSpecifiedBenchmarks(&collector);
  printRatios(collector);
  app::UnloadAll();
  capture::setDeviceCatalog(nullptr);
  rt::setDialogs(nullptr);
  benchmark::Shutdown();
  return 0;
}
