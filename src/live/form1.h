#pragma once
// The live capture window: the picture of the capture driver, kept at 4 : 3.

#include <QString>
#include <cstdint>

#include "app/form1_design.h"
#include "live/geometry.h"
#include "platform/window/window.h"

namespace live {

// What one capture came to: the file it wrote and, when the picture could
// not be saved as asked, the message the user is to be shown.
struct CaptureOutcome {
  QString path;
  QString problem;
};

// Shows the outcome's problem in the program's message box, if it has one.
void TellCaptureProblem(const CaptureOutcome& outcome);

class form1 : public app::form1Design {
  Q_OBJECT
 public:
  void Form_Load() override;
  void Form_Resize() override;
  void Form_Unload(std::int16_t& Cancel) override;
  void mnuExit_Click() override;
  void mnuTwain_Click() override;
  void mnuAbout_Click() override;
  void mnuBorder_Click() override;
  void mnudrive_Click(std::int16_t Index) override;
  void mnuFormat_Click() override;
  void mnuSource_Click() override;

  // Capturing stills and choosing their names.
  QString NextNumberedName();
  void mnuCapFrame_Click() override;
  // Everything the capture command does except showing its problem, so that
  // a caller from outside hears the outcome before the message box shows.
  CaptureOutcome CaptureSingle();
  void mnuSaveFrame_Click() override;
  // "Saved <name>" on the status line, the full path as its tooltip.
  void ShowSaved(const QString& path);
  // Replaces the status line; `path`, the file it names, is its tooltip.
  void ShowStatus(const QString& text, const QString& path);

  win::HWND capwnd() const;
  int MenuHeight() const;
  int CaptionHeight() const;
  int XBorder() const;
  int YBorder() const;
  NonClient nonClient() const;

  // Sizes both windows to the driver's frame size.
  void FitWindowToVideo(win::HWND hwnd);
  // Sizes the capture window to the inner area.
  void FitVideoToWindow(win::HWND hwnd);

 protected:
  void changeEvent(QEvent* event) override;

 private:
  void holdFrozenSize();
  void connectDriver();
  void restoreLastPicture();
  int resizeDepth_ = 0;
  // The picture width to come back to once a maximise is undone; 0 when none is.
  int restoreWidth_ = 0;
};

}  // namespace live
