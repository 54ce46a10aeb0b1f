#include "platform/scan/sane_library.h"

#include "platform/runtime/program.h"
#include "platform/scan/scanner.h"

namespace scan::sane {

namespace {

class Library {
 public:
  ~Library() { close(); }
  bool open() {
    if (!open_) {
      SANE_Int version = 0;
      open_ = sane_init(&version, nullptr) == SANE_STATUS_GOOD;
      // The program ends without running destructors; close the device
      // and the library before it goes.
      static const bool registered = (rt::OnEnd([] { scan::shutdownScanner(); }), true);
      (void)registered;
    }
    return open_;
  }
  void close() {
    if (open_) sane_exit();
    open_ = false;
  }

 private:
  bool open_ = false;
};

Library& library() {
  static Library instance;
  return instance;
}

std::string text(SANE_String_Const s) { return s ? std::string(s) : std::string(); }

}  // namespace

bool ensureInitialised() { return library().open(); }

void shutdown() { library().close(); }

void anchor() { library(); }

std::vector<DeviceInfo> listDevices() {
  std::vector<DeviceInfo> devices;
  if (!ensureInitialised()) return devices;
  const SANE_Device** list = nullptr;
  if (sane_get_devices(&list, SANE_FALSE) != SANE_STATUS_GOOD || !list) return devices;
  for (; *list; ++list) {
    const SANE_Device& d = **list;
    if (!d.name || !*d.name) continue;
    devices.push_back({d.name, text(d.vendor), text(d.model), text(d.type)});
  }
  return devices;
}

std::string statusText(SANE_Status status) {
  const char* s = sane_strstatus(status);
  return s ? s : "Unknown error";
}

}  // namespace scan::sane
