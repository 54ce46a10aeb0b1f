#include <QEvent>
#include <QTimer>

#include "app/Public.h"
#include "app/settings_values.h"
#include "devices/AVICAP.h"
#include "live/form1.h"
#include "platform/runtime/form.h"
#include "platform/runtime/metrics.h"
#include "platform/runtime/settings.h"

namespace live {

using app::AppState;

win::HWND form1::capwnd() const { return AppState.hCapWnd; }
int form1::MenuHeight() const { return rt::GetSystemMetrics(rt::SM_CYMENU); }
int form1::CaptionHeight() const { return rt::GetSystemMetrics(rt::SM_CYCAPTION); }
// The window is drawn three-dimensional, so its borders are the edge metrics.
int form1::XBorder() const { return rt::GetSystemMetrics(rt::SM_CXEDGE); }
int form1::YBorder() const { return rt::GetSystemMetrics(rt::SM_CYEDGE); }

NonClient form1::nonClient() const {
  return {XBorder(), YBorder(), MenuHeight(), CaptionHeight(), design().statusBarHeight};
}

void form1::Form_Resize() {
  // Setting the size raises this handler again from within; the nested pass
  // finds the size fitting and changes nothing. The depth limit only guards
  // against a window manager that will not take the size we ask for. Where
  // the desktop decides sizes (a tile, a maximised window, Wayland), asking
  // for another one would only cut the picture: it is fitted to what we got.
  if (!isMinimized() && !isMaximized() && !isFullScreen() && !rt::DesktopDecidesWindows() && resizeDepth_ <= 2) {
    ++resizeDepth_;
    holdSize(false);
    // Undoing a maximise, any size the window manager sends meanwhile (its
    // resize to the whole screen can arrive after the state that undid it)
    // is answered with the size from before the maximise.
    const bool restoring = restoreWidth_ > 0;
    if (restoring) AppState.VideoWidth = restoreWidth_;
    if (restoring && rt::CLng(ScaleWidth()).value_or(0) == restoreWidth_) restoreWidth_ = 0;
    if (!restoring && IsFreeResize(ScaleWidth(), ScaleHeight(), AppState.FreeResize)) {
      setHeight(static_cast<float>(OuterHeightFor(ScaleWidth(), nonClient()) * rt::TwipsPerPixelY()));
      AppState.VideoWidth = rt::CLng(ScaleWidth()).value_or(AppState.VideoWidth);
    } else {
      setWidth(static_cast<float>(OuterWidthFor(AppState.VideoWidth, nonClient()) * rt::TwipsPerPixelX()));
      setHeight(static_cast<float>(OuterHeightFor(AppState.VideoWidth, nonClient()) * rt::TwipsPerPixelY()));
    }
    holdFrozenSize();
    --resizeDepth_;
  }
  if (!isMinimized()) FitVideoToWindow(AppState.hCapWnd);
}

void form1::mnuBorder_Click() {
  QString saved;
  if (mnuBorder->isChecked()) {
    AppState.FreeResize = rt::True;
    mnuBorder->setChecked(false);
    saved = "2";
  } else {
    AppState.FreeResize = rt::False;
    mnuBorder->setChecked(true);
    saved = "1";
  }
  rt::SaveSetting(app::kPathsApp, app::kPathsSection, app::kBorderKey, saved);
  holdFrozenSize();
}

// A frozen border is a window of one size: the window manager offers no
// resize and no maximise for it. Where the desktop sizes windows itself,
// a held size would only take the window out of its tile.
void form1::holdFrozenSize() {
  if (rt::DesktopDecidesWindows() || isMinimized() || isMaximized() || isFullScreen()) return;
  holdSize(AppState.FreeResize == rt::False);
}

// The live window cannot be maximised; a window manager that maximises a
// resizable window anyway (a double-click on its title) gets it back at its
// own size.
void form1::changeEvent(QEvent* event) {
  app::form1Design::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange && isMaximized() && !rt::DesktopDecidesWindows()) {
    if (restoreWidth_ == 0) restoreWidth_ = AppState.VideoWidth;
    QTimer::singleShot(0, this, [this] { showNormal(); });
    // A window manager that never sends the size asked for does not hold
    // the window at it for good.
    QTimer::singleShot(2000, this, [this] { restoreWidth_ = 0; });
  }
}

void form1::FitWindowToVideo(win::HWND hwnd) {
  const int caption = rt::GetSystemMetrics(rt::SM_CYCAPTION);
  const int frameX = rt::GetSystemMetrics(rt::SM_CXFRAME);
  const int frameY = rt::GetSystemMetrics(rt::SM_CYFRAME);
  capture::CAPSTATUS status{};
  if (devices::capGetStatus(hwnd, &status, sizeof status)) {
    const int w = static_cast<int>(status.uiImageWidth);
    const int h = static_cast<int>(status.uiImageHeight);
    win::SetWindowPos(hwnd, win::HWND_BOTTOM, 0, 0, w + 2 * frameX, h + caption + 2 * frameY,
                      win::SWP_NOZORDER | win::SWP_NOMOVE);
    setWidth(static_cast<float>(static_cast<double>(w + 2 * XBorder()) * rt::TwipsPerPixelX()));
    setHeight(static_cast<float>(
        static_cast<double>(h + 2 * YBorder() + MenuHeight() + CaptionHeight() + design().statusBarHeight) *
        rt::TwipsPerPixelY()));
  }
  AppState.VideoWidth = rt::CLng(ScaleWidth()).value_or(AppState.VideoWidth);
}

void form1::FitVideoToWindow(win::HWND hwnd) {
  capture::CAPSTATUS status{};
  if (!devices::capGetStatus(hwnd, &status, sizeof status)) return;
  const int w = rt::CLng(ScaleWidth()).value_or(0);
  const int h = rt::CLng(ScaleHeight()).value_or(0);
  const QRect area = PictureArea({w, h});
  win::SetWindowPos(hwnd, win::HWND_BOTTOM, area.x(), area.y(), area.width(), area.height(), win::SWP_NOZORDER);
}

}  // namespace live
