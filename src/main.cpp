#include <QApplication>

#include "app/forms.h"
#include "program/compose.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setApplicationName("video-image-capture");
  QApplication::setQuitOnLastWindowClosed(false);
  composeProgram();
  app::frmControl.Load();
  return application.exec();
}
