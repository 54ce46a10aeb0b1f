#pragma once
// What the benchmarks share: a private home, SANE's test backend, and
// dialogs that nobody has to answer.

#include <QString>

#include "platform/runtime/dialogs.h"

namespace bench {

// Prints every message box and rejects every modal dialog.
struct Unattended final : rt::Dialogs {
  int messageBox(const QString& prompt, int style, const QString& title) override;
  int runModal(QDialog& dialog) override;
};

// Points HOME and the XDG folders at `home`, and Qt at the offscreen
// platform unless one is chosen, so no benchmark touches the user's files.
void usePrivateHome(const QString& home);

// Configures SANE's test backend (one device, 300 dpi, colour pattern) in
// `folder` and points SANE at it; false when it cannot be written.
bool useSaneTestBackend(const QString& folder);

// Makes the test backend's feeder the default source of the scanner library.
void chooseTestFeeder();

// A new empty folder below `parent`.
QString freshFolder(const QString& parent, const char* name);
int filesIn(const QString& folder);

}  // namespace bench
