#include "app/Form3.h"

#include "app/window_texts.h"

namespace app {

namespace {
rt::FormDesign makeDesign() {
  rt::FormDesign d;
  d.caption = kViewerCaption;
  d.border = rt::BorderStyle::FixedSingle;
  d.minButton = false;
  d.maxButton = false;
  d.inTaskbar = true;
  d.start = rt::StartPosition::WindowsDefault;
  d.clientWidth = 3780;
  d.clientHeight = 2805;
  return d;
}
}  // namespace

Form3Window::Form3Window() : rt::Form(makeDesign()) {
  lbFilename = new QLabel(client());
  lbFilename->setObjectName("lbFilename");
  lbFilename->setGeometry(8, 12, 233, 161);
  lbFilename->setFont(arial(9.75));
  lbFilename->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  lbFilename->setWordWrap(true);
  lbFilename->setAutoFillBackground(true);
  lbFilename->setBackgroundRole(QPalette::Base);
  lbFilename->setForegroundRole(QPalette::Text);

  // Drawn over the label; transparent while it holds no picture, so the
  // label stays readable.
  Image1 = new QLabel(client());
  Image1->setObjectName("Image1");
  Image1->setGeometry(4, 4, 245, 181);
  Image1->setScaledContents(true);
  Image1->setFrameShape(QFrame::NoFrame);
}

}  // namespace app
