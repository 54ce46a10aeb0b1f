#include "platform/window/window.h"

#include <QPointer>
#include <QString>
#include <QWidget>
#include <unordered_map>

namespace win {

namespace {

struct Registry {
  std::unordered_map<HWND, QPointer<QWidget>> widgets;
  HWND next = 0x100;  // handles are never reused
};

Registry& registry() {
  static Registry r;
  return r;
}

const char* kHandleProperty = "vic_hwnd";

}  // namespace

HWND handleOf(QWidget* widget) {
  if (!widget) return 0;
  QVariant known = widget->property(kHandleProperty);
  if (known.isValid()) return known.value<HWND>();
  Registry& r = registry();
  HWND h = r.next++;
  r.widgets.emplace(h, QPointer<QWidget>(widget));
  widget->setProperty(kHandleProperty, QVariant::fromValue(h));
  QObject::connect(widget, &QObject::destroyed, [h] { registry().widgets.erase(h); });
  return h;
}

QWidget* widgetOf(HWND hwnd) {
  Registry& r = registry();
  auto it = r.widgets.find(hwnd);
  if (it == r.widgets.end()) return nullptr;
  return it->second.data();
}

LRESULT SendMessageA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto target = dynamic_cast<MessageTarget*>(widgetOf(hwnd));
  return target ? target->windowProc(msg, wParam, lParam) : 0;
}

std::int32_t DestroyWindow(HWND hwnd) {
  QWidget* w = widgetOf(hwnd);
  if (!w) return 0;
  registry().widgets.erase(hwnd);
  w->hide();
  w->deleteLater();
  return 1;
}

std::int32_t SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
  QWidget* w = widgetOf(hwnd);
  if (!w) return 0;
  if (!(flags & SWP_NOMOVE)) w->move(x, y);
  if (!(flags & SWP_NOSIZE)) w->resize(std::max(cx, 0), std::max(cy, 0));
  if (!(flags & SWP_NOZORDER)) {
    if (insertAfter == HWND_BOTTOM)
      w->lower();
    else if (insertAfter == HWND_TOP)
      w->raise();
  }
  return 1;
}

std::int32_t SetWindowTextA(HWND hwnd, const char* text) {
  QWidget* w = widgetOf(hwnd);
  if (!w) return 0;
  w->setWindowTitle(text ? QString::fromLocal8Bit(text) : QString());
  return 1;
}

}  // namespace win
