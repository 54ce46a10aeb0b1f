#include "platform/runtime/program.h"

#include <QCoreApplication>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace rt {

namespace {
std::function<void()>& endHandler() {
  static std::function<void()> handler;
  return handler;
}

}  // namespace

void DoEvents() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

void End() {
  if (endHandler()) endHandler()();
  std::fflush(nullptr);
  // Immediate: no destructors and no handlers of windows still open.
  ::_exit(0);
}

void setEndHandler(std::function<void()> handler) { endHandler() = std::move(handler); }

}  // namespace rt
