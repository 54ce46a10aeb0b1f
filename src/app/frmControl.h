#pragma once
// The hidden controller the program starts with: it shows the live window
// and, on its timer, swaps the live and the scanner window whenever the
// requested mode changes.

#include <QTimer>
#include <cstdint>

#include "platform/runtime/form.h"

namespace app {

class ControlForm : public rt::Form {
  Q_OBJECT
 public:
  ControlForm();

  QTimer* Timer1;
  std::int16_t ShownMode = 0;  // the mode last acted on

  void Form_Load() override;
  void Timer1_Timer();
};

}  // namespace app
