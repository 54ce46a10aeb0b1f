#include "platform/runtime/form.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QIcon>
#include <QMenuBar>
#include <QPointer>
#include <QTimer>
#include <QWindow>
#include <QScreen>
#include <cmath>

#include "platform/runtime/metrics.h"

namespace rt {

namespace {

Qt::WindowFlags flagsFor(const FormDesign& d) {
  Qt::WindowFlags f = (d.inTaskbar ? Qt::Window : Qt::Dialog) | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                      Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
  if (d.minButton) f |= Qt::WindowMinimizeButtonHint;
  if (d.maxButton) f |= Qt::WindowMaximizeButtonHint;
  return f;
}

int edgeX() { return GetSystemMetrics(SM_CXEDGE); }
int edgeY() { return GetSystemMetrics(SM_CYEDGE); }

// Waits for a window's first exposure (on Wayland: the compositor has
// configured it, and its first picture goes out with the expose), then asks
// for the activation of a window: another one, or itself. Asked any earlier,
// the request would reach the compositor before the new window is mapped,
// and mapping it would take the focus again, or be lost.
class FocusBack : public QObject {
 public:
  FocusBack(QWindow* shown, QWidget* keeper) : QObject(shown), keeper_(keeper) { shown->installEventFilter(this); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    auto* window = static_cast<QWindow*>(watched);
    if (event->type() == QEvent::Expose && window->isExposed()) {
      QPointer<QWidget> keeper = keeper_;
      QTimer::singleShot(0, window, [keeper] {
        if (keeper && keeper->isVisible()) keeper->activateWindow();
      });
      deleteLater();
      window->removeEventFilter(this);
    }
    return false;
  }

 private:
  QPointer<QWidget> keeper_;
};

}  // namespace

bool DesktopDecidesWindows() { return QGuiApplication::platformName().startsWith("wayland"); }

Form::Form(const FormDesign& design) : QMainWindow(nullptr, flagsFor(design)), design_(design) {
  setAttribute(Qt::WA_DeleteOnClose, false);
  setWindowTitle(design.caption);
  if (design.hasIcon) setWindowIcon(QIcon(":/vic/icon.png"));
  client_ = new QWidget(this);
  client_->setObjectName("client");
  setCentralWidget(client_);
  const int w = static_cast<int>(std::lround(design.clientWidth / TwipsPerPixelX()));
  const int h = static_cast<int>(std::lround(design.clientHeight / TwipsPerPixelY())) + barsHeight();
  if (design.border == BorderStyle::Sizable)
    resize(w, h);
  else
    setFixedSize(w, h);
}

Form::~Form() = default;

win::HWND Form::hWnd() const { return win::handleOf(client_); }

int Form::menuHeight() const { return design_.hasMenu ? GetSystemMetrics(SM_CYMENU) : 0; }

int Form::barsHeight() const { return menuHeight() + design_.statusBarHeight; }

double Form::Width() const { return (width() + 2 * edgeX()) * TwipsPerPixelX(); }

double Form::Height() const {
  return (height() + GetSystemMetrics(SM_CYCAPTION) + 2 * edgeY()) * TwipsPerPixelY();
}

void Form::setWidth(float twips) {
  if (isMinimized() || isMaximized()) return;
  const long px = std::lround(twips / TwipsPerPixelX()) - 2 * edgeX();
  resize(static_cast<int>(std::max(1L, px)), height());
}

void Form::setHeight(float twips) {
  if (isMinimized() || isMaximized()) return;
  const long px = std::lround(twips / TwipsPerPixelY()) - GetSystemMetrics(SM_CYCAPTION) - 2 * edgeY();
  resize(width(), static_cast<int>(std::max(1L, px)));
}

void Form::holdSize(bool held) {
  if (held) {
    setFixedSize(size());
  } else {
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
  }
}

double Form::ScaleWidth() const {
  return design_.scale == ScaleUnit::Pixels ? width() : width() * TwipsPerPixelX();
}

double Form::ScaleHeight() const {
  const int h = height() - barsHeight();
  return design_.scale == ScaleUnit::Pixels ? h : h * TwipsPerPixelY();
}

void Form::closeEvent(QCloseEvent* event) {
  if (!slot_) {
    QMainWindow::closeEvent(event);
    return;
  }
  event->ignore();
  slot_->Unload();
}

void Form::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  if (resizeEvents_) Form_Resize();
}

void Form::showEvent(QShowEvent* event) {
  if (!placed_) {
    placed_ = true;
    if (design_.start != StartPosition::WindowsDefault) {
      if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
      }
    }
  }
  QMainWindow::showEvent(event);
}

FormSlotBase::FormSlotBase(Factory factory) : factory_(std::move(factory)) {}

Form* FormSlotBase::Load() {
  if (form_) return form_;
  std::unique_ptr<Form> fresh = factory_();
  form_ = fresh.release();
  form_->slot_ = this;
  form_->resizeEvents_ = true;
  form_->Form_Load();
  return form_;
}

void FormSlotBase::Show() {
  Form* form = Load();
  if (!form_) return;  // its load unloaded it again
  const bool wasShown = form->isVisible();
  form->show();
  form->raise();
  form->activateWindow();
  // Where the compositor decides, an activation asked before the window is
  // mapped is lost (the window that had the focus may just have gone): it
  // is asked again once the window is on screen.
  if (!wasShown && DesktopDecidesWindows() && form->windowHandle()) new FocusBack(form->windowHandle(), form);
}

void FormSlotBase::ShowWithoutActivating(QWidget* keepsFocus) {
  Form* form = Load();
  if (!form_) return;
  const bool wasShown = form->isVisible();
  // Tells the window manager not to focus the window when it maps it.
  form->setAttribute(Qt::WA_ShowWithoutActivating);
  form->show();
  form->raise();
  if (!wasShown && keepsFocus && keepsFocus != form && DesktopDecidesWindows() && form->windowHandle())
    new FocusBack(form->windowHandle(), keepsFocus);
}

void FormSlotBase::Unload() {
  if (!form_ || unloading_) return;
  std::int16_t cancel = 0;
  {
    // Form_Unload may end the program; a replaced end (tests) unwinds.
    struct Guard {
      bool& flag;
      ~Guard() { flag = false; }
    } guard{unloading_};
    unloading_ = true;
    form_->Form_Unload(cancel);
  }
  if (cancel || !form_) return;
  Form* gone = form_;
  form_ = nullptr;
  gone->slot_ = nullptr;
  gone->resizeEvents_ = false;
  gone->hide();
  gone->deleteLater();
}

}  // namespace rt
