#include "app/Form2_design.h"

#include <QMenuBar>
#include <algorithm>

#include "app/window_texts.h"
#include "platform/runtime/window_fit.h"

namespace app {

namespace {
rt::FormDesign makeDesign() {
  rt::FormDesign d;
  d.caption = kTwainCaption;
  d.border = rt::BorderStyle::FixedDialog;
  d.minButton = false;
  d.maxButton = false;
  d.inTaskbar = false;
  d.start = rt::StartPosition::CenterScreen;
  d.clientWidth = 5190;
  d.clientHeight = 420;
  d.hasMenu = true;
  return d;
}
}  // namespace

Form2Design::Form2Design() : rt::Form(makeDesign()) {
  QMenuBar* bar = menuBar();
  mnuFile = menu(bar, "mnuFile", "&File");
  mnuSelectDevice = command(mnuFile, "mnuSelectDevice", "Select &Device");
  mnuSpace = separator(mnuFile, "mnuSpace");
  mnuExit = command(mnuFile, "mnuExit", "&Exit");
  mnuCapture = command(bar, "mnuCapture", "&Open Capture Screen");
  mnuLive = command(bar, "mnuLive", "&Back to Main Screen");
  mnuAbout = command(bar, "mnuAbout", "&About ...");

  connect(mnuSelectDevice, &QAction::triggered, this, [this] { mnuSelectDevice_Click(); });
  connect(mnuExit, &QAction::triggered, this, [this] { mnuExit_Click(); });
  connect(mnuCapture, &QAction::triggered, this, [this] { mnuCapture_Click(); });
  connect(mnuLive, &QAction::triggered, this, [this] { mnuLive_Click(); });
  connect(mnuAbout, &QAction::triggered, this, [this] { mnuAbout_Click(); });

  // The design width hides the last entries behind an overflow button and
  // cuts the caption; the window grows until both fit.
  const int wide = std::max({width(), bar->sizeHint().width(), rt::TitleBarWidth(windowTitle())});
  if (wide > width()) setFixedSize(wide, height());
}

}  // namespace app
