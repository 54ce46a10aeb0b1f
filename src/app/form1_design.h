#pragma once
// The live capture window as designed: caption, frame, menus and status bar.
// Its behaviour is in the live window class that derives from it.

#include <QAction>
#include <QMenu>
#include <QStatusBar>
#include <cstdint>
#include <vector>

#include "platform/runtime/form.h"

namespace app {

class form1Design : public rt::Form {
  Q_OBJECT
 public:
  form1Design();

  QMenu* mnuFile;
  QAction* mnuSaveFrame;
  QAction* mnuspace1;
  QAction* mnuExit;
  QMenu* mnuControl;
  QAction* mnuFormat;
  QAction* mnuSource;
  QAction* mnuBorder;
  std::vector<QAction*> mnudrive;  // a control array with the single element 0
  QMenu* mnuCapture;
  QAction* mnuCapFrame;
  QAction* mnuTwain;
  QAction* mnuAbout;
  // One line of text below the picture, replaced whole.
  QStatusBar* StatusBar;

  virtual void mnuSaveFrame_Click() {}
  virtual void mnuExit_Click() {}
  virtual void mnuAbout_Click() {}
  virtual void mnuFormat_Click() {}
  virtual void mnuSource_Click() {}
  virtual void mnudrive_Click(std::int16_t Index) { (void)Index; }
  virtual void mnuTwain_Click() {}
  virtual void mnuBorder_Click() {}
  virtual void mnuCapFrame_Click() {}

 protected:
  // Menus carry no status tips: hovering them would erase the status line,
  // whose text stays until something newer replaces it.
  bool event(QEvent* event) override;
};

}  // namespace app
