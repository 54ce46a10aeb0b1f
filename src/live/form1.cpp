#include "live/form1.h"

#include "live/capture_window.h"

#include <QGuiApplication>
#include <QScreen>

#include "app/Public.h"
#include "app/forms.h"
#include "app/settings_values.h"
#include "devices/AVICAP.h"
#include "devices/EZTwain.h"
#include "devices/MemCap.h"
#include "platform/runtime/dialogs.h"
#include "platform/runtime/metrics.h"
#include "platform/runtime/program.h"
#include "platform/runtime/settings.h"
#include "platform/runtime/vb.h"
#include "stills/mCmnDlg.h"
#include "stills/numbered_name.h"
#include "stills/saved.h"
#include "stills/viewer.h"

namespace live {

using app::AppState;

void form1::Form_Load() {
  // 640 pixels wide as designed, less where the screen (in a scale
  // factor's larger pixels) has no room for that.
  const QScreen* screen = QGuiApplication::primaryScreen();
  const int width = PictureWidthFitting(640, screen ? screen->availableGeometry().size() : QSize(), nonClient());
  setWidth(static_cast<float>(OuterWidthFor(width, nonClient()) * rt::TwipsPerPixelX()));
  setHeight(static_cast<float>(OuterHeightFor(width, nonClient()) * rt::TwipsPerPixelY()));
  AppState.VideoWidth = width;

  const QString index = rt::GetSetting(app::kDriverApp, app::kDriverSection, app::kDriverKey, "0");
  AppState.DriverIndex = app::DriverIndexFromSetting(index, static_cast<std::int32_t>(mnudrive.size()) - 1);
  QAction* driverEntry = mnudrive[static_cast<std::size_t>(AppState.DriverIndex)];
  driverEntry->setChecked(true);

  char name[100] = {};
  char version[100] = {};
  capture::capGetDriverDescriptionA(static_cast<std::int16_t>(AppState.DriverIndex), name, sizeof name, version,
                                    sizeof version);
  driverEntry->setText(QString::fromLocal8Bit(name));

  AppState.hCapWnd =
      CreateCaptureWindow(name, win::WS_CHILD | win::WS_VISIBLE, 0, 0, 320, 240, hWnd(), 0);
  win::SetWindowTextA(AppState.hCapWnd, "Orvalux");
  devices::capSetCallbackOnStatus(AppState.hCapWnd, devices::CaptureStatusCallback);
  devices::capSetCallbackOnError(AppState.hCapWnd, devices::CaptureErrorCallback);
  connectDriver();
  // Back from a scanner run: what it saved, told after the driver's report.
  if (const auto run = stills::TakeScannerRun()) ShowStatus(stills::RunSummaryText(*run), run->last);
  TWAIN_SetAppTitle(app::kTwainAppTitle.toLocal8Bit().constData());

  AppState.FilePath = stills::WithRoomForNextName(
      app::LivePathFromSetting(app::StoredPathSetting()),
      app::DefaultLivePath());
  const stills::NumberedPath pieces = stills::SplitNumberedPath(AppState.FilePath);
  AppState.FileExt = pieces.FileExt;
  AppState.BasePath = pieces.BasePath;
  AppState.FileCounter = pieces.FileCounter;
  restoreLastPicture();

  AppState.EndOnUnload = rt::True;
  AppState.FreeResize = app::FreeResizeFromSetting(
      rt::GetSetting(app::kPathsApp, app::kPathsSection, app::kBorderKey, app::kNotStored));
  mnuBorder->setChecked(AppState.FreeResize == rt::False);
}

void form1::connectDriver() {
  const win::HWND cap = AppState.hCapWnd;
  if (!devices::capDriverConnect(cap, 0)) return;
  capture::CAPDRIVERCAPS caps{};
  devices::capDriverGetCaps(cap, &caps, sizeof caps);
  if (caps.fHasDlgVideoSource == 0) mnuSource->setEnabled(false);
  if (caps.fHasDlgVideoFormat == 0) mnuFormat->setEnabled(false);
  devices::capPreviewScale(cap, rt::True);
  devices::capPreviewRate(cap, 1);
  devices::capPreview(cap, rt::True);
  FitVideoToWindow(cap);
}

// A last file that is not a picture we can read (or a PDF) is simply not
// shown; start-up goes on.
void form1::restoreLastPicture() {
  if (!stills::FileExists(AppState.FilePath)) return;
  // Back from a scanner run the viewer shows its last page already, a PDF
  // page too, from memory.
  const bool shown = app::Form3.IsLoaded() && app::Form3->PicturePath == AppState.FilePath;
  if (!shown && (AppState.FileExt == ".pdf" || !stills::LoadViewerPicture(AppState.FilePath))) return;
  stills::SetViewerLabelToPath(AppState.FilePath);
  stills::ShowViewer();
}

void form1::Form_Unload(std::int16_t&) {
  const win::HWND cap = AppState.hCapWnd;
  devices::capSetCallbackOnError(cap, nullptr);
  devices::capSetCallbackOnStatus(cap, nullptr);
  devices::capSetCallbackOnYield(cap, nullptr);
  devices::capSetCallbackOnFrame(cap, nullptr);
  devices::capSetCallbackOnVideoStream(cap, nullptr);
  devices::capSetCallbackOnWaveStream(cap, nullptr);
  devices::capSetCallbackOnCapControl(cap, nullptr);
  devices::capDriverDisconnect(cap);
  if (cap != 0) win::DestroyWindow(cap);
  // Without the stored path the next start would number from the beginning
  // again (skipping taken names, but far from where the user left off).
  if (const rt::SettingSaved saved = app::StorePath(AppState.FilePath); !saved) app::TellPathNotStored(saved);
  if (AppState.EndOnUnload) rt::End();
}

void form1::mnuExit_Click() {
  app::Form3.Unload();
  app::frmControl.Unload();
  app::form1.Unload();
  rt::End();
}

void form1::mnuTwain_Click() { AppState.ScreenMode = 2; }

void form1::mnuAbout_Click() { app::frmAbout.Show(); }

void form1::mnudrive_Click(std::int16_t Index) {
  if (devices::capDriverConnect(AppState.hCapWnd, Index)) {
    rt::SaveSetting(app::kDriverApp, app::kDriverSection, app::kDriverKey, QString::number(Index));
  } else {
    rt::MsgBox("could not connect to capture driver", rt::vbOKOnly | rt::vbInformation, app::kAppTitle);
  }
}

void form1::mnuFormat_Click() {
  devices::capDlgVideoFormat(AppState.hCapWnd);
  FitWindowToVideo(AppState.hCapWnd);
}

void form1::mnuSource_Click() { devices::capDlgVideoSource(AppState.hCapWnd); }

}  // namespace live
