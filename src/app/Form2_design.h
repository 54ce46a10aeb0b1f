#pragma once
// The scanner window as designed: a menu bar over a thin strip.

#include <QAction>
#include <QMenu>

#include "platform/runtime/form.h"

namespace app {

class Form2Design : public rt::Form {
  Q_OBJECT
 public:
  Form2Design();

  QMenu* mnuFile;
  QAction* mnuSelectDevice;
  QAction* mnuSpace;
  QAction* mnuExit;
  QAction* mnuCapture;
  QAction* mnuLive;
  QAction* mnuAbout;

  virtual void mnuSelectDevice_Click() {}
  virtual void mnuExit_Click() {}
  virtual void mnuCapture_Click() {}
  virtual void mnuLive_Click() {}
  virtual void mnuAbout_Click() {}
};

}  // namespace app
