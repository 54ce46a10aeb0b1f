#include "platform/runtime/program.h"

#include <QCoreApplication>
#include <cstdio>
#include <cstdlib>
#include <vector>
#include <unistd.h>

#include "platform/runtime/settings.h"

namespace rt {

namespace {
std::function<void()>& endHandler() {
  static std::function<void()> handler;
  return handler;
}

std::vector<std::function<void()>>& cleanUps() {
  static std::vector<std::function<void()>> list;
  return list;
}

}  // namespace

void OnEnd(std::function<void()> cleanUp) { cleanUps().push_back(std::move(cleanUp)); }

void DoEvents() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

void End() {
  if (endHandler()) endHandler()();
  for (auto it = cleanUps().rbegin(); it != cleanUps().rend(); ++it) (*it)();
  FlushSettings();
  std::fflush(nullptr);
  // Immediate: no destructors and no handlers of windows still open.
  ::_exit(0);
}

void setEndHandler(std::function<void()> handler) { endHandler() = std::move(handler); }

}  // namespace rt
