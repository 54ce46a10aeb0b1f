#pragma once
// SANE pointed at the fault backend (sane_fault_backend.cpp) alone, with one
// planned page per entry of `plan`, and the scanner library restarted so that
// the plan applies. Its device is "vicfault:0", a document feeder.

#include <QStringList>

namespace faults {

void useFaultBackend(const QStringList& plan);

}  // namespace faults
