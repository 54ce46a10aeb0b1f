#include <QApplication>
#include <malloc.h>

#include "app/forms.h"
#include "program/compose.h"

int main(int argc, char** argv) {
  // Frames and pages are buffers of several megabytes, one after another;
  // keeping them in the heap instead of mapping fresh memory every time
  // spares a page fault for every 4 KB of every picture.
  mallopt(M_MMAP_THRESHOLD, 64 * 1024 * 1024);
  mallopt(M_TRIM_THRESHOLD, 256 * 1024 * 1024);

  QApplication application(argc, argv);
  QApplication::setApplicationName("video-image-capture");
  QApplication::setQuitOnLastWindowClosed(false);
  composeProgram();
  app::frmControl.Load();
  return application.exec();
}
