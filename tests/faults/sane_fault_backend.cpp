// A scanner backend for SANE whose pages misbehave on purpose. It offers one
// device, "vicfault:0", with a document feeder. Each line of vicfault.conf in
// SANE_CONFIG_DIR plans one page (read again at every open):
//   ok            a whole page
//   short         half the announced lines, then the end of the data
//   long          ten lines more than announced
//   resized       announces one size before the scan starts and sends another
//   narrow        fewer bytes per line than the pixels need
//   huge          announces a page of 60000 x 60000 pixels
//   start STATUS  fails to start with STATUS (e.g. SANE_STATUS_COVER_OPEN)
//   mid STATUS    fails with STATUS half-way through the page
//   claim PATH    creates the file PATH (as another program would), then
//                 sends a whole page
//   fill BYTES    limits the size of files the process may write to BYTES
//                 (as a disk filling up), then sends a whole page
// After the last planned page the feeder is empty.
// A line "device options" gives the device the standard options of a
// scanner: mode (Color, Gray, Lineart), resolution (a list of 75 to 1200
// dpi) and a scan area of 215.9 x 355.6 mm; "ok" pages then come in the
// size and format those set. "device options no-mode" leaves the mode out.

#include <sane/sane.h>
#include <sane/saneopts.h>
#include <sys/resource.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 60;
constexpr int kLines = 40;

struct Page {
  std::string kind = "ok";
  std::string argument;
};

struct Settings {
  bool options = false;
  bool mode = false;
  char modeValue[16] = "Color";
  SANE_Word resolution = 300;
  SANE_Word geometry[4] = {0, 0, SANE_FIX(215.9), SANE_FIX(355.6)};  // tl-x, tl-y, br-x, br-y
};

SANE_Parameters rgb(int width, int bytesPerLine, int lines) {
  SANE_Parameters p{};
  p.format = SANE_FRAME_RGB;
  p.last_frame = SANE_TRUE;
  p.pixels_per_line = width;
  p.bytes_per_line = bytesPerLine;
  p.lines = lines;
  p.depth = 8;
  return p;
}

const std::map<std::string, SANE_Status> kStatuses = {
    {"SANE_STATUS_JAMMED", SANE_STATUS_JAMMED},         {"SANE_STATUS_COVER_OPEN", SANE_STATUS_COVER_OPEN},
    {"SANE_STATUS_IO_ERROR", SANE_STATUS_IO_ERROR},     {"SANE_STATUS_NO_DOCS", SANE_STATUS_NO_DOCS},
    {"SANE_STATUS_NO_MEM", SANE_STATUS_NO_MEM},         {"SANE_STATUS_DEVICE_BUSY", SANE_STATUS_DEVICE_BUSY},
    {"SANE_STATUS_CANCELLED", SANE_STATUS_CANCELLED},   {"SANE_STATUS_ACCESS_DENIED", SANE_STATUS_ACCESS_DENIED},
    {"SANE_STATUS_EOF", SANE_STATUS_EOF},               {"SANE_STATUS_INVAL", SANE_STATUS_INVAL},
};

SANE_Status statusNamed(const std::string& name) {
  const auto found = kStatuses.find(name);
  return found == kStatuses.end() ? SANE_STATUS_IO_ERROR : found->second;
}

std::vector<Page> readPlan(Settings& settings) {
  std::vector<Page> plan;
  const char* dir = std::getenv("SANE_CONFIG_DIR");
  std::ifstream file(std::string(dir ? dir : ".") + "/vicfault.conf");
  for (std::string line; std::getline(file, line);) {
    std::istringstream words(line);
    Page page;
    if (!(words >> page.kind)) continue;
    std::getline(words >> std::ws, page.argument);
    if (page.kind == "device") {
      settings.options = page.argument.rfind("options", 0) == 0;
      settings.mode = settings.options && page.argument.find("no-mode") == std::string::npos;
      continue;
    }
    plan.push_back(page);
  }
  return plan;
}


struct Scanner {
  std::vector<Page> plan;
  Settings settings;
  std::vector<SANE_Option_Descriptor> options;
  std::size_t next = 0;  // the page the next start takes
  bool scanning = false;
  SANE_Parameters params{};
  std::vector<SANE_Byte> data;
  std::size_t sent = 0;
  std::size_t failAt = 0;  // bytes after which `failure` is answered (data.size(): none)
  SANE_Status failure = SANE_STATUS_GOOD;
};

Scanner* theScanner = nullptr;
char source[64] = "Automatic Document Feeder";
SANE_String_Const kSources[] = {"Automatic Document Feeder", nullptr};
const SANE_Device kDevice = {"vicfault:0", "Fault", "Injector", "sheetfed scanner"};
const SANE_Device* kDevices[] = {&kDevice, nullptr};

SANE_Option_Descriptor optionCount() {
  SANE_Option_Descriptor d{};
  d.name = "";
  d.title = SANE_TITLE_NUM_OPTIONS;
  d.type = SANE_TYPE_INT;
  d.size = sizeof(SANE_Word);
  d.cap = SANE_CAP_SOFT_DETECT;
  return d;
}

SANE_Option_Descriptor sourceOption() {
  SANE_Option_Descriptor d{};
  d.name = SANE_NAME_SCAN_SOURCE;
  d.title = SANE_TITLE_SCAN_SOURCE;
  d.desc = SANE_DESC_SCAN_SOURCE;
  d.type = SANE_TYPE_STRING;
  d.size = sizeof source;
  d.cap = SANE_CAP_SOFT_SELECT | SANE_CAP_SOFT_DETECT;
  d.constraint_type = SANE_CONSTRAINT_STRING_LIST;
  d.constraint.string_list = kSources;
  return d;
}

SANE_String_Const kModes[] = {SANE_VALUE_SCAN_MODE_COLOR, SANE_VALUE_SCAN_MODE_GRAY, SANE_VALUE_SCAN_MODE_LINEART,
                              nullptr};
const SANE_Word kResolutions[] = {5, 75, 150, 300, 600, 1200};
const SANE_Range kWidthRange = {0, SANE_FIX(215.9), 0};
const SANE_Range kHeightRange = {0, SANE_FIX(355.6), 0};
const char* const kGeometryNames[] = {SANE_NAME_SCAN_TL_X, SANE_NAME_SCAN_TL_Y, SANE_NAME_SCAN_BR_X,
                                      SANE_NAME_SCAN_BR_Y};

SANE_Option_Descriptor modeOption() {
  SANE_Option_Descriptor d = sourceOption();
  d.name = SANE_NAME_SCAN_MODE;
  d.title = SANE_TITLE_SCAN_MODE;
  d.size = sizeof Settings::modeValue;
  d.constraint.string_list = kModes;
  return d;
}

SANE_Option_Descriptor resolutionOption() {
  SANE_Option_Descriptor d{};
  d.name = SANE_NAME_SCAN_RESOLUTION;
  d.title = SANE_TITLE_SCAN_RESOLUTION;
  d.type = SANE_TYPE_INT;
  d.unit = SANE_UNIT_DPI;
  d.size = sizeof(SANE_Word);
  d.cap = SANE_CAP_SOFT_SELECT | SANE_CAP_SOFT_DETECT;
  d.constraint_type = SANE_CONSTRAINT_WORD_LIST;
  d.constraint.word_list = kResolutions;
  return d;
}

SANE_Option_Descriptor geometryOption(int corner) {
  SANE_Option_Descriptor d{};
  d.name = kGeometryNames[corner];
  d.title = kGeometryNames[corner];
  d.type = SANE_TYPE_FIXED;
  d.unit = SANE_UNIT_MM;
  d.size = sizeof(SANE_Word);
  d.cap = SANE_CAP_SOFT_SELECT | SANE_CAP_SOFT_DETECT;
  d.constraint_type = SANE_CONSTRAINT_RANGE;
  d.constraint.range = corner % 2 == 0 ? &kWidthRange : &kHeightRange;
  return d;
}

std::vector<SANE_Option_Descriptor> optionsOf(const Settings& settings) {
  std::vector<SANE_Option_Descriptor> options = {optionCount(), sourceOption()};
  if (!settings.options) return options;
  if (settings.mode) options.push_back(modeOption());
  options.push_back(resolutionOption());
  for (int corner = 0; corner < 4; ++corner) options.push_back(geometryOption(corner));
  return options;
}

// An option of the standard set: the value it keeps, its size, and whether
// a value is allowed.
SANE_Status controlStandard(Settings& settings, const SANE_Option_Descriptor& d, SANE_Action action, void* value,
                            SANE_Int* info) {
  const std::string name = d.name;
  void* held = name == SANE_NAME_SCAN_MODE ? static_cast<void*>(settings.modeValue)
               : name == SANE_NAME_SCAN_RESOLUTION ? static_cast<void*>(&settings.resolution)
                                                   : nullptr;
  for (int corner = 0; corner < 4; ++corner)
    if (name == kGeometryNames[corner]) held = &settings.geometry[corner];
  if (action == SANE_ACTION_GET_VALUE) {
    std::memcpy(value, held, static_cast<std::size_t>(d.size));
    return SANE_STATUS_GOOD;
  }
  if (action != SANE_ACTION_SET_VALUE) return SANE_STATUS_INVAL;
  if (name == SANE_NAME_SCAN_MODE) {
    const char* wanted = static_cast<const char*>(value);
    for (SANE_String_Const* m = kModes; *m; ++m)
      if (std::strcmp(*m, wanted) == 0) return std::strcpy(settings.modeValue, wanted), SANE_STATUS_GOOD;
    return SANE_STATUS_INVAL;
  }
  const SANE_Word word = *static_cast<const SANE_Word*>(value);
  if (name == SANE_NAME_SCAN_RESOLUTION) {
    if (std::find(kResolutions + 1, kResolutions + 1 + kResolutions[0], word) == kResolutions + 1 + kResolutions[0])
      return SANE_STATUS_INVAL;
    settings.resolution = word;
    return SANE_STATUS_GOOD;
  }
  const SANE_Word clamped = std::clamp(word, d.constraint.range->min, d.constraint.range->max);
  if (info && clamped != word) *info = SANE_INFO_INEXACT;
  *static_cast<SANE_Word*>(held) = clamped;
  return SANE_STATUS_GOOD;
}

// The page the standard options describe.
SANE_Parameters optionPage(const Settings& settings) {
  const auto pixels = [&](int from, int to) {
    const double mm = SANE_UNFIX(settings.geometry[to] - settings.geometry[from]);
    return std::max(1, static_cast<int>(std::lround(mm / 25.4 * settings.resolution)));
  };
  const int width = pixels(0, 2), lines = pixels(1, 3);
  const std::string mode = settings.mode ? settings.modeValue : SANE_VALUE_SCAN_MODE_COLOR;
  SANE_Parameters p = rgb(width, width * 3, lines);
  if (mode == SANE_VALUE_SCAN_MODE_COLOR) return p;
  p.format = SANE_FRAME_GRAY;
  p.depth = mode == SANE_VALUE_SCAN_MODE_GRAY ? 8 : 1;
  p.bytes_per_line = p.depth == 8 ? width : (width + 7) / 8;
  return p;
}


}  // namespace

extern "C" {

SANE_Status sane_vicfault_init(SANE_Int* version, SANE_Auth_Callback) {
  if (version) *version = SANE_VERSION_CODE(SANE_CURRENT_MAJOR, 0, 0);
  return SANE_STATUS_GOOD;
}

void sane_vicfault_exit() {}

SANE_Status sane_vicfault_get_devices(const SANE_Device*** list, SANE_Bool) {
  *list = kDevices;
  return SANE_STATUS_GOOD;
}

SANE_Status sane_vicfault_open(SANE_String_Const name, SANE_Handle* handle) {
  if (name && *name && std::strcmp(name, "0") != 0 && std::strcmp(name, kDevice.name) != 0)
    return SANE_STATUS_INVAL;
  if (theScanner) return SANE_STATUS_DEVICE_BUSY;
  theScanner = new Scanner;
  theScanner->plan = readPlan(theScanner->settings);
  theScanner->options = optionsOf(theScanner->settings);
  *handle = theScanner;
  return SANE_STATUS_GOOD;
}

void sane_vicfault_close(SANE_Handle) {
  delete theScanner;
  theScanner = nullptr;
}

const SANE_Option_Descriptor* sane_vicfault_get_option_descriptor(SANE_Handle handle, SANE_Int option) {
  const auto& options = static_cast<Scanner*>(handle)->options;
  return option >= 0 && option < static_cast<SANE_Int>(options.size()) ? &options[option] : nullptr;
}

SANE_Status sane_vicfault_control_option(SANE_Handle handle, SANE_Int option, SANE_Action action, void* value,
                                         SANE_Int* info) {
  auto* s = static_cast<Scanner*>(handle);
  if (info) *info = 0;
  if (option == 0 && action == SANE_ACTION_GET_VALUE) {
    *static_cast<SANE_Word*>(value) = static_cast<SANE_Word>(s->options.size());
    return SANE_STATUS_GOOD;
  }
  if (option >= 2 && option < static_cast<SANE_Int>(s->options.size())) {
    if (s->scanning && action == SANE_ACTION_SET_VALUE) return SANE_STATUS_DEVICE_BUSY;
    return controlStandard(s->settings, s->options[option], action, value, info);
  }
  if (option != 1) return SANE_STATUS_INVAL;
  if (action == SANE_ACTION_GET_VALUE) {
    std::memcpy(value, source, sizeof source);
    return SANE_STATUS_GOOD;
  }
  if (action == SANE_ACTION_SET_VALUE) {
    if (std::strcmp(static_cast<const char*>(value), kSources[0]) != 0) return SANE_STATUS_INVAL;
    return theScanner && theScanner->scanning ? SANE_STATUS_DEVICE_BUSY : SANE_STATUS_GOOD;
  }
  return SANE_STATUS_INVAL;
}

SANE_Status sane_vicfault_get_parameters(SANE_Handle handle, SANE_Parameters* params) {
  auto* s = static_cast<Scanner*>(handle);
  // Before a scan: what the next page would be, as scanners guess it.
  *params = s->scanning ? s->params : s->settings.options ? optionPage(s->settings) : rgb(kWidth, kWidth * 3, kLines);
  return SANE_STATUS_GOOD;
}

SANE_Status sane_vicfault_start(SANE_Handle handle) {
  auto* s = static_cast<Scanner*>(handle);
  if (s->next >= s->plan.size()) return SANE_STATUS_NO_DOCS;
  const Page page = s->plan[s->next++];
  if (page.kind == "start") return statusNamed(page.argument);
  if (page.kind == "claim") std::ofstream(page.argument) << "another program's picture";
  if (page.kind == "fill") {
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = std::strtoull(page.argument.c_str(), nullptr, 10);
    setrlimit(RLIMIT_FSIZE, &limit);
  }

  int width = kWidth, bytesPerLine = kWidth * 3, lines = kLines, sentLines = kLines;
  if (page.kind == "short") sentLines = kLines / 2;
  if (page.kind == "long") sentLines = kLines + 10;
  if (page.kind == "resized") width = 80, bytesPerLine = 240, lines = sentLines = 30;
  if (page.kind == "narrow") bytesPerLine = kWidth;
  if (page.kind == "huge") width = bytesPerLine = lines = sentLines = 60000;
  s->params = rgb(width, bytesPerLine, lines);
  if (page.kind == "ok" && s->settings.options) {
    s->params = optionPage(s->settings);
    bytesPerLine = s->params.bytes_per_line;
    sentLines = s->params.lines;
  }
  // Huge pages are refused before any data is read; there is none to make.
  const std::size_t bytes = page.kind == "huge" ? 0 : std::size_t(bytesPerLine) * std::size_t(sentLines);
  s->data.assign(bytes, SANE_Byte(0));
  for (std::size_t at = 0, line = 0; at < bytes; at += std::size_t(bytesPerLine), ++line)
    std::memset(s->data.data() + at, (s->next * 37 + line) & 0xff, std::min(bytes - at, std::size_t(bytesPerLine)));
  s->sent = 0;
  s->failAt = page.kind == "mid" ? bytes / 2 : bytes;
  s->failure = page.kind == "mid" ? statusNamed(page.argument) : SANE_STATUS_GOOD;
  s->scanning = true;
  return SANE_STATUS_GOOD;
}

SANE_Status sane_vicfault_read(SANE_Handle handle, SANE_Byte* buffer, SANE_Int maxLength, SANE_Int* length) {
  auto* s = static_cast<Scanner*>(handle);
  *length = 0;
  if (!s->scanning) return SANE_STATUS_CANCELLED;
  if (s->sent >= s->failAt && s->failure != SANE_STATUS_GOOD) return s->failure;
  if (s->sent >= s->data.size()) return SANE_STATUS_EOF;
  const std::size_t until = std::min(s->failAt, s->data.size());
  const std::size_t chunk = s->settings.options ? 65536 : 4096;
  const std::size_t n = std::min({until - s->sent, std::size_t(std::max(maxLength, 0)), chunk});
  std::memcpy(buffer, s->data.data() + s->sent, n);
  s->sent += n;
  *length = SANE_Int(n);
  return SANE_STATUS_GOOD;
}

void sane_vicfault_cancel(SANE_Handle handle) { static_cast<Scanner*>(handle)->scanning = false; }

SANE_Status sane_vicfault_set_io_mode(SANE_Handle, SANE_Bool nonBlocking) {
  return nonBlocking ? SANE_STATUS_UNSUPPORTED : SANE_STATUS_GOOD;
}

SANE_Status sane_vicfault_get_select_fd(SANE_Handle, SANE_Int*) { return SANE_STATUS_UNSUPPORTED; }

}  // extern "C"
