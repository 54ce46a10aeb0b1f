#include "app/Form2_design.h"

#include <QApplication>
#include <QFontMetrics>
#include <QMenuBar>
#include <algorithm>

#include "app/window_texts.h"

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
// Room for the caption in the window manager's title bar: its text in a bold
// font somewhat larger than ours, the icon and three buttons.
int captionWidth(const QString& caption) {
  QFont font = QApplication::font();
  font.setBold(true);
  font.setPointSizeF(font.pointSizeF() * 1.25);
  return QFontMetrics(font).horizontalAdvance(caption) + 120;
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
  const int wide = std::max({width(), bar->sizeHint().width(), captionWidth(windowTitle())});
  if (wide > width()) setFixedSize(wide, height());
}

}  // namespace app
