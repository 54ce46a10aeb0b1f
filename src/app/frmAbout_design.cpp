#include "app/frmAbout_design.h"

#include <QEvent>
#include <QMouseEvent>
#include <QShortcut>

#include "app/window_texts.h"

namespace app {

namespace {

rt::FormDesign makeDesign() {
  rt::FormDesign d;
  d.caption = kAboutCaption;
  d.border = rt::BorderStyle::FixedDialog;
  d.minButton = false;
  d.maxButton = false;
  d.inTaskbar = false;
  d.start = rt::StartPosition::CenterOwner;
  d.clientWidth = 4965;
  d.clientHeight = 1830;
  return d;
}

QLabel* line(QWidget* parent, int index, const QString& text, QRect where, double points) {
  auto label = new QLabel(text, parent);
  label->setObjectName(QString("lblAbout_%1").arg(index));
  label->setGeometry(where);
  label->setFont(arial(points));
  label->setAlignment(Qt::AlignCenter);
  label->setFocusPolicy(Qt::NoFocus);
  return label;
}

}  // namespace

frmAboutDesign::frmAboutDesign() : rt::Form(makeDesign()) {
  QWidget* area = client();
  lblAbout[2] = line(area, 2, kAboutBuild, {8, 8, 310, 23}, 10.5);
  lblAbout[0] = line(area, 0, "Copyright \u00A9 2005 Orvalux Software", {16, 40, 305, 15}, 9);
  lblAbout[1] = line(area, 1, "All rights reserved.", {16, 64, 305, 15}, 9);
  cmdOK = new QPushButton("&OK", area);
  cmdOK->setObjectName("cmdOK");
  cmdOK->setGeometry(256, 88, 64, 24);
  cmdOK->setDefault(true);
  connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
  // Escape closes it as the button does, as in every dialog box.
  auto escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  connect(escape, &QShortcut::activated, this, [this] { cmdOK_Click(); });
  for (QLabel* label : lblAbout) label->installEventFilter(this);
  setFocusProxy(cmdOK);
}

bool frmAboutDesign::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonRelease) {
    for (std::size_t i = 0; i < lblAbout.size(); ++i)
      if (watched == lblAbout[i]) lblAbout_Click(static_cast<std::int16_t>(i));
  }
  return rt::Form::eventFilter(watched, event);
}

void frmAboutDesign::showEvent(QShowEvent* event) {
  rt::Form::showEvent(event);
  cmdOK->setFocus(Qt::ActiveWindowFocusReason);
}

}  // namespace app
