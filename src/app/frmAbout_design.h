#pragma once
// The about box as designed.

#include <QLabel>
#include <QPushButton>
#include <array>
#include <cstdint>

#include "platform/runtime/form.h"

namespace app {

class frmAboutDesign : public rt::Form {
  Q_OBJECT
 public:
  frmAboutDesign();

  QPushButton* cmdOK;
  std::array<QLabel*, 3> lblAbout;  // a control array, elements 0 to 2

  virtual void cmdOK_Click() {}
  virtual void lblAbout_Click(std::int16_t Index) { (void)Index; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;
};

}  // namespace app
