#include <QApplication>

#include "app/forms.h"
#include "platform/runtime/memory.h"
#include "program/compose.h"
#include "program/ending.h"

int main(int argc, char** argv) {
  rt::KeepPictureBuffers();
  QApplication application(argc, argv);
  QApplication::setApplicationName("video-image-capture");
  QApplication::setQuitOnLastWindowClosed(false);
  composeProgram();
  watchEndRequests();
  app::frmControl.Load();
  return application.exec();
}
