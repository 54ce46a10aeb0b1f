#include "app/form1_design.h"

#include <QEvent>
#include <QMenuBar>

#include "app/window_texts.h"

namespace app {

namespace {

rt::FormDesign makeDesign() {
  rt::FormDesign d;
  d.caption = kMainCaption;
  d.border = rt::BorderStyle::Sizable;
  d.minButton = true;
  d.maxButton = false;
  d.inTaskbar = true;
  d.start = rt::StartPosition::CenterScreen;
  d.clientWidth = 11775;
  d.clientHeight = 8205;
  d.scale = rt::ScaleUnit::Pixels;
  d.hasMenu = true;
  d.statusBarHeight = 17;
  return d;
}

}  // namespace

form1Design::form1Design() : rt::Form(makeDesign()) {
  QMenuBar* bar = menuBar();
  mnuFile = menu(bar, "mnuFile", "&File");
  mnuSaveFrame = command(mnuFile, "mnuSaveFrame", "&Save Captured Image As...");
  mnuspace1 = separator(mnuFile, "mnuspace1");
  mnuExit = command(mnuFile, "mnuExit", "E&xit");
  mnuControl = menu(bar, "mnuControl", "&Options");
  mnuFormat = command(mnuControl, "mnuFormat", "&Format", QKeySequence("Ctrl+F"));
  mnuSource = command(mnuControl, "mnuSource", "So&urce", QKeySequence("Ctrl+S"));
  mnuBorder = command(mnuControl, "mnuBorder", "Border Frozen");
  mnuBorder->setCheckable(true);
  mnuBorder->setChecked(true);
  mnudrive.push_back(command(mnuControl, "mnudrive_0", "<none>"));
  mnudrive[0]->setCheckable(true);
  mnuCapture = menu(bar, "mnuCapture", "&Capture");
  mnuCapFrame = command(mnuCapture, "mnuCapFrame", "Capture S&ingle", QKeySequence(Qt::Key_F12));
  mnuTwain = command(bar, "mnuTwain", "&Twain Capture");
  mnuAbout = command(bar, "mnuAbout", "&About");

  // A checkable entry toggles itself; the handler decides the check mark.
  connect(mnuBorder, &QAction::triggered, this, [this](bool checked) {
    mnuBorder->setChecked(!checked);
    mnuBorder_Click();
  });
  connect(mnudrive[0], &QAction::triggered, this, [this](bool checked) {
    mnudrive[0]->setChecked(!checked);
    mnudrive_Click(0);
  });
  connect(mnuSaveFrame, &QAction::triggered, this, [this] { mnuSaveFrame_Click(); });
  connect(mnuExit, &QAction::triggered, this, [this] { mnuExit_Click(); });
  connect(mnuFormat, &QAction::triggered, this, [this] { mnuFormat_Click(); });
  connect(mnuSource, &QAction::triggered, this, [this] { mnuSource_Click(); });
  connect(mnuCapFrame, &QAction::triggered, this, [this] { mnuCapFrame_Click(); });
  connect(mnuTwain, &QAction::triggered, this, [this] { mnuTwain_Click(); });
  connect(mnuAbout, &QAction::triggered, this, [this] { mnuAbout_Click(); });

  QWidget* area = client();
  area->setAutoFillBackground(true);
  QPalette workspace = area->palette();
  workspace.setColor(QPalette::Window, workspace.color(QPalette::Dark));
  area->setPalette(workspace);

  // Below the picture, so that every row of the frame stays in sight.
  StatusBar = new QStatusBar(this);
  StatusBar->setObjectName("StatusBar");
  StatusBar->setSizeGripEnabled(false);
  StatusBar->setFont(arial(8.25));
  StatusBar->setFixedHeight(design().statusBarHeight);
  setStatusBar(StatusBar);
}

bool form1Design::event(QEvent* event) {
  if (event->type() == QEvent::StatusTip) return true;
  return rt::Form::event(event);
}

}  // namespace app
