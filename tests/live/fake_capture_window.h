#pragma once
// A capture window that answers like a driver the test describes, and
// records what it was sent.

#include <QWidget>
#include <vector>

#include "platform/window/window.h"

namespace testing_support {

class FakeCaptureWindow : public QWidget, public win::MessageTarget {
 public:
  explicit FakeCaptureWindow(QWidget* parent) : QWidget(parent) {}
  win::LRESULT windowProc(win::UINT msg, win::WPARAM wParam, win::LPARAM lParam) override;

  bool acceptsConnection = true;
  bool hasSourceDialog = true;
  bool hasFormatDialog = true;
  int frameWidth = 640, frameHeight = 480;
  bool connected = false;
  std::vector<win::UINT> messages;

  // Makes every live window load create one of these; the latest is `last`.
  static void install();
  static void uninstall();
  static inline FakeCaptureWindow* last = nullptr;
  static inline bool nextAcceptsConnection = true;
  static inline bool nextHasSourceDialog = true;
};

}  // namespace testing_support
