#include "bench_env.h"

#include <QDir>
#include <QFile>
#include <cstdio>

#include "platform/runtime/memory.h"
#include "platform/runtime/settings.h"
#include "platform/scan/scanner_choice.h"

namespace bench {

int Unattended::messageBox(const QString& prompt, int, const QString&) {
  std::fprintf(stderr, "message: %s\n", qPrintable(prompt));
  return rt::vbOK;
}

int Unattended::runModal(QDialog&) { return 0; }

void usePrivateHome(const QString& home) {
  qputenv("HOME", home.toUtf8());
  qputenv("XDG_CONFIG_HOME", (home + "/.config").toUtf8());
  qputenv("XDG_RUNTIME_DIR", home.toUtf8());
  QFile::setPermissions(home, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
}

bool useSaneTestBackend(const QString& folder) {
  QDir().mkpath(folder);
  QFile dll(folder + "/dll.conf"), conf(folder + "/test.conf");
  if (!dll.open(QIODevice::WriteOnly) || !conf.open(QIODevice::WriteOnly)) return false;
  dll.write("test\n");
  // Room for every page size the program offers.
  conf.write("number_of_devices 1\nresolution 300\ntest-picture \"Color pattern\"\ngeometry_max 1000\n");
  qputenv("SANE_CONFIG_DIR", folder.toUtf8());
  return true;
}

namespace {
const char* const kFeeder = "Automatic Document Feeder";
}  // namespace

void chooseTestFeeder() {
  rt::SaveSetting("scanner", "DefaultSource", "device", "test:0");
  rt::SaveSetting("scanner", "DefaultSource", "source", kFeeder);
  const QString section = QString::fromStdString(scan::settingsSection("test:0"));
  rt::SaveSetting("scanner", section, "resolution", "300");
  rt::SaveSetting("scanner", section, "mode", "Color");
  rt::SaveSetting("scanner", section, "page", "A5");
}

std::string scanimageCommand(const QString& folder, const std::string& format) {
  return "scanimage -d test:0 --source '" + std::string(kFeeder) +
         "' --mode Color --resolution 300 -l 0 -t 0 -x 148 -y 210 --format=" + format + " --batch='" +
         folder.toStdString() + "/p%d." + format + "' 2>/dev/null";
}

void startLikeTheProgram() { rt::KeepPictureBuffers(); }

void Collector::ReportRuns(const std::vector<Run>& runs) {
  ConsoleReporter::ReportRuns(runs);
  for (const Run& run : runs) {
    const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
    if (run.error_occurred || (run.run_type != Run::RT_Iteration && !median)) continue;
    // The run name without the "/repeats:N" and "_median" a repetition adds.
    const std::string name = run.run_name.function_name + (run.run_name.args.empty() ? "" : "/" + run.run_name.args);
    if (run.run_type == Run::RT_Iteration && medians_.count(name)) continue;
    if (median) medians_.insert(name);
    real_[name] = run.GetAdjustedRealTime();
    cpu_[name] = run.GetAdjustedCPUTime();
    const auto bytes = run.counters.find("bytes");
    if (bytes != run.counters.end()) bytes_[name] = bytes->second.value;
  }
}

double Collector::lookup(const std::map<std::string, double>& values, const std::string& name) {
  const auto it = values.find(name);
  return it == values.end() ? 0.0 : it->second;
}

double ratio(double a, double b) { return a > 0 && b > 0 ? a / b : 0.0; }

QString freshFolder(const QString& parent, const char* name) {
  static int counter = 0;
  const QString folder = parent + QString("/%1-%2").arg(name).arg(++counter);
  QDir().mkpath(folder);
  return folder;
}

int filesIn(const QString& folder) { return int(QDir(folder).entryList(QDir::Files).size()); }

}  // namespace bench
