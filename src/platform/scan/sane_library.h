#pragma once
// The SANE library itself: initialised on first use, closed at program end
// (or earlier through shutdown(), after which the next use starts afresh and
// reads the backends' configuration again).

#include <sane/sane.h>

#include <string>
#include <vector>

namespace scan::sane {

// False when the library could not be initialised.
bool ensureInitialised();
// Closes the library; every device handle must be closed before.
void shutdown();
// Called from the constructor of a static object that holds device handles,
// so that the library is closed only after that object is destroyed.
void anchor();

struct DeviceInfo {
  std::string name;  // what sane_open takes, e.g. "test:0"
  std::string vendor;
  std::string model;
  std::string type;
};

// The devices the backends find now (a fresh list on every call).
std::vector<DeviceInfo> listDevices();

// The library's text for a status, never null.
std::string statusText(SANE_Status status);

}  // namespace scan::sane
