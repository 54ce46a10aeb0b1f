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
  return d;
}

constexpr int kStatusBarHeight = 17;

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

  // The status bar lies over the bottom of the inner area (the picture's
  // window fills the whole area beneath it), so it is placed by hand.
  StatusBar = new QStatusBar(area);
  StatusBar->setObjectName("StatusBar");
  StatusBar->setSizeGripEnabled(false);
  StatusBar->setFont(arial(8.25));
  StatusBar->setAutoFillBackground(true);
  area->installEventFilter(this);
  dockStatusBar();
}

bool form1Design::eventFilter(QObject* watched, QEvent* event) {
  if (watched == client()) {
    if (event->type() == QEvent::Resize) dockStatusBar();
    if (event->type() == QEvent::ChildAdded || event->type() == QEvent::ChildPolished) StatusBar->raise();
  }
  return rt::Form::eventFilter(watched, event);
}

void form1Design::dockStatusBar() {
  QWidget* area = client();
  StatusBar->setGeometry(0, area->height() - kStatusBarHeight, area->width(), kStatusBarHeight);
  StatusBar->raise();
}

}  // namespace app
