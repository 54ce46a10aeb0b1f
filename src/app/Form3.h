#pragma once
// The viewer: the last picture, stretched to fill its area, and the path of
// the current file below it. The capture windows fill it; a double-click on
// the picture opens its file in the desktop's default application.

#include <QKeyEvent>
#include <QLabel>
#include <QString>

#include "app/picture_label.h"
#include "platform/runtime/form.h"

namespace app {

class form1Design;

// The live window's command a key pressed in the viewer stands for: its
// capture entry when the key is that entry's accelerator and the entry can
// be used now (the live window shown, the entry enabled); else none. Held
// down, the key repeats only as the entry's own accelerator would.
QAction* ForwardedCommand(const QKeyEvent& key, form1Design* live);

class Form3Window : public rt::Form {
  Q_OBJECT
 public:
  Form3Window();

  QLabel* lbFilename;
  PictureLabel* Image1;  // stretches its picture to its own size
  // The file the picture was loaded from; empty while none is shown.
  QString PicturePath;

  void Image1_DblClick();
  // The live window's capture key pressed here captures as it does there.
  void Form_KeyDown(QKeyEvent& event);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
};

// Why a double-click could not open the picture's file: it is gone, no
// program to open files with is installed, or none took the file.
QString OpenProblemText(const QString& path, bool fileExists, bool openerInstalled);

}  // namespace app
